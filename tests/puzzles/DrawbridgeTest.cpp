// World SS: the five wheels of SS 13, the chest of SS 1 to 7 and the six statues of SS 6 and 7.
#include "PuzzleFixture.h"
#include "puzzles/pz_coffre.h"
#include "testdata/QmvWriter.h"
#include "video/Orv_Qmv.h"

namespace {
class SsTest : public PuzzleTest {
protected:
    enum : uint32_t { Z_PRENDRE = 1, Z_AXE1 = 2, Z_AXE9 = 7, Z_SOL1 = 8, Z_SOL0 = 15, Z_SOL8 = 16, Z_AXE0 = 17 };

    void SetUp() override {
        PuzzleTest::SetUp();
        for (int d = 1; d <= 5; d++) names.objets.push_back("DISQUE" + std::to_string(d) + " " + std::to_string(d));
        Names(names.objets, "RoueK%d", 1, 5);
        for (const char* o : {"Pont_Leve", "Pont_Moitie", "Pont_Baisse", "COFFRE_CHINE", "BAGUETTE 6"})
            names.objets.push_back(o);
        Names(names.objets, "OB_FIG%dHERBE", 1, 6);
        Names(names.personnages, "FIGURINE%d", 1, 5);
        Names(names.variables, "pos_roue%d", 1, 5);
        Names(names.variables, "pos_statue%d", 1, 6);
        for (const char* v : {"findisque1", "findisque2", "frame_coffre_chine", "BAGUETTE_PRISE", "etat5statues"})
            names.variables.push_back(v);
        names.zones.push_back("PRENDRE_BAGUETTE");
        Names(names.zones, "AXE_5ROUES%d", 1, 5);
        names.zones.push_back("AXE_5ROUES9");
        Names(names.zones, "SOL_FIGUR%d", 1, 7);
        names.zones.push_back("SOL_FIGUR0");
        names.zones.push_back("SOL_FIGUR8");
        names.zones.push_back("AXE_5ROUES0");

        // SS 13: axles 1 to 5 (one of them named in lower case), an axle 9 and an axle 0, a way to SS 12.
        WamVueDesc& v13 = View("SS", 13);
        for (uint32_t a = 1; a <= 5; a++)
            Zone(v13, 3, Z_AXE1 + a - 1, a == 3 ? "axe_5roues3" : "AXE_5ROUES" + std::to_string(a), -1.2f + 0.6f * float(a - 1));
        Zone(v13, 3, Z_AXE9, "AXE_5ROUES9", 1.8f);
        Zone(v13, 3, Z_AXE0, "AXE_5ROUES0", -1.8f);
        Zone(View("SS", 12), 1, 13, "", 0.0f);
        for (int k = 1; k <= 5; k++)
            Element(2, "RoueK" + std::to_string(k), "ROU" + std::to_string(k), {Anim(12, 12, 4), Anim(13, 13, 4)});
        Element(2, "Pont_Leve", "PNTL", {Anim(13, 13, 0)});
        Element(2, "Pont_Moitie", "PNTM", {Anim(13, 13, 0)});
        Element(2, "Pont_Baisse", "PNTB", {Anim(13, 13, 0)});

        // SS 1 to 7: the chest everywhere but SS 3, the wand in SS 5, the statues in SS 6 and 7.
        std::vector<WamAnimDesc> chest;
        for (uint32_t v = 1; v <= 7; v++) {
            WamVueDesc& view = View("SS", v);
            Zone(view, 1, 12, "", 2.5f);  // out to SS 12
            if (v != 3) chest.push_back(Anim(v, v, 4));
        }
        Element(2, "COFFRE_CHINE", "COFF", chest);
        Element(2, "BAGUETTE", "BAGU", {Anim(5, 5, 0)});
        Zone(View("SS", 5), 3, Z_PRENDRE, "PRENDRE_BAGUETTE", 0.0f);
        Zone(View("SS", 5), 4 + 88888, Z_PRENDRE, "", 0.8f);  // the same zone id, disabled
        for (uint32_t p = 1; p <= 7; p++) Zone(View("SS", 6), 3, Z_SOL1 + p - 1, "SOL_FIGUR" + std::to_string(p), -1.8f + 0.6f * float(p - 1));
        Zone(View("SS", 6), 3, Z_SOL0, "SOL_FIGUR0", 2.0f);
        Zone(View("SS", 6), 3, Z_SOL8, "SOL_FIGUR8", -2.4f);
        for (int n = 1; n <= 6; n++) {
            const std::vector<WamAnimDesc> anims = {Anim(6, 6, 6), Anim(7, 7, 6), Anim(2, 7, 6, 0, 0, 'b')};
            if (n < 6) Element(1, "FIGURINE" + std::to_string(n), "FIG" + std::to_string(n), anims);
            else Element(2, "OB_FIG6HERBE", "FIG6", anims);
        }
        Start();
        for (int d = 1; d <= 5; d++) Inventaire_PrendObj_id_nspr(Obj(("DISQUE" + std::to_string(d)).c_str()), d);
    }

    ST_spw_visible& Disc(int d) {
        static const char* const kSprite[] = {"RoueK3", "RoueK4", "RoueK5", "RoueK1", "RoueK2"};
        return Slot(kSprite[d - 1], WAM_OBJET);
    }
    int32_t Pos(int d) { return Var(("pos_roue" + std::to_string(d)).c_str()); }
    void Axle(int a, int disc = 0) {
        if (disc) Hold(("DISQUE" + std::to_string(disc)).c_str());
        Click(ZoneIndex(3, Z_AXE1 + a - 1));
    }
    std::vector<int32_t> Positions() {
        std::vector<int32_t> p;
        for (int d = 1; d <= 5; d++) p.push_back(Pos(d));
        return p;
    }
    bool Hidden(const char* object) { return Interp_IsElemHidden(Obj(object), WAM_OBJET); }
};
}  // namespace

TEST_F(SsTest, TheDiscsLowerTheBridgeInTwoStages) {
    Elem_Hide(Obj("Pont_Moitie"), WAM_OBJET, 0);
    Elem_Hide(Obj("Pont_Baisse"), WAM_OBJET, 0);
    Go("SS", 13);
    for (int d = 1; d <= 5; d++) EXPECT_EQ(Disc(d).shown, 0) << d;
    Axle(2);
    EXPECT_EQ(Positions(), (std::vector<int32_t>{0, 0, 0, 0, 0})) << "an empty axle and an empty hand";

    Axle(1, 1);
    EXPECT_EQ(Pos(1), 1);
    EXPECT_EQ(Disc(1).shown, 1);
    EXPECT_EQ(Disc(1).frame, 0);
    EXPECT_EQ(Disc(1).playing, 0);
    EXPECT_EQ(Var("OBJETENMAIN"), 0);
    EXPECT_FALSE(Inventaire_IsObjetInSac("DISQUE1"));
    // Hung out of order first: disc 2 on axle 1 swaps with disc 1.
    Axle(1, 2);
    EXPECT_EQ(Positions(), (std::vector<int32_t>{0, 1, 0, 0, 0}));
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("DISQUE1"));
    EXPECT_TRUE(Inventaire_IsObjetInSac("DISQUE1"));
    EXPECT_FALSE(Inventaire_IsObjetInSac("DISQUE2"));
    // An occupied axle with an empty hand: the disc comes into the hand.
    Inventaire_SetObjetEnMain_id(0);
    Axle(1);
    EXPECT_EQ(Pos(2), 0);
    EXPECT_EQ(Disc(2).shown, 0);
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("DISQUE2"));
    // Axles 9 and 0 are no axles: the disc stays in the hand.
    for (uint32_t zone : {Z_AXE9, Z_AXE0}) {
        Hold("DISQUE4");
        Click(ZoneIndex(3, zone));
        EXPECT_EQ(Pos(4), 0) << zone;
        EXPECT_EQ(Disc(4).shown, 0) << zone;
        EXPECT_EQ(Var("OBJETENMAIN"), Obj("DISQUE4")) << zone;
        EXPECT_TRUE(Inventaire_IsObjetInSac("DISQUE4")) << zone;
    }

    for (int d = 1; d <= 5; d++) Axle(d, d);
    EXPECT_EQ(Positions(), (std::vector<int32_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Var("findisque1"), 1);
    EXPECT_EQ(Var("findisque2"), 0) << "stage 2 waits for a later placing";
    EXPECT_TRUE(Hidden("Pont_Leve"));
    EXPECT_FALSE(Hidden("Pont_Moitie"));
    EXPECT_EQ(Slot("Pont_Moitie", WAM_OBJET).shown, 1);
    EXPECT_EQ(commands, std::vector<std::string>{"cinema=24"});

    // 5, 3, 1, 4, 2 by swaps.
    Axle(5);
    for (int a : {2, 3, 1}) Axle(a);
    EXPECT_EQ(Var("findisque2"), 0);
    Axle(5);
    EXPECT_EQ(Positions(), (std::vector<int32_t>{5, 3, 1, 4, 2}));
    EXPECT_EQ(Var("findisque2"), 1);
    EXPECT_TRUE(Hidden("Pont_Moitie"));
    EXPECT_FALSE(Hidden("Pont_Baisse"));
    EXPECT_EQ(commands, (std::vector<std::string>{"cinema=24", "cinema=25"}));
    EXPECT_EQ(Var("OBJETENMAIN"), 0);

    // The lowered bridge holds the discs where they hang, here and from SS 12.
    Axle(1);
    EXPECT_EQ(Pos(3), 1);
    Go("SS", 12);
    EXPECT_EQ(Disc(1).frame, 4);
    EXPECT_EQ(Disc(5).frame, 1);
    EXPECT_EQ(Disc(3).shown, 1);
}

TEST_F(SsTest, TheSecondOrderLowersNothingBeforeTheFirst) {
    Go("SS", 13);
    const int order[] = {5, 3, 1, 4, 2};
    for (int d = 1; d <= 5; d++) Axle(order[d - 1], d);
    EXPECT_EQ(Positions(), (std::vector<int32_t>{5, 3, 1, 4, 2}));
    EXPECT_EQ(Var("findisque1"), 0);
    EXPECT_EQ(Var("findisque2"), 0);
    EXPECT_TRUE(commands.empty());
}

TEST_F(SsTest, TheChestOpensInFourStrokesAndYieldsItsWand) {
    Go("SS", 5);
    EXPECT_EQ(pz_actif, PZ_COFFRE);
    EXPECT_EQ(Slot("COFFRE_CHINE", WAM_OBJET).frame, 4);
    Elem_Hide(Obj("BAGUETTE"), WAM_OBJET, 0);
    for (int i = 1; i <= 6; i++) {
        Click(ZoneIndex(3, Z_PRENDRE));
        EXPECT_EQ(Slot("COFFRE_CHINE", WAM_OBJET).frame, 4 - std::min(i, 4)) << i;
        EXPECT_EQ(Slot("COFFRE_CHINE", WAM_OBJET).playing, 0);
        EXPECT_EQ(Slot("BAGUETTE", WAM_OBJET).shown, i == 4 ? 1 : 0) << i;
        EXPECT_EQ(Var("BAGUETTE_PRISE"), i >= 5) << i;
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"NewSound=211", "NewSound=212", "NewSound=213", "NewSound=214"}));
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("BAGUETTE"));
    EXPECT_TRUE(Inventaire_IsObjetInSac("BAGUETTE"));
    EXPECT_TRUE(Interp_IsElemHidden(Obj("BAGUETTE"), WAM_OBJET)) << "remembered for the next entries";
    Go("SS", 5);
    EXPECT_EQ(Slot("BAGUETTE", WAM_OBJET).shown, 0);
    EXPECT_EQ(Slot("COFFRE_CHINE", WAM_OBJET).frame, 0);
}

TEST_F(SsTest, AnyZoneOfTheChestViewsReachesTheChestAndADisabledOneToo) {
    Interp_WriteVar("frame_coffre_chine", 1);
    Go("SS", 5);
    // A disabled zone carrying the wand zone's id strikes the chest as well.
    Click(ZoneIndex(4 + 88888, Z_PRENDRE));
    EXPECT_EQ(Var("frame_coffre_chine"), 2);
    // A move zone is seen by the chest (nothing to do) and then moves.
    Slot("COFFRE_CHINE", WAM_OBJET).frame = 0;
    Click(ZoneIndex(1, 12));
    EXPECT_EQ(OrvWam_CurrentVue->id, 12u);
    EXPECT_EQ(pz_actif, PZ_COFFRE) << "still the chest's until the next click";
    Click(ZoneIndex(1, 13));
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(OrvWam_CurrentVue->id, 13u) << "the click goes on";
}

TEST_F(SsTest, AChestViewWithoutItsChestIsFatal) {
    Go("SS", 3);
    ASSERT_FALSE(fatals.empty());
    EXPECT_NE(fatals[0].find("pz_coffre vue 3 ! find_idx_pzcoffre(" + std::to_string(Obj("COFFRE_CHINE")) + ") introuvable"),
              std::string::npos)
        << fatals[0];
}

TEST_F(SsTest, TheStatuesStandOnTheirPlacesAndSwap) {
    for (int n = 1; n <= 6; n++) Inventaire_PrendObj_id_nspr(Obj(("OB_FIG" + std::to_string(n) + "HERBE").c_str()), 6 + n);
    Go("SS", 6);
    auto place = [&](int statue, int p) {
        if (statue) Hold(("OB_FIG" + std::to_string(statue) + "HERBE").c_str());
        Click(ZoneIndex(3, Z_SOL1 + p - 1));
    };
    auto sprite = [&](int n) -> ST_spw_visible& {
        return n < 6 ? Slot(("FIGURINE" + std::to_string(n)).c_str(), WAM_PERSO) : Slot("OB_FIG6HERBE", WAM_OBJET);
    };
    for (int n = 1; n <= 6; n++) EXPECT_EQ(sprite(n).shown, 0) << n;

    place(2, 1);  // statue 2 belongs on place 3
    EXPECT_EQ(Var("pos_statue2"), 1);
    EXPECT_EQ(sprite(2).shown, 1);
    EXPECT_EQ(sprite(2).frame, 0);
    EXPECT_EQ(sprite(2).playing, 0);
    EXPECT_EQ(Var("OBJETENMAIN"), 0) << "an empty place: the hand is emptied";
    EXPECT_FALSE(Inventaire_IsObjetInSac("OB_FIG2HERBE"));
    EXPECT_EQ(commands, std::vector<std::string>{"NewSound=202"});

    place(4, 1);  // swapped: statue 4 stands on place 1, statue 2 comes into the hand
    EXPECT_EQ(Var("pos_statue4"), 1);
    EXPECT_EQ(Var("pos_statue2"), 0);
    EXPECT_EQ(sprite(2).shown, 0);
    EXPECT_EQ(sprite(4).frame, 0);
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("OB_FIG2HERBE"));
    EXPECT_TRUE(Inventaire_IsObjetInSac("OB_FIG2HERBE"));
    EXPECT_FALSE(Inventaire_IsObjetInSac("OB_FIG4HERBE"));

    // Statue 4 is on its own place: neither an empty hand nor another statue moves it.
    place(0, 1);
    place(3, 1);
    EXPECT_EQ(Var("pos_statue4"), 1);
    EXPECT_EQ(Var("pos_statue3"), 0);
    // Places 0 and 8 are no places.
    Hold("OB_FIG3HERBE");
    Click(ZoneIndex(3, Z_SOL0));
    Click(ZoneIndex(3, Z_SOL8));
    EXPECT_EQ(Var("pos_statue3"), 0);
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("OB_FIG3HERBE"));

    const int own[] = {4, 3, 5, 1, 2, 6};
    for (int n : {1, 2, 3, 5, 6}) place(n, own[n - 1]);
    EXPECT_EQ(Var("etat5statues"), 1);
    for (int n = 1; n <= 6; n++) EXPECT_TRUE(pz_statue_a_sa_place(n)) << n;
    place(1, 7);
    EXPECT_EQ(Var("pos_statue1"), 4) << "solved: the places no longer react";

    // In SS 7 the statues on their places play their animation 2.
    Go("SS", 7);
    for (int n = 1; n <= 6; n++) {
        const ST_spw_visible& s = OrvSpw_Visibles[OrvSpw_find_index_anum(
            n < 6 ? DefName_GetIdName(DEFNAME_PERSONNAGES, ("FIGURINE" + std::to_string(n)).c_str()) : Obj("OB_FIG6HERBE"),
            n < 6 ? WAM_PERSO : WAM_OBJET, 2)];
        EXPECT_EQ(s.shown, 1) << n;
        EXPECT_EQ(s.playing, 1) << n;
        EXPECT_EQ(s.frame, 0) << n;
    }
    EXPECT_TRUE(fatals.empty()) << Reports();
}

TEST_F(SsTest, TheLastStatueOnItsPlaceStartsTheirVideoOnce) {
    // The video the statues ask for, on the CD under the name they give.
    const std::vector<uint8_t> video = QmvWriter_Video({std::vector<uint32_t>(640 * 480, 0xFF406080u)}, 75);
    ASSERT_TRUE(WriteFileBytes(dir / "datas_q2/qmv/???", video.data(), video.size()));
    const int own[] = {4, 3, 5, 1, 2, 6};
    for (int n = 1; n <= 5; n++) SetVar(("pos_statue" + std::to_string(n)).c_str(), own[n - 1]);
    Inventaire_PrendObj_id_nspr(Obj("OB_FIG6HERBE"), 12);
    Go("SS", 6);
    Hold("OB_FIG6HERBE");
    Click(ZoneIndex(3, Z_SOL1 + 5));
    EXPECT_EQ(Var("etat5statues"), 1);
    ASSERT_EQ(LoopType, LOOP_QMV);
    EXPECT_NE(OrvQmv_GetSurface(), nullptr);
    // It plays out, one picture a tick, and gives the view back.
    for (int i = 0; i < 20 && LoopType == LOOP_QMV; i++) {
        FrameCount++;
        OrvQmv_step();
    }
    EXPECT_EQ(LoopType, LOOP_WARP);
    // Solved, the check asks for nothing more.
    pz_statue_check();
    EXPECT_EQ(LoopType, LOOP_WARP);
    EXPECT_TRUE(fatals.empty()) << Reports();
}
