// Fixture of the canoe puzzle's tests: the generated canoe installed in a world of views 401 to 403 (the
// canoe's data on a CD directory of its own), the game's modules and links started headless, and helpers
// that move the mouse, click, press keys and run main-loop passes.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/main/Orv_Links.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Sound.h"
#include "audio/SysSnd.h"
#include "engine3d/Orv3D.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Input.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_scene.h"
#include "puzzles/pz_pirogue_traj.h"
#include "testdata/CanoeScene.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoWorld.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/ScriptWriter.h"
#include "testdata/SprWriter.h"
#include "testdata/TempDir.h"
#include "tests/puzzles/ReportCapture.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Orv_Msg.h"
#include "world/World.h"
#include "world/wam.h"

class CanoeTest : public ::testing::Test {
protected:
    static constexpr const char* kWorld = "fleuve.wam";
    static constexpr uint32_t kBefore = 401;

    static void SetUpTestSuite() {
        setenv("QM_HEADLESS", "1", 1);
        ASSERT_TRUE(OrvSpr_MainInit());
    }
    static void TearDownTestSuite() { OrvSpr_MainClose(); }

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
        reports.Start();
        OrvFile_SetInstallDir(dir.Path());
        debug_log_open((dir / "quillmar2.log").c_str());
        config_reset();
        Input_Reset();
        frame_timer_reset();
        OrvHooks_Reset();
        SysSnd_SelectDriver(SysSndDriver::Offline);
        ASSERT_TRUE(OrvSound_MainInit());
        names.personnages = {"PERSONNE"};
        names.objets = {"RIEN 0"};
        names.sujets = {"AUCUN 0 0"};
        names.variables = DefNames_EngineVariables();
        names.zones = {"AUCUNE"};
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

    void TearDown() override {
        if (started) {
            pz_quit_all();
            OrvWarp_Close();
            Interface_FreeBank();
            OrvWorld_Close();
            Orv3D_Close();
        }
        Interp_ClearCommands();
        OrvSound_MainClose();
        SysSnd_SelectDriver(SysSndDriver::Sdl);
        OrvDisplay_Close();
        window.Close();
        OrvHooks_Reset();
        Input_Reset();
        frame_timer_reset();
        config_reset();
        reports.Stop();
        debug_log_open("");
    }

    // Writes the installation over the variant's CD, starts the modules as the program does with the
    // game's links on a screen of that width, records the words TRACE and NewSound instead of running
    // them, and enters view 402 (looking at the canoe's zone).
    void Start(const CanoeSceneOptions& options = {}, int screenWidth = 640, const std::string& cdDir = "") {
        cd = cdDir.empty() ? Cd(options) : cdDir;
        UseCd(cd);
        OpenScreen(screenWidth);
        ASSERT_TRUE(WriteFileText(dir / "scenar/defnames.con", DefNames_Make(names)));
        ASSERT_TRUE(WriteFileText(dir / "loc/messages.txt", Messages_Make({})));
        ASSERT_TRUE(WriteFileText(dir / "scenar/chapi001.con", chapter.Text()));
        ASSERT_TRUE(WamWriter_Save(dir / ("wam/" + std::string(kWorld)), world));
        std::string error;
        ASSERT_TRUE(CanoeScene_WriteBanks(dir.Path(), options, &error)) << error;
        std::vector<SprImage> objects(1);
        objects[0].width = objects[0].height = 8;
        objects[0].pixels.assign(64, 0xFFFFFFFFu);
        ASSERT_TRUE(SprWriter_Save(dir / "spr/objets.spr", objects, SprWriterOptions{}));
        StartModules();
        g_log = &commands;
        Interp_RegisterCommand("TRACE", [](const char* v) { return Record("TRACE", v); });
        Interp_RegisterCommand("NewSound", [](const char* v) { return Record("NewSound", v); });
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
        StartModules();
        Enter(DEMO_WAM_YU, 3);
    }

    // Every CD is that directory, which holds the four probe files.
    static void UseCd(const std::string& path) {
        for (int n = 1; n <= 4; n++) OrvFile_SetCDRoot(n, path);
        cd_init();
    }
    void OpenScreen(int width) {
        window.Open(width, width == 800 ? 600 : 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        OrvSpr_SetMouseSource(&MousePosition.x, &MousePosition.y);
    }
    // The modules as the program starts them, with the game's links and the panorama's pointers.
    void StartModules() {
        ASSERT_TRUE(SprWriter_Save(dir / "spr/interfac.spr", PanoramaWriter_InterfaceImages(), SprWriterOptions{}));
        started = true;
        ASSERT_TRUE(OrvWorld_Init()) << Reports();
        ASSERT_TRUE(OrvWarp_Init());
        Orv3D_Init();
        ASSERT_TRUE(Interface_LoadBank());
        Input_SetKeyHandlers(OrvInput_OnKeyDown, OrvInput_OnKeyUp);
        Input_SetMouseHandlers(warp_on_mouse_move, warp_on_mouse_button, {});
        OrvMain_InstallLinks();
        OrvMain_SetLoopType(LOOP_WARP);
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
    void MoveTo(int x, int y) {
        Input_InjectMouseMove(x - MousePosition.x, y - MousePosition.y);
        DXDispatch();
    }
    // A click of the button at (x, y) of the canoe's screen (in the view: at the screen centre).
    void Click(int button = MOUSE_LEFT) {
        Input_InjectButton(button, true);
        Input_InjectButton(button, false);
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
    // With QM_CANOE_SHOTS=<dir>, the presented frame as <dir>/<name>.rgb (raw RGB, 640x480).
    void Shot(const std::string& name) {
        const char* out = std::getenv("QM_CANOE_SHOTS");
        if (!out) return;
        const std::vector<uint32_t>& f = window.GetPresentedFrame();
        std::string rgb;
        for (uint32_t p : f) rgb += {char(p >> 16), char(p >> 8), char(p)};
        WriteFileBytes(std::string(out) + "/" + name + ".rgb", rgb.data(), rgb.size());
    }
    // The codes of the board, cell by cell.
    static std::vector<int32_t> Codes() {
        std::vector<int32_t> codes;
        for (const CasePlateau& c : pirogue_plateau) codes.push_back(c.code);
        return codes;
    }

    static uint32_t View() { return OrvWam_CurrentVue ? OrvWam_CurrentVue->id : 0; }
    int Count(const std::string& command) const {
        int n = 0;
        for (const std::string& c : commands) n += c == command;
        return n;
    }
    std::vector<std::string> Sounds() const {
        std::vector<std::string> s;
        for (const std::string& c : commands)
            if (c.rfind("NewSound=", 0) == 0) s.push_back(c.substr(9));
        return s;
    }
    // The reports, but for the panorama pictures the tests leave out.
    std::string Reports() const { return reports.Text({"datas_q2/warp/", "damier"}); }
    static int Record(const char* word, const char* value) {
        g_log->push_back(std::string(word) + "=" + value);
        return CMD_DONE;
    }

    TempDir dir;
    std::string cd;
    Velkrum::CDirectDrawWindow window;
    DefNamesDesc names;
    WamFileDesc world;
    ChapterWriter chapter;
    std::vector<std::string> commands;  // the recorded words with their values, in the order they ran
    ReportCapture reports;
    std::vector<std::string>& warnings = reports.warnings;
    std::vector<std::string>& fatals = reports.fatals;
    bool started = false;
    static inline std::vector<std::string>* g_log = nullptr;
};
