// Fixture of the canoe puzzle's tests: the generated canoe installed in a world of views 401 to 403 (the
// canoe's data on a CD directory of its own), the game's modules and links started headless, and helpers
// that move the mouse, click, press keys and run main-loop passes.
#pragma once
#include <filesystem>
#include <map>
#include <memory>

#include "framework/KeyCodes.h"
#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_scene.h"
#include "puzzles/pz_pirogue_traj.h"
#include "testdata/CanoeScene.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoWorld.h"
#include "tests/puzzles/PuzzleHarness.h"
#include "world/Orv_Msg.h"

class CanoeTest : public PuzzleHarness {
protected:
    static constexpr const char* kWorld = "fleuve.wam";
    static constexpr uint32_t kBefore = 401;

    CanoeTest() : PuzzleHarness(0, true) {}

    // The canoe's CD data of a variant, written once per process.
    static const std::string& Cd(const CanoeSceneOptions& options = {}) {
        static std::map<std::string, std::unique_ptr<TempDir>> dirs;
        const std::string key = std::to_string(options.river.endAtLast) + "/" + options.withoutDatabase + "/" +
                                std::to_string(options.withoutDepth);
        std::unique_ptr<TempDir>& dir = dirs[key];
        if (!dir) {
            dir = std::make_unique<TempDir>();
            std::string error;
            EXPECT_TRUE(CanoeScene_WriteCD(dir->Path(), options, &error)) << error;
            for (int cd = 1; cd <= 4; cd++) WriteFileText(*dir / cd_probe_name(cd), "cd");
        }
        return dir->Path();
    }

    void SetUp() override {
        PuzzleHarness::SetUp();
        DemoCanoe_AddNames(names);
        world.monde = 2;
        world.cd = 1;
        WamVueDesc before;
        before.id = kBefore;
        before.name = "YU401";
        world.lieux = {{1, "Fleuve", {before}}};
        DemoCanoe_AddViews(world, kBefore, DemoCanoe_ZoneId(names));
        chapter.Init("(enable_pz_pirog=1)");
        chapter.Vue("YU", DEMO_CANOE_VIEW);
        chapter.Block("CLICZONE=ZONE_PIROGUE", {"(TRACE=clic)"});
        chapter.Block("finpirogue=1", {"(TRACE=fin)"});
    }

    // Writes the installation over the variant's CD, starts the modules as the program does with the
    // game's links on a screen of that width, records the words TRACE and NewSound instead of running
    // them, and enters view 402 (looking at the canoe's zone).
    void Start(const CanoeSceneOptions& options = {}, int screenWidth = 640, const std::string& cdDir = "") {
        cd = cdDir.empty() ? Cd(options) : cdDir;
        UseCd(cd);
        OpenScreen(screenWidth);
        WriteScenario(kWorld);
        std::string error;
        ASSERT_TRUE(CanoeScene_WriteBanks(dir.Path(), options, &error)) << error;
        WriteSprites(1);
        StartModules();
        RecordWords({"TRACE", "NewSound"});
        Enter(kWorld);
    }

    // The demo's worlds, scenario and canoe in one directory serving as installation and CDs, started
    // like Start and entered at view 3 of "yucatan.wam", from which a move to the right leads to 402.
    void StartDemo() {
        for (int n = 1; n <= 4; n++) WriteFileText(dir / cd_probe_name(n), "cd");
        UseCd(dir.Path());
        OpenScreen(640);
        std::string error;
        ASSERT_TRUE(DemoWorld_Write(dir.Path(), &error)) << error;
        ASSERT_TRUE(DemoCanoe_Write(dir.Path(), &error)) << error;
        WriteInterface();
        StartModules();
        Enter(DEMO_WAM_YU, 3);
    }

    // A new game's initialisation, then a view of the world (by default 402), looking ahead.
    void Enter(const char* wam, uint32_t view = DEMO_CANOE_VIEW) {
        ASSERT_TRUE(Interp_RunInit());
        ASSERT_TRUE(OrvWam_RequestWorld(wam, view, false));
        Pass();
        ASSERT_EQ(View(), view) << Reports();
        OrvWarp_SetViewAngles(0.0f, 0.0f);
    }

    // --- Playing.

    // One main-loop pass; the frame timer has ticked since the last one.
    void Pass() {
        NewFrameFlags |= NEWFRAME_ALL;
        FrameCount++;
        DXDispatch();
        OrvMain_LoopFrame();
    }
    void Passes(int n) {
        for (int i = 0; i < n; i++) Pass();
    }
    static void MoveTo(int x, int y) { MoveMouseTo(x, y); }
    // A click of the button at (x, y) of the canoe's screen (in the view: at the screen centre).
    void Click(int button = MOUSE_LEFT) {
        InjectClick(button);
        Pass();
    }
    void ClickAt(int x, int y, int button = MOUSE_LEFT) {
        MoveTo(x, y);
        Click(button);
    }
    // A click in the middle of a cell of the board.
    void ClickCell(int32_t cell, int button = MOUSE_LEFT) {
        ClickAt(pirogue_plateau[cell].x + PIROGUE_ANCRE_X, pirogue_plateau[cell].y + PIROGUE_ANCRE_Y, button);
    }
    void Key(int dik) {
        Input_InjectKey(dik, true);
        Pass();
        Input_InjectKey(dik, false);
        DXDispatch();
    }
    // The click on the canoe's zone of view 402; true when the canoe's screen came up.
    bool StartCanoe() {
        OrvWarp_SetViewAngles(0.0f, 0.0f);
        Click();
        Pass();
        return LoopType == LOOP_PIROGUE;
    }
    // Puts every piece home and unturned by clicks: pick up, put down on its cell, turn.
    void Solve() {
        for (int32_t home = 0; home < 8; home++) {
            int32_t at = -1;
            for (int32_t c = 0; c < 8; c++)
                if (pirogue_plateau[c].code / 4 == home) at = c;
            ASSERT_GE(at, 0);
            if (at != home) {
                ClickCell(at);
                ClickCell(home);
            }
            for (int k = 0; k < 4 && pirogue_plateau[home].code % 4 != 0; k++) ClickCell(home, MOUSE_RIGHT);
            ASSERT_EQ(pirogue_plateau[home].code, 4 * home);
        }
    }
    // Passes while the canoe's screen runs and its canoe moves (at most limit); the number of passes.
    int Paddle(int limit = 4000) {
        int n = 0;
        for (; n < limit && LoopType == LOOP_PIROGUE && pirogue_en_marche; n++) Pass();
        return n;
    }
    // The codes of the board, cell by cell.
    static std::vector<int32_t> Codes() {
        std::vector<int32_t> codes;
        for (const CasePlateau& c : pirogue_plateau) codes.push_back(c.code);
        return codes;
    }

    std::vector<std::string> Sounds() const {
        std::vector<std::string> s;
        for (const std::string& c : commands)
            if (c.rfind("NewSound=", 0) == 0) s.push_back(c.substr(9));
        return s;
    }
    std::string cd;
};
