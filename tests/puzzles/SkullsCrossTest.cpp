// The skulls of IR 40 to 42 and the cross of IR 2.
#include "PuzzleFixture.h"
#include "puzzles/pz_crane.h"

namespace {
class IrTest : public PuzzleTest {
protected:
    enum : uint32_t { Z_CRANE = 4, Z_AUTRE = 5 };

    void SetUp() override {
        PuzzleTest::SetUp();
        for (const char* o : {"CRANE_SPRITE", "CRANE_CROIX 1", "CRANE_RUCHE 2", "CRANE_PUIT 3", "CRANE_CHAPELLE 4",
                              "CRANE_W18 5", "CROIXBRIGIT_SPRITE", "CROIX_BRIGID 6"})
            names.objets.push_back(o);
        names.variables.push_back("FINCROIX");
        for (const char* z : {"CROIX_Z1", "CROIX_Z2", "CROIX_Z3", "CRANE_ZONE", "AUTRE"}) names.zones.push_back(z);
        for (uint32_t v : {40u, 41u, 42u}) Zone(View("IR", v), 1, 2, "", 2.0f);
        Zone(View("IR", 42), 3, Z_CRANE, "CRANE_ZONE", 0.0f);
        Zone(View("IR", 42), 3, Z_AUTRE, "AUTRE", 0.5f);
        Element(2, "CRANE_SPRITE", "CRAN", {Anim(40, 40, 6), Anim(41, 41, 6), Anim(42, 42, 6)});
        WamVueDesc& v2 = View("IR", 2);
        for (uint32_t z = 1; z <= 3; z++) Zone(v2, 3, z, "CROIX_Z" + std::to_string(z), -0.6f + 0.6f * float(z - 1));
        Zone(v2, 3, 0, "", 1.2f);
        Zone(v2, 1, 42, "", 2.0f);
        Element(2, "CROIXBRIGIT_SPRITE", "CROI", {Anim(2, 2, 2)});
        // The view's pass sees the cross laid on its place.
        chapter.Vue("IR", 2);
        chapter.Block("FINCROIX=1 & flag3=0", {"(flag3=1)(NewSound=99)"});
        Start();
    }
    void Laid(const char* object, uint32_t zone) {
        Hold(object);
        Click(ZoneIndex(3, zone));
    }
};
}  // namespace

TEST_F(IrTest, EachObjectOnTheSkullZoneAddsItsPictureOnce) {
    for (uint32_t v : {40u, 41u, 42u}) {
        Go("IR", v);
        EXPECT_EQ(Frames("CRANE_SPRITE"), (std::vector<int>{0, 1})) << v;
    }
    Laid("CRANE_RUCHE", Z_CRANE);
    Laid("CRANE_RUCHE", Z_CRANE);
    Laid("CRANE_W18", Z_AUTRE);
    Laid("CRANE_W18", Z_CRANE);
    EXPECT_EQ(Frames("CRANE_SPRITE"), (std::vector<int>{0, 1, 3, 6}));
    EXPECT_STREQ(crane_etat, "0193996");
    EXPECT_EQ(commands, (std::vector<std::string>{"NewSound=7", "NewSound=7", "NewSound=7"}));
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("CRANE_W18")) << "the scenario takes the object away";
    EXPECT_EQ(OrvSpr_get_curseur_bank(), nullptr);
    Go("IR", 40);
    EXPECT_EQ(Frames("CRANE_SPRITE"), (std::vector<int>{0, 1, 3, 6}));
    // Leaving IR 42 by a move clears a puzzle cursor.
    Go("IR", 42);
    OrvSpr_set_curseur(Inventaire_GetBank(), 2);
    Inventaire_SetObjetEnMain_id(0);
    Click(ZoneIndex(1, 2));
    EXPECT_EQ(OrvSpr_get_curseur_bank(), nullptr);
}

TEST_F(IrTest, TheCrossIsLaidTakenBackAndSolvesOnItsPlace) {
    Inventaire_PrendObj_id_nspr(Obj("CROIX_BRIGID"), 6);
    Go("IR", 2);
    EXPECT_TRUE(Frames("CROIXBRIGIT_SPRITE").empty());
    Laid("CROIX_BRIGID", 2);
    EXPECT_EQ(croix_etat, 2);
    EXPECT_EQ(Frames("CROIXBRIGIT_SPRITE"), std::vector<int>{1});
    EXPECT_EQ(Var("OBJETENMAIN"), 0);
    EXPECT_FALSE(Inventaire_IsObjetInSac("CROIX_BRIGID"));
    EXPECT_EQ(Var("FINCROIX"), 0);
    // Elsewhere with an empty hand: the sound only, also on a zone of id 0 while the cross lies on 2.
    Click(ZoneIndex(3, 3));
    Click(ZoneIndex(3, 0));
    EXPECT_EQ(croix_etat, 2);
    EXPECT_EQ(commands, (std::vector<std::string>{"NewSound=8", "NewSound=9", "NewSound=9", "NewSound=9"}));
    // Taken back from where it lies.
    Click(ZoneIndex(3, 2));
    EXPECT_EQ(croix_etat, 0);
    EXPECT_TRUE(Frames("CROIXBRIGIT_SPRITE").empty());
    EXPECT_EQ(Var("OBJETENMAIN"), Obj("CROIX_BRIGID"));
    EXPECT_TRUE(Inventaire_IsObjetInSac("CROIX_BRIGID"));
    // No cross lies anywhere: a zone of id 0 gives none back.
    Inventaire_SetObjetEnMain_id(0);
    Click(ZoneIndex(3, 0));
    EXPECT_EQ(Var("OBJETENMAIN"), 0);
    // On zone 1: solved, the view's pass before the two sounds.
    commands.clear();
    Laid("CROIX_BRIGID", 1);
    EXPECT_EQ(Var("FINCROIX"), 1);
    EXPECT_EQ(commands, (std::vector<std::string>{"NewSound=99", "NewSound=8", "NewSound=9"}));
    // Taken back after, FINCROIX stays.
    Inventaire_SetObjetEnMain_id(0);
    Click(ZoneIndex(3, 1));
    EXPECT_EQ(Var("FINCROIX"), 1);
    EXPECT_EQ(croix_etat, 0);
    // Laid again, it is drawn at the next entry.
    Laid("CROIX_BRIGID", 3);
    Go("IR", 2);
    EXPECT_EQ(Frames("CROIXBRIGIT_SPRITE"), std::vector<int>{2});
    // A cross word whose frame does not fit a list entry is not listed.
    croix_etat = 300;
    Go("IR", 2);
    EXPECT_TRUE(Frames("CROIXBRIGIT_SPRITE").empty());
    EXPECT_TRUE(Warned("AddSpwToFrameTab() élément " + std::to_string(Obj("CROIXBRIGIT_SPRITE")) + " : image 299"))
        << Reports();
    croix_etat = 0;
}
