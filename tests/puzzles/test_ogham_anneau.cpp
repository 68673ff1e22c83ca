// The ogham stone of IR 6 and the engraved ring of CH 40 to 64: their frames, their rules, their saved words.
#include "ViewPuzzleTest.h"
#include "puzzles/pz_anneau.h"
#include "puzzles/pz_ogham.h"

namespace {
class OghamTest : public ViewPuzzleTest {
protected:
    uint32_t StartView() const override { return 6; }
    std::vector<std::string> StartCommands() const override {
        return {"(sacados=COUTEAU_AILILL)(OBJETENMAIN=COUTEAU_AILILL)"};
    }
    void Zone(uint32_t id) { ClickAt(PuzzleViews_OghamYaw(id)); }
    static std::vector<int> Stone() { return std::vector<int>(ogham_etat, ogham_etat + PZ_OGHAM_POSITIONS); }
    // The stone's frame list, its free entries left out.
    static std::vector<int> List() {
        const ST_spw_visible* s = Slot("OGHAM_SPRITE");
        std::vector<int> out;
        for (int i = 0; i < MAX_FRAME_TAB && s->frame_tab[i] != SPW_FRAME_FREE; i++)
            out.push_back(s->frame_tab[i] == SPW_FRAME_NONE ? -1 : s->frame_tab[i]);
        return out;
    }
    static std::vector<int> Solution() {
        return std::vector<int>(ogham_solution, ogham_solution + PZ_OGHAM_POSITIONS);
    }
};

class AnneauTest : public ViewPuzzleTest {
protected:
    uint32_t StartView() const override { return 40; }
    ST_spw_visible* Ring() { return Slot("ANNEAU_GRAVE"); }
    // A click on the turtle; the pass that takes it may already turn the ring one frame.
    void Left() { Click(-kQuarter); }
    void Right() { Click(kQuarter); }
    void Click(float yaw) {
        if (anneau_pas == 0) from_ = Ring()->frame;
        ClickAt(yaw);
    }
    // The ring's frames since the click, until the turn ends.
    std::vector<int> Turn() {
        std::vector<int> frames;
        int last = from_;
        for (int i = 0; i < 200; i++) {
            if (Ring()->frame != last) frames.push_back(last = Ring()->frame);
            if (anneau_pas == 0) break;
            Pass();
        }
        return frames;
    }
    int from_ = 0;
};
}  // namespace

TEST_F(OghamTest, EntryListsEveryPositionInOrder) {
    std::vector<int> carved;
    for (int p = 0; p < PZ_OGHAM_POSITIONS; p++) carved.push_back(4 * p + 2);
    EXPECT_EQ(List(), carved);
    // Whatever the list held, the entry lists the stone again, an empty position drawing nothing.
    const int32_t stone = DefName_GetIdName(DEFNAME_OBJETS, "OGHAM_SPRITE");
    AddSpwToFrameTab(stone, WAM_OBJET, 3);
    ogham_etat[4] = -1;
    pz_ogham_entree();
    carved[4] = -1;
    EXPECT_EQ(List(), carved);
    // A loaded stone whose row starts empty: its strokes take shapes of their own positions.
    ogham_etat[5] = -1;
    ASSERT_TRUE(OrvWarp_start());
    Zone(17);
    EXPECT_EQ(ogham_etat[6], 24);
    EXPECT_EQ(ogham_etat[9], 36);
}

TEST_F(OghamTest, TheSolutionIsCarvedAndChecked) {
    // Without the knife in hand the stone does not answer.
    Interp_SetEngineVar(IV_OBJETENMAIN, 0);
    Zone(5);
    EXPECT_TRUE(Commands().empty());
    Interp_SetEngineVar(IV_OBJETENMAIN, DefName_GetIdName(DEFNAME_OBJETS, "COUTEAU_AILILL"));

    for (uint32_t z : {5u, 4u, 3u, 16u, 16u, 17u}) Zone(z);
    const std::vector<int> saved = Stone();
    EXPECT_EQ(saved, (std::vector<int>{0, 4, -1, -1, -1, 23, 27, 31, 35, 39, 42, 46, 50, 54, 58}));
    ASSERT_TRUE(OrvSaveGame_Save(3));
    Zone(15);
    Zone(99);  // a wrong stone only sounds
    EXPECT_EQ(Var("FINOGHAM"), 0);
    ASSERT_TRUE(OrvSaveGame_Load(3));
    EXPECT_EQ(Stone(), saved);
    EXPECT_EQ(List(), saved);
    for (uint32_t z : {15u, 14u, 13u, 12u, 11u, 99u}) Zone(z);
    EXPECT_EQ(Stone(), Solution());
    EXPECT_EQ(List(), Solution());
    EXPECT_EQ(Var("FINOGHAM"), 1);
    EXPECT_EQ(Commands(), std::vector<std::string>(14, "NewSound=4"));
}

TEST_F(OghamTest, StrokesRunFromTheStartOfTheirRow) {
    std::vector<int> stone = Stone();
    // A middle stroke with one after it stays; a row's first stroke stays while the next is carved.
    for (uint32_t z : {2u, 1u, 9u}) Zone(z);
    EXPECT_EQ(Stone(), stone);
    EXPECT_EQ(Commands().size(), 3u);
    // The row's shape turns 2, 3, 0, 1, 2 for all its strokes.
    for (int shape : {3, 0, 1, 2}) {
        Zone(16);
        for (int p = 0; p < 5; p++) EXPECT_EQ(ogham_etat[p], 4 * p + shape) << p;
    }
    // A cut and a new carving write their own entry of the list: the others keep their places.
    Zone(5);
    EXPECT_EQ(ogham_etat[4], -1);
    stone[4] = -1;
    EXPECT_EQ(List(), stone);
    Zone(17);
    Zone(5);
    stone = Stone();
    EXPECT_EQ(ogham_etat[4], 18);
    EXPECT_EQ(List(), stone);
    // An empty row: its first position is carved in shape 2, the next one follows its shape.
    for (uint32_t z : {15u, 14u, 13u, 12u, 11u}) Zone(z);
    for (int p = 10; p < 15; p++) EXPECT_EQ(ogham_etat[p], -1);
    Zone(18);  // no stroke: nothing turns
    Zone(13);  // not at the end of the row: nothing
    for (int p = 10; p < 15; p++) EXPECT_EQ(ogham_etat[p], -1);
    Zone(11);
    Zone(12);
    EXPECT_EQ(ogham_etat[10], 42);
    EXPECT_EQ(ogham_etat[11], 46);
    Zone(11);  // the first stroke cannot go before the second
    EXPECT_EQ(ogham_etat[10], 42);
    Zone(12);
    Zone(12);
    EXPECT_EQ(ogham_etat[11], 46);
    Zone(12);  // the carving again, then the cut
    EXPECT_EQ(ogham_etat[11], -1);

    // A zone outside the stone's only sounds; a zone without id does nothing; no stone, no sound.
    const size_t sounds = Commands().size();
    ST_wam_zclic other{3, 50, "", 0, nullptr, nullptr};
    pz_oghamgereclic(&other);
    EXPECT_EQ(Commands().size(), sounds + 1);
    other.numero = 0;
    pz_oghamgereclic(&other);
    EXPECT_EQ(Commands().size(), sounds + 1);
    GoTo(7);
    other.numero = 3;
    pz_oghamgereclic(&other);
    EXPECT_TRUE(Reported("pz_oghamgereclic ID introuvable :13"));
    EXPECT_EQ(Commands().size(), sounds + 1);
}

TEST_F(OghamTest, ASaveWithAStrokeOfAnotherPositionIsRefused) {
    Zone(5);
    ASSERT_TRUE(OrvSaveGame_Save(4));
    const std::vector<int> good = Stone();
    ogham_etat[3] = 0;  // the frame of position 0
    ASSERT_TRUE(OrvSaveGame_Save(5));
    ogham_etat[3] = 14;
    Zone(4);
    const std::vector<int> now = Stone();
    EXPECT_FALSE(OrvSaveGame_Load(5));
    EXPECT_TRUE(Reported("trait d'ogham"));
    EXPECT_EQ(Stone(), now);
    EXPECT_TRUE(OrvSaveGame_Load(4));
    EXPECT_EQ(Stone(), good);
}

TEST_F(AnneauTest, TheTurtleTurnsTheRingFrameByFrame) {
    EXPECT_EQ(pz_actif, PZ_ANNEAU);
    EXPECT_EQ(Ring()->playing, 0);
    EXPECT_EQ(Ring()->shown, 1);
    EXPECT_EQ(Ring()->frame, 0);
    // From frame 0 the left turn is 9 frames; one sound, and clicks while it turns do nothing.
    Left();
    EXPECT_EQ(anneau_pas + Ring()->frame, 9);
    Left();
    Right();
    EXPECT_EQ(Commands(), std::vector<std::string>{"NewSound=218"});
    EXPECT_EQ(Turn(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(anneau_frame, 9);
    // From frame 9 the right turn is 9 frames back to 0.
    Right();
    EXPECT_EQ(anneau_pas - (Ring()->frame - 9), -9);
    EXPECT_EQ(Turn(), (std::vector<int>{8, 7, 6, 5, 4, 3, 2, 1, 0}));
    // From frame 0 the right turn wraps to the last frame and goes on 10 steps.
    Right();
    EXPECT_EQ(Turn(), (std::vector<int>{19, 18, 17, 16, 15, 14, 13, 12, 11, 10}));
    // A forward step from the last frame lands on 0 and counts.
    Left();
    EXPECT_EQ(anneau_pas + (Ring()->frame - 10), 10);
    EXPECT_EQ(Turn(), (std::vector<int>{11, 12, 13, 14, 15, 16, 17, 18, 19, 0}));
    EXPECT_EQ(anneau_frame, 0);
    EXPECT_EQ(Commands().size(), 4u);
}

TEST_F(AnneauTest, TheRingStepsOnItsOwnFrameFlag) {
    frame_timer_stop();
    NewFrameFlags = 0;
    Left();
    Passes(20);
    EXPECT_EQ(Ring()->frame, 0);
    // The main loop's flag is not the ring's.
    NewFrameFlags |= NEWFRAME_MAIN;
    NewFrameFlags &= ~NEWFRAME_PUZZLE;
    Pass();
    EXPECT_EQ(anneau_pas, 9);
    NewFrameFlags |= NEWFRAME_PUZZLE;
    Pass();
    EXPECT_EQ(anneau_pas, 8);
    EXPECT_EQ(Ring()->frame, 1);
    EXPECT_EQ(NewFrameFlags & NEWFRAME_PUZZLE, 0u);
    Pass();
    EXPECT_EQ(anneau_pas, 8);
}

TEST_F(AnneauTest, TheRingKeepsItsPlaceAcrossViews) {
    Left();
    Turn();
    EXPECT_EQ(anneau_frame, 9);
    // The other view of the range shows the ring where it stopped.
    ClickAt(2 * kQuarter - 0.3f);
    Pass();
    ASSERT_TRUE(pz_vue_is("CH", 41));
    EXPECT_EQ(pz_actif, PZ_ANNEAU);
    EXPECT_EQ(Ring()->frame, 9);
    // Out of the range the puzzle ends; a new visit starts at frame 0.
    GoTo(40);
    ClickAt(2 * kQuarter + 0.3f);
    Pass();
    ASSERT_TRUE(pz_vue_is("CH", 65));
    EXPECT_EQ(pz_actif, PZ_NONE);
    GoTo(40);
    EXPECT_EQ(Ring()->frame, 0);
    EXPECT_EQ(anneau_frame, 0);
    // A saved frame the sprite lacks is not written to it.
    pz_actif = PZ_ANNEAU;
    anneau_frame = PUZZLE_RING_FRAMES + 5;
    Ring()->frame = 3;
    ASSERT_TRUE(OrvWarp_start());
    EXPECT_EQ(Ring()->frame, 0);
    // A turn count out of its range refuses the save.
    anneau_pas = 11;
    ASSERT_TRUE(OrvSaveGame_Save(7));
    anneau_pas = 0;
    EXPECT_FALSE(OrvSaveGame_Load(7));
    EXPECT_TRUE(Reported("anneau_pas"));
}
