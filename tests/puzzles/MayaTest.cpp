// The maya ball boards of YU 55, 64 and 75: the pot, the cells' rules, the targets and leaving a board.
#include <cstring>

#include "PuzzleFixture.h"
#include "puzzles/pz_maya.h"

namespace {
class MayaTest : public PuzzleTest {
protected:
    void SetUp() override {
        PuzzleTest::SetUp();
        for (const char* o : {"SPW_BASE5A", "SPW_BASE5B", "SPW_BASE5C", "PIERRE 1"}) names.objets.push_back(o);
        Names(names.variables, "resetmaya%d", 1, 3);
        const uint32_t views[] = {55, 64, 75};
        for (int b = 0; b < 3; b++) {
            WamVueDesc& v = View("YU", views[b]);
            for (uint32_t z = 1; z <= 20; z++) Zone(v, 50, z, "", -2.4f + 0.24f * float(z - 1));
            Zone(v, 1, 1, "", 2.6f);
            Element(2, std::string("SPW_BASE5") + char('A' + b), std::string("BAS") + char('A' + b), {Anim(1, views[b], 79)});
        }
        View("YU", 1);
        View("QU", 55);
        sounds = {"sound100.ksn", "sound101.ksn", "sound102.ksn"};
        Start();
    }
    void Zone50(uint32_t z) { Click(ZoneIndex(50, z)); }
    // Cell k holds n balls in board b (written straight into the saved string).
    static void Put(int b, int k, int n) { maya_plateau[b][15 - k] = char('0' + n); }
    // Balls on cell k of board 3.
    static int Balls(int k) { return maya_plateau[2][15 - k] - '0'; }
    static int HandSprite() {
        int n = -1;
        return OrvSpr_GetObjetEnMainSprite(&n) ? n : -1;
    }
};
}  // namespace

TEST_F(MayaTest, BoardOneIsSolvedWithFiveAndFourBallsOnItsFirstCells) {
    Go("YU", 55);
    EXPECT_EQ(pz_actif, PZ_MAYA);
    EXPECT_EQ(maya_etat[0], 1);
    // The pot counts 1, 2, 3, 4, then 0.
    std::vector<int32_t> hands;
    for (int i = 0; i < 5; i++) {
        Zone50(17);
        hands.push_back(nb_billes_en_main);
        EXPECT_EQ(HandSprite(), nb_billes_en_main - 1) << i;
    }
    EXPECT_EQ(hands, (std::vector<int32_t>{1, 2, 3, 4, 0}));
    EXPECT_TRUE(SoundLoaded("sound100.ksn"));
    EXPECT_FALSE(SoundLoaded("sound102.ksn")) << "loaded when first needed";
    Zone50(18);
    EXPECT_EQ(nb_billes_en_main, 5);
    Zone50(1);  // 5 balls on cell 0
    EXPECT_EQ(nb_billes_en_main, 0);
    for (int i = 0; i < 4; i++) Zone50(17);
    Zone50(2);  // 4 balls on cell 1, beside the full cell 0
    EXPECT_STREQ(maya_plateau[0], "0000000000000045");
    EXPECT_EQ(maya_etat[0], 2);
    EXPECT_EQ(Var("finmaya1"), 1);
    EXPECT_TRUE(SoundLoaded("sound101.ksn"));
    EXPECT_EQ(Frames("SPW_BASE5A"), (std::vector<int>{4, 8}));

    // Leaving keeps a solved board solved and ends the puzzle.
    Click(ZoneIndex(1, 1));
    EXPECT_EQ(OrvWam_CurrentVue->id, 1u);
    EXPECT_EQ(pz_actif, PZ_NONE);
    EXPECT_EQ(maya_etat[0], 2);
    EXPECT_EQ(Var("finmaya1"), 1);
    EXPECT_FALSE(SoundLoaded("sound100.ksn")) << "the board's sounds are freed";
    EXPECT_EQ(HandSprite(), -1);
}

TEST_F(MayaTest, CellsTakeAndLayByTheirNeighbours) {
    Put(1, 0, 2);
    Put(1, 1, 1);
    Put(1, 6, 5);
    Go("YU", 64);
    EXPECT_EQ(Frames("SPW_BASE5B"), (std::vector<int>{1, 5, 34}));
    auto hand = [](int n) {
        nb_billes_en_main = n;
        set_curseur_billes();
    };
    Zone50(1);  // cell 0 cannot be emptied while cell 1 holds balls
    EXPECT_EQ(nb_billes_en_main, 0);
    EXPECT_TRUE(SoundLoaded("sound102.ksn"));
    Zone50(2);  // cell 1: cell 2 is empty
    EXPECT_EQ(nb_billes_en_main, 1);
    EXPECT_EQ(maya_plateau[1][14], '0');
    hand(3);
    Zone50(1);  // laid on an occupied cell: they swap
    EXPECT_EQ(maya_plateau[1][15], '3');
    EXPECT_EQ(nb_billes_en_main, 2);
    hand(2);
    Zone50(3);  // column 2 needs a full left neighbour
    EXPECT_EQ(maya_plateau[1][13], '0');
    hand(5);
    Zone50(8);  // column 3 beside a full cell, but 5 balls in hand
    EXPECT_EQ(maya_plateau[1][8], '0');
    hand(4);
    Zone50(8);
    EXPECT_EQ(maya_plateau[1][8], '4');
    Zone50(7);  // cell 6 cannot be emptied now that cell 7 holds balls
    EXPECT_EQ(nb_billes_en_main, 0);
    EXPECT_EQ(maya_plateau[1][9], '5');
    hand(0);
    Zone50(8);
    EXPECT_EQ(nb_billes_en_main, 4) << "the last column is taken whatever lies beside";
    EXPECT_EQ(Frames("SPW_BASE5B"), (std::vector<int>{34, 2}));
    // The return gives back one ball, or empties a full hand.
    Zone50(19);
    EXPECT_EQ(nb_billes_en_main, 3);
    hand(5);
    Zone50(20);
    EXPECT_EQ(nb_billes_en_main, 0);
    // With an object in hand the board does nothing.
    Hold("PIERRE");
    Zone50(17);
    EXPECT_EQ(nb_billes_en_main, 0);
    EXPECT_EQ(maya_etat[1], 1);

    // Left unsolved: not entered any more, and not finished.
    Interp_WriteVar("finmaya2", 1);
    Inventaire_SetObjetEnMain_id(0);
    Click(ZoneIndex(1, 1));
    EXPECT_EQ(maya_etat[1], 0);
    EXPECT_EQ(Var("finmaya2"), 0);
}

TEST_F(MayaTest, TheLastColumnIgnoresTheCellAfterItUpToTheBoardsLastCell) {
    // Board 3: cell 3 ends its row beside a full cell 2 with balls on cell 4, the next row's first;
    // cell 15 ends the board beside a full cell 14.
    Put(2, 2, 5);
    Put(2, 3, 2);
    Put(2, 4, 3);
    Put(2, 14, 5);
    Put(2, 15, 1);
    Go("YU", 75);
    auto hand = [](int n) {
        nb_billes_en_main = n;
        set_curseur_billes();
    };
    for (int k : {3, 15}) {
        const int was = Balls(k);
        hand(0);
        Zone50(uint32_t(k + 1));
        EXPECT_EQ(nb_billes_en_main, was) << "taken from cell " << k;
        EXPECT_EQ(Balls(k), 0) << k;
        hand(4);
        Zone50(uint32_t(k + 1));
        EXPECT_EQ(Balls(k), 4) << "laid on cell " << k;
        EXPECT_EQ(nb_billes_en_main, 0) << k;
    }
    EXPECT_STREQ(maya_plateau[2], "4500000000034500");
    EXPECT_FALSE(SoundLoaded("sound102.ksn")) << "no move was refused";
}

TEST_F(MayaTest, AResetAsksForAnEmptyBoardAndABadHandIsFatal) {
    std::memcpy(maya_plateau[2], "0000155500350001", 17);
    Interp_WriteVar("resetmaya3", 1);
    Go("YU", 75);
    EXPECT_STREQ(maya_plateau[2], MAYA_VIDE);
    EXPECT_EQ(Var("resetmaya3"), 0);
    EXPECT_TRUE(Frames("SPW_BASE5C").empty());
    // A board at its target is not solved by the pot: only by a move of balls.
    std::memcpy(maya_plateau[2], "0000155500350001", 17);
    Zone50(17);
    EXPECT_EQ(maya_etat[2], 1);
    EXPECT_EQ(Var("finmaya3"), 0);
    // The pass of puzzle 7 keeps the cursor.
    nb_billes_en_main = 2;
    Pass();
    EXPECT_EQ(HandSprite(), 1);
    nb_billes_en_main = 6;
    Pass();
    ASSERT_FALSE(fatals.empty());
    EXPECT_NE(fatals.back().find("set_curseur_billes : nb_billes_en_main= 6 !"), std::string::npos);
    nb_billes_en_main = 0;
}

TEST_F(MayaTest, OnlyTheBoardsOwnViewIsLeft) {
    Go("YU", 55);
    Zone50(17);
    // View 55 of another world: a load or the exit there does not leave board 1.
    Go("QU", 55);
    pz_maya_check1();
    EXPECT_EQ(nb_billes_en_main, 1);
    EXPECT_EQ(pz_actif, PZ_MAYA);
    EXPECT_EQ(maya_etat[0], 0);
    Go("YU", 55);
    pz_maya_check1();
    EXPECT_EQ(nb_billes_en_main, 0);
    EXPECT_EQ(pz_actif, PZ_NONE);
}
