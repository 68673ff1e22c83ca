// The mandalas of TI 10, the fireflies of SH 1 and their hand-over, the exit log; the dowsing rod.
#include <cmath>

#include "ViewPuzzleTest.h"
#include "puzzles/pz_mandala.h"
#include "testdata/DemoWorld.h"

namespace {
// The mandalas by their order variable's number, and the yaw of their zones in TI 10.
const char* const kMandalas[7] = {"", "MANDALA_BATEAU_IR", "MANDALA_BATEAU_CH", "MANDALA_BATEAU_YU",
                                  "MANDALA_IRLANDE", "MANDALA_CHINE", "MANDALA_YUCATAN"};
float MandalaYaw(int m) {
    static const float u[7] = {0, -0.6f, -0.3f, 0.0f, 0.3f, 0.6f, 0};
    return m == 6 ? kQuarter : std::atan(u[m]);
}
// The firefly zones of SH 1 (ids 1 to 6) and its zone to a view no file has.
float FireflyYaw(uint32_t n) { return n == 6 ? kQuarter : n == PUZZLE_VUE_ABSENTE ? -kQuarter : std::atan(float(int(n) - 3) * 0.3f); }

class MandalaTest : public ViewPuzzleTest {
protected:
    uint32_t StartView() const override { return 10; }
    std::vector<std::string> StartCommands() const override {
        std::string bag;
        for (int m = 1; m <= 6; m++) bag += std::string("(sacados=") + kMandalas[m] + ")";
        return {bag};
    }
    void Lay(int mandala, int zoneOf) {
        Interp_SetEngineVar(IV_OBJETENMAIN, DefName_GetIdName(DEFNAME_OBJETS, kMandalas[mandala]));
        ClickAt(MandalaYaw(zoneOf));
    }
    int32_t Order(int m) { return Var(("OrdreMandala" + std::to_string(m)).c_str()); }
    // Through the link of TI 10 to SH 1 of "voiles.wam".
    void ToTheSails() {
        ClickAt(2 * kQuarter);
        Pass();
        ASSERT_TRUE(pz_vue_is("SH", 1));
        ASSERT_STRCASEEQ(OrvWam_GetName(), PUZZLE_WAM_VOILES);
    }
    void Firefly(uint32_t n) {
        ClickAt(FireflyYaw(n));
        Pass();
    }
};

class BatonTest : public ViewPuzzleTest {
protected:
    uint32_t StartView() const override { return 7; }
    std::vector<std::string> StartCommands() const override { return {"(sacados=BATON_SOURCE)(NEARW77=3)"}; }
    // Opens the inventory with the right button and chooses the rod's cell (the bag's first).
    void RaiseFromTheInventory() {
        InjectClick(MOUSE_RIGHT);
        Pass();
        ASSERT_TRUE(Inventaire_Shown);
        const InventaireGrid g = Inventaire_GetGrid(Inventaire_NbObjets, 640, 480);
        MoveMouseTo(g.x0 + g.cellWidth / 2, g.y0 + g.cellHeight / 2);
        Pass(true);
        MoveMouseTo(5, 5);
        Pass(true);
        ASSERT_FALSE(Inventaire_Shown);
    }
    // The sprite of the rod drawn by the last pass, from its colour; -1 when none.
    int32_t RodSprite() {
        for (int n = 0; n < PUZZLE_BATON_SPRITES; n++)
            if (Pixel(330, 250) == Packed(PuzzleViews_BatonColour(n))) return n;
        return -1;
    }
    std::vector<int32_t> Swing(int passes) {
        std::vector<int32_t> drawn;
        for (int i = 0; i < passes; i++) {
            Pass();
            drawn.push_back(RodSprite());
        }
        return drawn;
    }
};
}  // namespace

TEST_F(MandalaTest, LaidMandalasAreCountedInTheirOrder) {
    Lay(4, 4);
    EXPECT_EQ(Var("NbMandalaPosed"), 1);
    EXPECT_EQ(Order(4), 1);
    EXPECT_EQ(Commands(), std::vector<std::string>{"NewSound=400"});
    EXPECT_EQ(Interp_Flags[30], 1);  // the scenario had the click too
    // A mandala on another's zone is nothing; the same one laid again counts again.
    Lay(5, 4);
    EXPECT_EQ(Var("NbMandalaPosed"), 1);
    Lay(4, 4);
    EXPECT_EQ(Var("NbMandalaPosed"), 2);
    EXPECT_EQ(Order(4), 2);
    EXPECT_EQ(Commands().size(), 2u);
}

TEST_F(MandalaTest, TheSixthFireflyOfTheSixthMandalaSolvesAndHandsOver) {
    // Laid in the order 2, 1, 3, 5, 4, 6: the yucatan mandala is the sixth.
    for (int m : {2, 1, 3, 5, 4, 6}) Lay(m, m);
    EXPECT_EQ(Order(6), 6);
    EXPECT_EQ(Order(2), 1);
    // A move to a view missing from another file hands nothing over.
    SetVar("Puzzle_Lucioles_Fini", 1);
    ClickAt(-kQuarter);
    Pass();
    EXPECT_EQ(Var("Puzzle_Lucioles_AutoWin"), 0);
    SetVar("Puzzle_Lucioles_Fini", 0);
    ToTheSails();
    Commands().clear();

    // Five fireflies in any order, one of them twice; a zone that is no firefly counts nothing.
    for (uint32_t n : {3u, 1u, 1u, 5u}) Firefly(n);
    EXPECT_EQ(Var("NbLucioleAllumed"), 4);
    Firefly(PUZZLE_VUE_ABSENTE);
    EXPECT_TRUE(Reported("pz_lucioles_gere_clic(): zone_clicked->numero=99"));
    EXPECT_EQ(Var("NbLucioleAllumed"), 4);
    EXPECT_EQ(Var("Puzzle_Lucioles_AutoWin"), 0);
    Firefly(2);
    EXPECT_EQ(Var("Puzzle_Lucioles_Fini"), 0);
    EXPECT_EQ(Commands(), std::vector<std::string>(6, "NewSound=300"));
    // The sixth firefly is the yucatan mandala's: solved, and its move finds no view, which hands
    // the solution over with the normal field of view.
    SetVar("NbLucioleAllumed", 5);
    OrvWarp_ZoomStart(1);
    OrvWarp_ZoomStep();
    ASSERT_GT(OrvWarp_GetFieldOfView(), WARP_FOV);
    OrvWarp_MouseLookSpeeds = {0.01f, 0.0f};
    Look(FireflyYaw(6));
    OrvWarp_MouseLookSpeeds = {0.01f, 0.0f};
    Pass(true);
    EXPECT_EQ(Var("NbLucioleAllumed"), 6);
    EXPECT_EQ(Var("Puzzle_Lucioles_Fini"), 1);
    EXPECT_EQ(Var("Puzzle_Lucioles_AutoWin"), 1);
    EXPECT_EQ(Interp_Flags[20], 1);
    EXPECT_EQ(OrvWarp_GetFieldOfView(), WARP_FOV);
    EXPECT_EQ(OrvWarp_MouseLookSpeeds.yaw, 0.0f);
    EXPECT_TRUE(pz_vue_is("SH", 1));
}

TEST_F(MandalaTest, OnlyTheSixthFireflyCounts) {
    for (int m : {6, 1, 2, 3, 4, 5}) Lay(m, m);
    ToTheSails();
    // Firefly 6 (the yucatan mandala, laid first) lit sixth does not solve it.
    for (uint32_t n : {1u, 2u, 3u, 4u, 5u, 6u}) Firefly(n);
    EXPECT_EQ(Var("NbLucioleAllumed"), 6);
    EXPECT_EQ(Var("Puzzle_Lucioles_Fini"), 0);
    // Firefly 4 is the chinese mandala's, laid sixth, but it comes seventh.
    Firefly(4);
    EXPECT_EQ(Var("Puzzle_Lucioles_Fini"), 0);
    // The link back to the other file is no firefly.
    const size_t sounds = Commands().size();
    ClickAt(2 * kQuarter);
    EXPECT_EQ(Var("NbLucioleAllumed"), 7);
    EXPECT_EQ(Commands().size(), sounds);
}

TEST_F(MandalaTest, EachFireflyLitSixthSolvesWhenItsMandalaWasLaidSixth) {
    ToTheSails();
    // Firefly zone n belongs to mandala kOwn[n].
    const int kOwn[7] = {0, 4, 1, 2, 5, 3, 6};
    for (uint32_t sixth = 1; sixth <= 6; sixth++) {
        // Firefly `sixth`'s mandala laid sixth, the others first to fifth.
        for (int m = 1, order = 1; m <= 6; m++)
            SetVar(("OrdreMandala" + std::to_string(m)).c_str(), m == kOwn[sixth] ? 6 : order++);
        for (uint32_t lit = 1; lit <= 6; lit++) {
            SetVar("NbLucioleAllumed", 5);
            SetVar("Puzzle_Lucioles_Fini", 0);
            Firefly(lit);
            EXPECT_EQ(Var("NbLucioleAllumed"), 6);
            EXPECT_EQ(Var("Puzzle_Lucioles_Fini"), lit == sixth ? 1 : 0) << "firefly " << lit << " lit sixth, mandala "
                                                                          << kOwn[sixth] << " laid sixth";
            // Lit fifth, the firefly of the mandala laid fifth is no solution.
            if (Var(("OrdreMandala" + std::to_string(kOwn[lit])).c_str()) != 5) continue;
            SetVar("NbLucioleAllumed", 4);
            SetVar("Puzzle_Lucioles_Fini", 0);
            Firefly(lit);
            EXPECT_EQ(Var("Puzzle_Lucioles_Fini"), 0) << "firefly " << lit << " lit fifth";
        }
    }
    EXPECT_TRUE(pz_vue_is("SH", 1));
}

TEST(MandalaNames, AGameWithoutThePuzzlesNamesIsLeftAlone) {
    TempDir dir;
    debug_log_open((dir / "quillmar2.log").c_str());
    int fatals = 0;
    OrvError_ResetForTests();
    OrvError_SetQuitHook([](int) { OrvError_ResetForTests(); });
    DebugOut().SetHook([&](const std::string& l) { fatals += l.rfind("ERREUR", 0) == 0; });
    pz_mandala_log_solution();
    ASSERT_TRUE(DefName_LoadText(DefNames_Make(DemoWorld_DefNames()), "demo"));
    Interp_Init();
    pz_mandala_log_solution();
    EXPECT_FALSE(pz_baton_choose(1));
    Interp_Free();
    DefName_Free();
    DebugOut().ResetHook();
    OrvError_SetQuitHook(nullptr);
    debug_log_open("");
    EXPECT_EQ(fatals, 0);
    EXPECT_EQ(ReadFileText(dir / "quillmar2.log").find("Solution Mandalas"), std::string::npos);
}

TEST_F(BatonTest, TheRodIsRaisedFromTheInventoryAndSwings) {
    RaiseFromTheInventory();
    EXPECT_EQ(baton_up, 1);
    EXPECT_NE(baton_SprBank, nullptr);
    EXPECT_EQ(Var("SOURCIER"), 1);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);
    // It swings over sprites 0 to NEARW77 - 1, the ends drawn twice.
    baton_SprNum = 0;
    baton_step = 1;
    EXPECT_EQ(Swing(8), (std::vector<int32_t>{0, 1, 2, 2, 1, 0, 0, 1}));
    SetVar("NEARW77", 1);
    baton_SprNum = 0;
    EXPECT_EQ(Swing(3), (std::vector<int32_t>{0, 0, 0}));
    // Lowered under the sprite going up, it climbs past the bank, starts again at 0 and keeps the new range.
    SetVar("NEARW77", 4);
    baton_SprNum = 1;
    baton_step = 1;
    EXPECT_EQ(Swing(1), std::vector<int32_t>{1});
    SetVar("NEARW77", 1);
    EXPECT_EQ(Swing(6), (std::vector<int32_t>{2, 3, 4, 0, 0, 0}));
    EXPECT_TRUE(Reported("BatonUp():baton_SprNum=5"));
    // Chosen again while up, the rod goes into the hand like any object.
    EXPECT_FALSE(pz_baton_choose(DefName_GetIdName(DEFNAME_OBJETS, "BATON_SOURCE")));
    // Opening the inventory puts it down.
    InjectClick(MOUSE_RIGHT);
    Pass();
    EXPECT_EQ(baton_up, 0);
    EXPECT_EQ(baton_SprBank, nullptr);
    EXPECT_EQ(Var("SOURCIER"), 0);
}

TEST_F(BatonTest, TheSpringPutsItDownAndAMissingBankDrawsNothing) {
    RaiseFromTheInventory();
    Interp_SetEngineVar(IV_OBJETENMAIN, DefName_GetIdName(DEFNAME_OBJETS, "BATON_SOURCE"));
    ClickAt(0);  // the spring's zone sets NEARW77 to 0
    EXPECT_EQ(Var("NEARW77"), 0);
    Pass();
    EXPECT_EQ(baton_up, 0);
    EXPECT_EQ(baton_SprBank, nullptr);
    EXPECT_EQ(Var("SOURCIER"), 0);
    EXPECT_EQ(Interp_GetEngineVar(IV_OBJETENMAIN), 0);
    EXPECT_EQ(RodSprite(), -1);

    // Without its bank the rod still swings, draws nothing and says so once.
    std::filesystem::remove(dir / "spr/baton.spr");
    SetVar("NEARW77", 3);
    RaiseFromTheInventory();
    EXPECT_EQ(baton_up, 1);
    EXPECT_EQ(baton_SprBank, nullptr);
    std::vector<int32_t> numbers;
    for (int i = 0; i < 6; i++) {
        Pass();
        EXPECT_EQ(RodSprite(), -1);
        numbers.push_back(baton_SprNum);
    }
    EXPECT_TRUE(std::all_of(numbers.begin(), numbers.end(), [](int32_t n) { return n >= 0 && n <= 2; }));
    EXPECT_NE(std::count(numbers.begin(), numbers.end(), numbers[0]), 6);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("baton.spr absent") != std::string::npos; }), 1);
}
