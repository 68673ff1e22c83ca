// The stars of YU 121: stars laid and taken back, the finish test, and a character sharing the sky's id.
#include <algorithm>

#include "PuzzleFixture.h"
#include "puzzles/pz_etoile.h"

namespace {
class StarsTest : public PuzzleTest {
protected:
    void SetUp() override {
        PuzzleTest::SetUp();
        // The sky is object 1; character 1 stands in the same view with a sprite of its own.
        names.objets.push_back("Etoiles_Puz");
        Names(names.objets, "ETOILE%d 1", 102, 115);
        names.objets.push_back("PIERRE 2");
        names.personnages.push_back("VEILLEUR");
        Names(names.variables, "etat_etoile%d", 0, 16);
        for (const char* v : {"etoiles_fini", "Etoiles_JustFinished", "pz_etoile_started", "vues_etoiles"})
            names.variables.push_back(v);
        WamVueDesc& v = View("YU", 121);
        for (uint32_t n = 0; n < 17; n++) Zone(v, 50, n, "", -2.4f + 0.3f * float(n));
        Zone(v, 3, 0, "", 0.0f, 0.6f);  // a scenario zone of another kind, id 0
        Element(2, "Etoiles_Puz", "CIEL", {Anim(1, 121, 16)});
        Element(1, "VEILLEUR", "VEIL", {Anim(1, 121, 3, 300, 300)});
        // The scenario sees each finish.
        chapter.Vue("YU", 121);
        for (int seen = 0; seen < 3; seen++)
            chapter.Block("Etoiles_JustFinished=1 & vues_etoiles=" + std::to_string(seen),
                          {"(Etoiles_JustFinished=0)(vues_etoiles=" + std::to_string(seen + 1) + ")"});
        Start();
        Go("YU", 121);
    }
    void Lay(const char* star, uint32_t position) {
        Hold(star);
        Click(ZoneIndex(50, position));
    }
    static int32_t Etat(int32_t n) { return pz_etoile_get_etat(n); }
};
}  // namespace

TEST_F(StarsTest, StarsAreLaidAndTakenBackAndSevenPlacesFinish) {
    const int32_t s102 = Obj("ETOILE102"), s115 = Obj("ETOILE115");
    Lay("ETOILE102", 5);
    EXPECT_EQ(Etat(5), s102);
    EXPECT_EQ(Frames("Etoiles_Puz"), std::vector<int>{5});
    EXPECT_EQ(Var("OBJETENMAIN"), 0) << "the star leaves the hand";
    EXPECT_FALSE(Inventaire_IsObjetInSac_id(s102)) << "and the bag";
    EXPECT_EQ(Var("pz_etoile_started"), 1);
    EXPECT_EQ(commands, std::vector<std::string>{"NewSound=115"});

    // A star in hand on an occupied place, and another object on an empty one, change nothing.
    Lay("ETOILE115", 5);
    Lay("PIERRE", 6);
    EXPECT_EQ(Etat(5), s102);
    EXPECT_EQ(Etat(6), 0);
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("PIERRE"));
    EXPECT_EQ(commands.size(), 1u);

    // Taken back with an empty hand: into the bag and the hand.
    Inventaire_SetObjetEnMain_id(0);
    Click(ZoneIndex(50, 5));
    EXPECT_EQ(Etat(5), 0);
    EXPECT_TRUE(Frames("Etoiles_Puz").empty());
    EXPECT_EQ(Var("OBJETENMAIN"), s102);
    EXPECT_TRUE(Inventaire_IsObjetInSac_id(s102));
    EXPECT_EQ(commands.back(), "NewSound=114");

    // Seven places finish, whatever else lies elsewhere; the scenario's pass runs at once each time.
    const uint32_t finish[] = {0, 2, 6, 8, 11, 13, 16};
    Lay("ETOILE103", 1);
    for (int i = 0; i < 7; i++) {
        EXPECT_EQ(Var("vues_etoiles"), 0) << i;
        Lay(i == 6 ? "ETOILE115" : "ETOILE104", finish[i]);
        if (i < 6) Lay("ETOILE110", 3);  // put down elsewhere again and again: only the seven count
    }
    EXPECT_EQ(Var("vues_etoiles"), 1);
    EXPECT_EQ(Etat(16), s115);
    // Every later click finishes again until the scenario says the puzzle is over.
    Inventaire_SetObjetEnMain_id(0);
    Click(ZoneIndex(50, 9));
    EXPECT_EQ(Var("vues_etoiles"), 2);
    Interp_WriteVar("etoiles_fini", 1);
    Click(ZoneIndex(50, 16));
    EXPECT_EQ(Etat(16), s115) << "clicks are ignored once finished";
    EXPECT_EQ(Var("vues_etoiles"), 2);
}

TEST_F(StarsTest, ASkySavedHalfWayIsLoadedAndFinished) {
    // Three of the seven places and one other hold stars when the game is saved.
    Lay("ETOILE102", 0);
    Lay("ETOILE103", 2);
    Lay("ETOILE104", 6);
    Lay("ETOILE105", 4);
    ASSERT_TRUE(OrvSaveGame_Save(1));

    // The game goes on: a star taken back, two more laid.
    Inventaire_SetObjetEnMain_id(0);
    Click(ZoneIndex(50, 0));
    Lay("ETOILE106", 8);
    Lay("ETOILE107", 11);
    std::vector<int> drawn = Frames("Etoiles_Puz");
    std::sort(drawn.begin(), drawn.end());
    EXPECT_EQ(drawn, (std::vector<int>{2, 4, 6, 8, 11}));

    // The load gives the places, the sky and the bag back as they were.
    ASSERT_TRUE(OrvSaveGame_Load(1));
    EXPECT_EQ(OrvWam_CurrentVue->id, 121u);
    std::vector<int32_t> etats;
    for (int32_t n = 0; n < 17; n++) etats.push_back(Etat(n));
    std::vector<int32_t> saved(17, 0);
    saved[0] = Obj("ETOILE102");
    saved[2] = Obj("ETOILE103");
    saved[4] = Obj("ETOILE105");
    saved[6] = Obj("ETOILE104");
    EXPECT_EQ(etats, saved);
    EXPECT_EQ(Frames("Etoiles_Puz"), (std::vector<int>{0, 2, 4, 6}));
    EXPECT_EQ(Slot("Etoiles_Puz", WAM_OBJET).shown, 1);
    for (const char* star : {"ETOILE102", "ETOILE106", "ETOILE107"}) EXPECT_FALSE(InBag(star)) << star;
    EXPECT_EQ(Var("OBJETENMAIN"), 0);

    // The four places left finish it.
    EXPECT_EQ(Var("vues_etoiles"), 0);
    for (auto [star, place] : {std::pair{"ETOILE108", 8u}, {"ETOILE109", 11u}, {"ETOILE110", 13u}, {"ETOILE111", 16u}})
        Lay(star, place);
    EXPECT_EQ(Var("vues_etoiles"), 1);
    EXPECT_EQ(Frames("Etoiles_Puz"), (std::vector<int>{0, 2, 4, 6, 8, 11, 13, 16}));
    EXPECT_TRUE(fatals.empty()) << Reports();
}

TEST_F(StarsTest, TheEntryRebuildsTheSkyFromTheVariables) {
    pz_etoile_set_etat(3, Obj("ETOILE106"));
    pz_etoile_set_etat(16, Obj("ETOILE107"));
    Slot("Etoiles_Puz", WAM_OBJET).playing = 1;
    Go("YU", 121);
    const ST_spw_visible& sky = Slot("Etoiles_Puz", WAM_OBJET);
    EXPECT_EQ(Frames("Etoiles_Puz"), (std::vector<int>{3, 16}));
    EXPECT_EQ(sky.playing, 0);
    EXPECT_EQ(sky.shown, 1);
    EXPECT_EQ(sky.frame, 0);
}

TEST_F(StarsTest, ACharacterWithTheSkysIdKeepsItsOwnFrameList) {
    ASSERT_EQ(Obj("Etoiles_Puz"), DefName_GetIdName(DEFNAME_PERSONNAGES, "VEILLEUR"));
    ASSERT_EQ(OrvSpw_NbVisibles, 2);
    Lay("ETOILE102", 4);
    const ST_spw_visible& watcher = Slot("VEILLEUR", WAM_PERSO);
    EXPECT_EQ(watcher.frame_tab[0], SPW_FRAME_FREE);
    EXPECT_EQ(Frames("Etoiles_Puz"), std::vector<int>{4});
    EXPECT_EQ(&Slot("Etoiles_Puz", WAM_OBJET), &OrvSpw_Visibles[0]);
}

// A sky of 5 frames.
class ShortSkyTest : public StarsTest {
protected:
    void SetUp() override {
        spwFrames["Etoiles_Puz"] = 5;
        StarsTest::SetUp();
    }
};

TEST_F(ShortSkyTest, ListedFramesTheSkyLacksAreNotDrawn) {
    // Stars listed up to 16: drawing skips what the sprite does not have.
    for (uint32_t n : {2u, 9u, 16u}) Lay("ETOILE102", n), Interp_WriteVar("etoiles_fini", 0);
    EXPECT_EQ(Frames("Etoiles_Puz"), (std::vector<int>{2, 9, 16}));
    for (int i = 0; i < 3; i++) Pass(true);
    EXPECT_TRUE(fatals.empty());
}
