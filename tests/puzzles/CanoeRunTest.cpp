// The canoe puzzle played through the game's main loop: from view 402 to the won river, and the ways
// it stops, ends or fails to start.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "app/Orv_Mem.h"
#include "tests/puzzles/CanoeFixture.h"

namespace fs = std::filesystem;

namespace {

using CanoeRun = CanoeTest;

// Every file under a directory with its size.
std::map<std::string, uintmax_t> Files(const std::string& dir) {
    std::map<std::string, uintmax_t> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) out[e.path().string()] = e.file_size();
    return out;
}

// The points of a piece, by name.
std::vector<CTVector3> PiecePoints(int32_t piece) {
    std::vector<std::pair<std::string, CTVector3>> named;
    for (int32_t i = 0; i < nb_points_trajet; i++)
        if (pirogue_trajet[i].name[1] == char('1' + piece))
            named.push_back({std::string(pirogue_trajet[i].name, strnlen(pirogue_trajet[i].name, 8)), pirogue_point(i)});
    std::sort(named.begin(), named.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CTVector3> out;
    for (const auto& n : named) out.push_back(n.second);
    return out;
}

TEST_F(CanoeRun, SolvedByClicksTheRiverIsWon) {
    Start();
    const MemStats before = mem_stats();
    const int kept = (zbuffer_sol.pixels ? 0 : 1) + (fond_pirogue.pixels ? 0 : 1);
    ASSERT_TRUE(StartCanoe()) << Reports();
    EXPECT_EQ(pz_pirogue_en_cours, 1);
    EXPECT_EQ(pz_pirogue_old_looptype, LOOP_WARP);
    EXPECT_EQ(Count("TRACE=clic"), 1);
    EXPECT_EQ(Interp_Flags[103], 1);
    EXPECT_EQ(Codes(), (std::vector<int32_t>{12, 9, 6, 22, 25, 3, 28, 19, 32}));
    EXPECT_EQ(OrvWarp_Cursor.x, 320);
    EXPECT_EQ(OrvWarp_Cursor.y, 240);
    Pass();
    Solve();
    ClickCell(PIROGUE_FIXED_CELL);
    EXPECT_EQ(pirogue_en_marche, 1);
    EXPECT_LT(Paddle(), 2000);
    EXPECT_EQ(LoopType, LOOP_WARP);
    EXPECT_EQ(pz_pirogue_en_cours, 0);
    EXPECT_EQ(Interp_ReadVar("finpirogue"), 1);
    EXPECT_EQ(Interp_ReadVar("Pirogue_JustFinished"), 1);
    EXPECT_EQ(Count("TRACE=fin"), 1);
    EXPECT_EQ(Sounds(), (std::vector<std::string>{"107", "108", "109", "106", "107", "108", "109"}));
    // The screen gave back what it held but its background and ground depth surfaces.
    EXPECT_EQ(pirogue_bank_sol, nullptr);
    EXPECT_EQ(p_zbufTR, nullptr);
    EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks + kept);
    EXPECT_EQ(zbuffer_sol.width * zbuffer_sol.height, 640 * 480);
    EXPECT_EQ(OrvSpr_get_curseur_bank(), nullptr);
    // The panorama goes on.
    Pass();
    EXPECT_EQ(View(), DEMO_CANOE_VIEW);
    EXPECT_EQ(Reports(), "");
}

TEST_F(CanoeRun, TheDemosRiverLeadsPastItToItsMessage) {
    StartDemo();
    OrvWarp_SetViewAngles(3.14159265f / 2, 0.0f);
    Click();
    Pass();
    ASSERT_EQ(View(), DEMO_CANOE_VIEW) << Reports();
    // The board's rules greet the arrival.
    Pass();
    OrvMsg_Close();
    ASSERT_TRUE(StartCanoe()) << Reports();
    Solve();
    ClickCell(PIROGUE_FIXED_CELL);
    Paddle();
    EXPECT_EQ(Interp_ReadVar("finpirogue"), 1);
    EXPECT_EQ(LoopType, LOOP_WARP);
    // The jump at the end of the panorama's pass, the arrival's blocks in the next.
    Passes(2);
    EXPECT_EQ(View(), DEMO_CANOE_AFTER);
    EXPECT_TRUE(OrvMsg_IsActive());
    EXPECT_EQ(OrvMsg_Current(), DEMO_CANOE_MESSAGE);
}

TEST_F(CanoeRun, AWinAfterAFirstOneRunsNoScenarioPass) {
    Start();
    Interp_WriteVar("Pirogue_JustFinished", 1);
    ASSERT_TRUE(StartCanoe());
    Solve();
    ClickCell(PIROGUE_FIXED_CELL);
    Paddle();
    EXPECT_EQ(LoopType, LOOP_WARP);
    EXPECT_EQ(Interp_ReadVar("finpirogue"), 1);
    EXPECT_EQ(Count("TRACE=fin"), 0);
}

class CanoeEnd : public CanoeTest, public ::testing::WithParamInterface<bool> {
protected:
    // Piece 0 turned once where piece 2 lay, piece 2 turned three times where piece 0 lay: the river
    // joins as before but the canoe takes the stones of pieces 0 and 2 the other way round.
    void SwapTheCorners() {
        ClickCell(0);
        ClickCell(2);
        ClickCell(2, MOUSE_RIGHT);
        for (int k = 0; k < 3; k++) ClickCell(0, MOUSE_RIGHT);
    }
};

TEST_P(CanoeEnd, StonesOutOfOrderStopTheCanoeAtTheRiversEnd) {
    CanoeSceneOptions options;
    options.river.endAtLast = GetParam();
    Start(options);
    ASSERT_TRUE(StartCanoe());
    Solve();
    SwapTheCorners();
    EXPECT_EQ(Codes(), (std::vector<int32_t>{11, 4, 1, 12, 16, 20, 24, 28, 32}));
    ClickCell(PIROGUE_FIXED_CELL);
    Paddle();
    EXPECT_EQ(LoopType, LOOP_PIROGUE);
    EXPECT_EQ(pirogue_en_marche, 0);
    EXPECT_EQ(pirogue_finie, 0);
    EXPECT_EQ(nb_pierres_prises, 7);
    EXPECT_EQ(nb_pierres_ordre, 5);
    EXPECT_TRUE(pirogue_nom_est(pirogue_trajet[index_trajet + 1], "W9A279"));
    EXPECT_EQ(index_trajet + (GetParam() ? 3 : 4), nb_points_trajet);
    EXPECT_EQ(current_anim_perso, &pirogue_anims[PIROGUE_C1]);
    Passes(20);
    EXPECT_EQ(LoopType, LOOP_PIROGUE);
    Key(DIK_ESCAPE);
    EXPECT_EQ(LoopType, LOOP_WARP);
    EXPECT_EQ(Interp_ReadVar("finpirogue"), 0);
    EXPECT_EQ(Count("TRACE=fin"), 0);
    EXPECT_EQ(Reports(), "");
}

INSTANTIATE_TEST_SUITE_P(Ends, CanoeEnd, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "JustBeforeTheLast" : "Inside"; });

TEST_F(CanoeRun, AGapStopsTheCanoeWhereTheRiverBreaks) {
    Start();
    ASSERT_TRUE(StartCanoe());
    // The shuffled board: the start's stretch leads nowhere.
    ClickCell(PIROGUE_FIXED_CELL);
    EXPECT_EQ(pirogue_en_marche, 1);
    const int n = Paddle();
    EXPECT_GT(n, 10);
    EXPECT_EQ(pirogue_en_marche, 0);
    EXPECT_EQ(pirogue_trajet[index_trajet + 2].gap, 1);
    EXPECT_TRUE(pirogue_lettre(index_trajet + 1) == 'S' || pirogue_lettre(index_trajet + 1) == 'E');
    EXPECT_EQ(LoopType, LOOP_PIROGUE);
    // Any move on the board sends the canoe back to the start.
    ClickCell(4, MOUSE_RIGHT);
    EXPECT_EQ(index_trajet, 0);
    const CTVector3 at = current_anim_perso->db.root.GetPosition(nullptr);
    EXPECT_EQ(at.x, pirogue_trajet[0].x);
    EXPECT_EQ(at.y, pirogue_trajet[0].y);
}

TEST_F(CanoeRun, ClicksOnTheFixedPieceAndOutsideTheBoard) {
    Start();
    ASSERT_TRUE(StartCanoe());
    const std::vector<int32_t> shuffled = Codes();
    // A right click turns nothing on the fixed piece or off the board.
    ClickCell(PIROGUE_FIXED_CELL, MOUSE_RIGHT);
    ClickAt(630, 20, MOUSE_RIGHT);
    EXPECT_EQ(Codes(), shuffled);
    // Carrying: a right click turns the piece in hand and its points, wherever the cursor is.
    ClickCell(1);
    EXPECT_EQ(piece_en_main, 9);
    EXPECT_EQ(pirogue_plateau[1].code, -1);
    EXPECT_EQ(pirogue_ancre_x, pirogue_plateau[1].x + PIROGUE_ANCRE_X);
    const std::vector<CTVector3> carried = PiecePoints(2), under = PiecePoints(0);
    ClickCell(5, MOUSE_RIGHT);
    EXPECT_EQ(piece_en_main, 10);
    EXPECT_EQ(pirogue_plateau[5].code, shuffled[5]);
    EXPECT_NE(PiecePoints(2)[0].x, carried[0].x);
    EXPECT_EQ(PiecePoints(0)[0].x, under[0].x);
    // Off the board the piece goes back to its cell; its sprite stays the cursor's.
    ClickAt(630, 20);
    EXPECT_EQ(piece_en_main, -1);
    EXPECT_EQ(pirogue_plateau[1].code, 10);
    EXPECT_EQ(OrvSpr_get_curseur_bank(), pirogue_bank_sol);
    // On the fixed piece a carried piece goes back and the canoe sets off in the same click.
    ClickCell(4);
    ClickCell(PIROGUE_FIXED_CELL);
    EXPECT_EQ(piece_en_main, -1);
    EXPECT_EQ(pirogue_plateau[4].code, shuffled[4]);
    EXPECT_EQ(pirogue_en_marche, 1);
    Passes(5);
    // Picking a piece up sends the canoe back to the start.
    ClickCell(0);
    EXPECT_EQ(pirogue_en_marche, 0);
    EXPECT_EQ(current_anim_perso->db.root.GetPosition(nullptr).x, pirogue_trajet[0].x);
    EXPECT_EQ(OrvSpr_get_curseur_bank(), pirogue_bank_sol);
    ClickCell(0);
    EXPECT_EQ(OrvSpr_get_curseur_bank(), Interface_GetBank());
    EXPECT_EQ(Reports(), "");
}

TEST_F(CanoeRun, EscapeEndsThePuzzleWhileTheCanoeMoves) {
    Start();
    Interp_WriteVar("finpirogue", 5);
    ASSERT_TRUE(StartCanoe());
    Solve();
    ClickCell(PIROGUE_FIXED_CELL);
    Passes(100);
    ASSERT_EQ(pirogue_en_marche, 1);
    Key(DIK_ESCAPE);
    EXPECT_EQ(LoopType, LOOP_WARP);
    EXPECT_EQ(pz_pirogue_en_cours, 0);
    EXPECT_EQ(pirogue_initialise, 0);
    EXPECT_EQ(Interp_ReadVar("finpirogue"), 5);
    EXPECT_EQ(KeyboardState.lastKey, 0);
    // The panorama does not open the menus for that key.
    Pass();
    EXPECT_EQ(LoopType, LOOP_WARP);
}

// On an 800-wide screen: what a failed start leaves.
struct Failure {
    const char* name;
    CanoeSceneOptions options;
    const char* warning;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << f.name; }

class CanoeFailure : public CanoeTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(CanoeFailure, AFailedStartLeavesTheViewAsItWas) {
    Start(GetParam().options, 800);
    const int width = OrvDisplay_GetRenderWidth(), zw = Orv3D_zbuf.width, zh = Orv3D_zbuf.height;
    ASSERT_EQ(width, 800);
    const MemStats before = mem_stats();
    const bool groundBefore = zbuffer_sol.pixels != nullptr;
    EXPECT_FALSE(StartCanoe());
    EXPECT_EQ(LoopType, LOOP_WARP);
    EXPECT_EQ(pz_pirogue_en_cours, 0);
    EXPECT_EQ(OrvDisplay_GetRenderWidth(), width);
    EXPECT_EQ(Orv3D_zbuf.width, zw);
    EXPECT_EQ(Orv3D_zbuf.height, zh);
    EXPECT_EQ(Orv3D_zbuf2.width, zw);
    // Nothing stays but the ground z-buffer surface, which a start past the depth rectangles creates.
    EXPECT_EQ(mem_stats().liveBlocks, before.liveBlocks + (!groundBefore && zbuffer_sol.pixels ? 1 : 0));
    EXPECT_EQ(pirogue_bank_sol, nullptr);
    EXPECT_EQ(pirogue_bank_pont, nullptr);
    // The click went on as a scenario click.
    EXPECT_EQ(Count("TRACE=clic"), 1);
    EXPECT_NE(Reports().find(GetParam().warning), std::string::npos) << Reports();
    EXPECT_TRUE(fatals.empty());
    // A quit now changes nothing.
    pz_pirogue_quit();
    EXPECT_EQ(OrvDisplay_GetRenderWidth(), width);
}

CanoeSceneOptions Without(std::string db, int depth, std::string bank) {
    CanoeSceneOptions o;
    o.withoutDatabase = std::move(db);
    o.withoutDepth = depth;
    o.withoutBank = std::move(bank);
    return o;
}

INSTANTIATE_TEST_SUITE_P(Missing, CanoeFailure,
                         ::testing::Values(Failure{"Bank", Without("", -1, "ponPirog.spr"), "ponPirog.spr"},
                                           Failure{"Database", Without("a1.db", -1, ""), "a1.db"},
                                           Failure{"Camera", Without("C1.db", -1, ""), "C1.db"},
                                           Failure{"Stone", Without("PRog.db", -1, ""), "PRog.db"},
                                           Failure{"Depth", Without("", 17, ""), "pzB50001.zbf"}),
                         [](const ::testing::TestParamInfo<Failure>& info) { return info.param.name; });

TEST_F(CanoeRun, TheFirstStartCachesTheRectanglesOutsideTheCd) {
    TempDir own;
    fs::copy(Cd(), own.Path(), fs::copy_options::recursive);
    const std::map<std::string, uintmax_t> cdFiles = Files(own.Path());
    for (const auto& e : fs::recursive_directory_iterator(own.Path()))
        fs::permissions(e.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    Start({}, 640, own.Path());
    ASSERT_TRUE(StartCanoe()) << Reports();
    const std::vector<CanoeGround>& ground = CanoeScene_Ground();
    char path[ORV_PATH_MAX];
    int cached = 0;
    for (int32_t code = 0; code < PIROGUE_NB_CODES; code++) {
        pirogue_chemin_cache(path, code);
        const std::string bytes = ReadFileText(OrvFile_Resolve(path));
        const CanoeGround& g = ground[size_t(code)];
        ASSERT_EQ(bytes.size(), g.depths.size() * 4) << code;
        EXPECT_EQ(std::memcmp(bytes.data(), g.depths.data(), bytes.size()), 0) << code;
        cached++;
    }
    EXPECT_EQ(cached, 33);
    EXPECT_EQ(Files((dir / "cache").c_str()).size(), 33u);
    EXPECT_EQ(Files(own.Path()), cdFiles);
    Key(DIK_ESCAPE);

    // A second start reads the cache: a file changed there is what it gets.
    pirogue_chemin_cache(path, 5);
    const std::string changedPath = OrvFile_Resolve(path);
    std::string changed = ReadFileText(changedPath);
    changed[0] = char(0x5A);
    ASSERT_TRUE(WriteFileBytes(changedPath, changed.data(), changed.size()));
    // A file of the wrong size is cut again from its image.
    pirogue_chemin_cache(path, 9);
    const std::string shortPath = OrvFile_Resolve(path);
    const std::string longer = std::string(ground[9].depths.size() * 4 + 4, 'x');
    ASSERT_TRUE(WriteFileBytes(shortPath, longer.data(), longer.size()));
    ASSERT_TRUE(StartCanoe());
    EXPECT_EQ(pirogue_zbuffers[5].pixels[0], uint32_t(ground[5].depths[0] & 0xFFFFFF00u) | 0x5Au);
    EXPECT_EQ(pirogue_zbuffers[9].pixels[0], ground[9].depths[0]);
    EXPECT_EQ(ReadFileText(shortPath).size(), ground[9].depths.size() * 4);
    EXPECT_EQ(Codes(), (std::vector<int32_t>{12, 9, 6, 22, 25, 3, 28, 19, 32}));
    Key(DIK_ESCAPE);
    for (const auto& e : fs::recursive_directory_iterator(own.Path()))
        fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Reports(), "");
}

}  // namespace
