// The puzzles' saved words: their layout, their ranges, and a game saved mid-puzzle, loaded and finished.
#include <cstring>

#include "PuzzleFixture.h"
#include "puzzles/pz_anneau.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_crane.h"
#include "puzzles/pz_maya.h"
#include "puzzles/pz_ogham.h"
#include "puzzles/pz_save.h"

namespace {
class PuzzleSaveTest : public PuzzleTest {
protected:
    void SetUp() override {
        PuzzleTest::SetUp();
        for (const char* o : {"SPW_BASE5A", "CRANE_SPRITE", "CRANE_RUCHE 2"}) names.objets.push_back(o);
        names.variables.push_back("resetmaya1");
        names.zones.push_back("CRANE_ZONE");
        for (int z = 1; z <= 8; z++) names.zones.push_back("Z" + std::to_string(z));
        WamVueDesc& board = View("YU", 55);
        for (uint32_t z : {17u, 18u, 1u, 2u}) Zone(board, 50, z, "", -0.6f + 0.3f * float(board.zones.size()));
        Element(2, "SPW_BASE5A", "BASA", {Anim(1, 55, 79)});
        Zone(View("IR", 42), 3, 1, "CRANE_ZONE", 0.0f);
        Element(2, "CRANE_SPRITE", "CRAN", {Anim(42, 42, 6)});
        Start();
    }
    static std::vector<uint8_t> Block() {
        std::vector<uint8_t> out;
        pz_save_write(out);
        return out;
    }
    static int32_t I32(const std::vector<uint8_t>& b, size_t at) {
        int32_t v;
        std::memcpy(&v, &b[at], 4);
        return v;
    }
};
}  // namespace

TEST_F(PuzzleSaveTest, TheBlockHoldsEveryWordInItsPlace) {
    pz_save_reset();
    std::vector<uint8_t> b = Block();
    ASSERT_EQ(b.size(), size_t(PZ_SAVE_SIZE));
    for (int board = 0; board < 3; board++) {
        EXPECT_EQ(I32(b, 21 * board), 0);
        EXPECT_STREQ(reinterpret_cast<const char*>(&b[21 * board + 4]), "0000000000000000");
    }
    EXPECT_EQ(I32(b, 63), 0);
    EXPECT_EQ(I32(b, 67), 3) << "the spider starts at stage 3";
    EXPECT_EQ(I32(b, 71), 0);
    EXPECT_EQ(I32(b, 75), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[79]), "0199999");
    for (int p = 0; p < 15; p++) EXPECT_EQ(int8_t(b[87 + p]), 4 * p + 2) << p;
    EXPECT_EQ(I32(b, 102), 0);

    maya_etat[2] = 2;
    std::memcpy(maya_plateau[1], "0000000000040001", 17);
    pz_actif = PZ_MAYA;
    araig_stage = 4;
    anneau_pas = -7;
    anneau_frame = 12;
    crane_etat[5] = '5';
    ogham_etat[14] = -1;
    croix_etat = 3;
    b = Block();
    EXPECT_EQ(I32(b, 42), 2);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[25]), "0000000000040001");
    EXPECT_EQ(I32(b, 63), PZ_MAYA);
    EXPECT_EQ(I32(b, 67), 4);
    EXPECT_EQ(I32(b, 71), -7);
    EXPECT_EQ(I32(b, 75), 12);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[79]), "0199959");
    EXPECT_EQ(int8_t(b[101]), -1);
    EXPECT_EQ(I32(b, 102), 3);
    // Read back over the starting values.
    pz_save_reset();
    ASSERT_TRUE(pz_save_check(b.data(), uint32_t(b.size())));
    pz_save_read(b.data(), uint32_t(b.size()));
    EXPECT_EQ(Block(), b);
}

TEST_F(PuzzleSaveTest, AWordOutOfItsRangeRefusesTheBlock) {
    pz_save_reset();
    const std::vector<uint8_t> good = Block();
    ASSERT_TRUE(pz_save_check(good.data(), uint32_t(good.size())));
    struct Case {
        const char* what;
        size_t at;
        std::vector<uint8_t> bytes;
        bool ok;
    };
    auto i32 = [](int32_t v) {
        std::vector<uint8_t> b(4);
        std::memcpy(b.data(), &v, 4);
        return b;
    };
    const int32_t zones = DefName_GetCount(DEFNAME_ZONES_CLIC);
    const Case cases[] = {
        {"board state 2", 21, i32(2), true},
        {"board state 3", 21, i32(3), false},
        {"board state -1", 0, i32(-1), false},
        {"five balls", 4 + 15, {'5'}, true},
        {"six balls", 4 + 15, {'6'}, false},
        {"no end", 42 + 4 + 16, {'0'}, false},
        {"pz_actif 7", 63, i32(7), true},
        {"pz_actif 8", 63, i32(8), false},
        {"pz_actif -1", 63, i32(-1), false},
        {"spider 1", 67, i32(1), true},
        {"spider 0", 67, i32(0), false},
        {"spider 5", 67, i32(5), false},
        {"ring steps -10", 71, i32(-10), true},
        {"ring steps 11", 71, i32(11), false},
        {"ring frame -1", 75, i32(-1), false},
        {"skull 6 laid", 79 + 6, {'6'}, true},
        {"skull 6 as 5", 79 + 6, {'5'}, false},
        {"skull 1 changed", 79 + 1, {'9'}, false},
        {"skulls' end", 79 + 7, {'1'}, false},
        {"ogham empty", 87 + 3, {0xFF}, true},
        {"ogham last shape", 87 + 14, {59}, true},
        {"ogham next position's frame", 87 + 14, {60}, false},
        {"ogham previous position's frame", 87 + 1, {3}, false},
        {"cross on the last zone", 102, i32(zones - 1), true},
        // An unnamed zone carries any id: the cross may lie on one past the names, or on 0xFFFFFFFF.
        {"cross on an unnamed zone", 102, i32(zones), true},
        {"cross on zone 0xFFFFFFFF", 102, i32(-1), true},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> b = good;
        std::memcpy(&b[c.at], c.bytes.data(), c.bytes.size());
        EXPECT_EQ(pz_save_check(b.data(), uint32_t(b.size())), c.ok) << c.what;
    }
    EXPECT_FALSE(pz_save_check(good.data(), uint32_t(good.size() - 1)));
}

TEST_F(PuzzleSaveTest, ABoardSavedMidWayIsLoadedAndFinished) {
    Go("YU", 55);
    Click(1);  // five balls in hand
    Click(2);  // on cell 0
    Go("IR", 42);
    Hold("CRANE_RUCHE");
    Click(0);
    Inventaire_SetObjetEnMain_id(0);
    Go("YU", 55);
    ASSERT_TRUE(OrvSaveGame_Save(1));

    // The game goes on elsewhere; the load brings the board back, with its view entered again.
    Click(0);  // one ball in hand
    Click(3);  // on cell 1: not the target
    EXPECT_STREQ(maya_plateau[0], "0000000000000015");
    Go("IR", 42);
    EXPECT_EQ(pz_actif, PZ_MAYA) << "left by a jump, not by a move";
    crane_etat[3] = '9';
    ASSERT_TRUE(OrvSaveGame_Load(1));
    EXPECT_EQ(OrvWam_CurrentVue->id, 55u);
    EXPECT_STREQ(maya_plateau[0], "0000000000000005");
    EXPECT_EQ(pz_actif, PZ_MAYA);
    EXPECT_EQ(maya_etat[0], 1);
    EXPECT_EQ(Frames("SPW_BASE5A"), std::vector<int>{4});
    EXPECT_STREQ(crane_etat, "0193999");
    for (int i = 0; i < 4; i++) Click(0);
    Click(3);
    EXPECT_EQ(maya_etat[0], 2);
    EXPECT_EQ(Var("finmaya1"), 1);
}

TEST_F(PuzzleSaveTest, ASaveWithAWordOutOfRangeIsRefusedWhole) {
    Go("YU", 55);
    pz_actif = 9;
    ASSERT_TRUE(OrvSaveGame_Save(2));
    pz_actif = PZ_MAYA;
    std::memcpy(maya_plateau[0], "0000000000000001", 17);
    Go("IR", 42);
    EXPECT_FALSE(OrvSaveGame_Load(2));
    EXPECT_EQ(OrvWam_CurrentVue->id, 42u);
    EXPECT_EQ(pz_actif, PZ_MAYA);
    EXPECT_STREQ(maya_plateau[0], "0000000000000001");
    EXPECT_TRUE(Warned("pz_actif : 9 hors limites")) << Reports();
}
