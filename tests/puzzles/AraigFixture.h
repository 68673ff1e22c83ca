// Fixture of the spider puzzle's tests: the generated web installed with the spider's names, the game's
// modules and links started headless, and helpers that look, click and let the passes run.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
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
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_araig.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_toile.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/ScriptWriter.h"
#include "testdata/SpiderWeb.h"
#include "testdata/SprWriter.h"
#include "testdata/TempDir.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/World.h"
#include "world/wam.h"

class AraigTest : public ::testing::Test {
protected:
    static constexpr const char* kWorld = "toile.wam";

    static void SetUpTestSuite() {
        setenv("QM_HEADLESS", "1", 1);
        ASSERT_TRUE(OrvSpr_MainInit());
    }
    static void TearDownTestSuite() { OrvSpr_MainClose(); }

    void SetUp() override {
        OrvError_ResetForTests();
        DebugOut().SetHook([this](const std::string& l) {
            if (l.rfind("erreur: ", 0) == 0) warnings.push_back(l.substr(8));
            if (l.rfind("ERREUR: ", 0) == 0) fatals.push_back(l.substr(8));
        });
        // A fatal report returns here; the next one is reported too.
        OrvError_SetQuitHook([](int) { OrvError_ResetForTests(); });
        OrvFile_SetInstallDir(dir.Path());
        for (int cd = 1; cd <= 4; cd++) OrvFile_SetCDRoot(cd, dir.Path());
        WriteFileText(dir / cd_probe_name(1), "cd1");
        debug_log_open((dir / "quillmar2.log").c_str());
        cd_init();
        config_reset();
        Input_Reset();
        frame_timer_reset();
        OrvHooks_Reset();
        SysSnd_SelectDriver(SysSndDriver::Offline);
        ASSERT_TRUE(OrvSound_MainInit());
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        OrvSpr_SetMouseSource(&MousePosition.x, &MousePosition.y);
        names.personnages = {"PERSONNE", "CHAUVE_SOURIS", "PRETRESSE"};
        names.objets = {"RIEN 0", "EPEE 1", "PLUME 2", "CHENILLE 3", "SAUTERELLE 4", "CRANE_ARAIG2 5"};
        names.sujets = {"AUCUN 0 0", "DEESSE_ARAIGNEE 1 0"};
        names.variables = DefNames_EngineVariables();
        for (const char* v : {"finmaya1", "finmaya2", "finmaya3", "finaraign1", "finaraign2", "finaraign3",
                              "FuiteToileAraig"})
            names.variables.push_back(v);
        names.zones = {"AUCUNE"};
        world = SpiderWeb_World();
        // A flight from the web skips the way's entry; the scenario enters it again.
        for (uint32_t way : {SPIDERWEB_WAY_199, SPIDERWEB_WAY_200}) {
            chapter.Vue("YU", way);
            chapter.Block("FuiteToileAraig=1", {"(FuiteToileAraig=0)(NEXTVUE=" + std::to_string(way) + ")"});
        }
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
        OrvError_SetQuitHook(nullptr);
        DebugOut().ResetHook();
        OrvError_ResetForTests();
        debug_log_open("");
    }

    // The modules as the program starts them on the installation, with the game's links.
    void StartModules() {
        started = true;
        ASSERT_TRUE(OrvWorld_Init()) << Reports();
        ASSERT_TRUE(OrvWarp_Init());
        Orv3D_Init();
        ASSERT_TRUE(Interface_LoadBank());
        Input_SetMouseHandlers(warp_on_mouse_move, warp_on_mouse_button, {});
        OrvMain_InstallLinks();
        OrvMain_SetLoopType(LOOP_WARP);
    }
    // Writes the installation, starts the modules as the program does with the game's links, records
    // the commands of other modules' words instead of running them, then (after `beforeEntry`) jumps
    // into the web's world at view 198.
    void Start(const std::function<void()>& beforeEntry = {}) {
        ASSERT_TRUE(WriteFileText(dir / "scenar/defnames.con", DefNames_Make(names)));
        ASSERT_TRUE(WriteFileText(dir / "loc/messages.txt", Messages_Make({})));
        ASSERT_TRUE(WriteFileText(dir / "scenar/chapi001.con", chapter.Text()));
        ASSERT_TRUE(WamWriter_Save(dir / ("wam/" + std::string(kWorld)), world));
        std::string error;
        ASSERT_TRUE(SpiderWeb_Write3D(dir.Path(), &error)) << error;
        std::vector<SprImage> sprites(8);
        for (SprImage& s : sprites) {
            s.width = s.height = 8;
            s.pixels.assign(64, 0xFFFFFFFFu);
        }
        ASSERT_TRUE(SprWriter_Save(dir / "spr/objets.spr", sprites, SprWriterOptions{}));
        ASSERT_TRUE(SprWriter_Save(dir / "spr/interfac.spr", PanoramaWriter_InterfaceImages(), SprWriterOptions{}));
        StartModules();
        g_log = &commands;
        Interp_RegisterCommand("NewSound", [](const char* v) { return Record("NewSound", v); });
        Interp_RegisterCommand("cinema", [](const char* v) { return Record("cinema", v); });
        Interp_RegisterCommand("dial", [](const char* v) { return Record("dial", v); });
        Interp_RegisterCommand("enablesuj", [](const char* v) { return Record("enablesuj", v); });
        if (beforeEntry) beforeEntry();
        ASSERT_TRUE(OrvWam_RequestWorld(kWorld, SPIDERWEB_BEFORE, false));
        Pass();
        ASSERT_EQ(View(), SPIDERWEB_BEFORE) << Reports();
    }
    // Starts with the errands before `stage` done.
    void StartAtStage(int stage) {
        Start([stage] {
            for (int s = 1; s < stage; s++) Interp_WriteVar(("finaraign" + std::to_string(s)).c_str(), 1);
        });
    }

    // --- Playing.

    // A jump to the view, as the scenario's NEXTVUE asks for it, done at the end of a pass.
    void Jump(uint32_t id) {
        OrvWam_RequestVue(id);
        Pass();
    }
    // One pass of the main loop in its current type; the frame timer has ticked since the last one.
    static void Pass() {
        NewFrameFlags |= NEWFRAME_ALL;
        FrameCount++;
        OrvMain_LoopFrame();
    }
    // Passes until every spider stands still (at most limit); the number of passes.
    int Settle(int limit = 2000) {
        int n = 0;
        for (; n < limit && !SpidersStill(); n++) Pass();
        return n;
    }
    static bool SpidersStill() {
        for (int i = 0; i < araig_nb_actors; i++) {
            const ST_araig_actor& a = araig_actors[i];
            if (araig_is_spider(a) && (a.rate != 0.0f || a.from != a.to || a.progress != 0.0f))
                return false;
        }
        return true;
    }
    // Looks at the spot of a neighbouring view on the web, lowered by `below` radians: by default into the
    // low part of the move zone, clear of a spider standing there.
    static void LookToward(uint32_t to, float below = 0.2f) {
        float yaw, pitch;
        SpiderWeb_AimToward(OrvWam_CurrentVue->id, to, &yaw, &pitch);
        OrvWarp_SetViewAngles(yaw, pitch - below);
    }
    // Looks at a direction of the camera's space (y down).
    static void LookAt(const CTVector3& p) {
        OrvWarp_SetViewAngles(std::atan2(p.x, p.z), std::atan2(-p.y, std::sqrt(p.x * p.x + p.z * p.z)));
    }
    // A left click at the screen centre: one pass with the button pressed and released.
    void Click() {
        Input_InjectButton(MOUSE_LEFT, true);
        Input_InjectButton(MOUSE_LEFT, false);
        DXDispatch();
        Pass();
    }
    // Looks at the middle of actor 0's body and clicks there.
    void ClickSpider() {
        CTVector3 body = araig_actor_pos(0);
        body.y -= 20.0f;
        LookAt(body);
        Click();
    }
    // A click on the move zone toward a neighbouring view.
    void MoveToward(uint32_t to) {
        LookToward(to);
        Click();
    }
    // Moves and lets the spiders answer; fails when the player did not arrive.
    void Walk(const std::vector<uint32_t>& path) {
        for (uint32_t to : path) {
            MoveToward(to);
            ASSERT_EQ(View(), to) << "toward " << to << "\n" << Reports();
            Settle();
        }
    }
    // Into the web by a way and its cell; the run starts there and the spiders settle.
    void EnterWeb(uint32_t way = SPIDERWEB_WAY_199) {
        MoveToward(way);
        MoveToward(way == SPIDERWEB_WAY_199 ? 213 : 215);
        ASSERT_TRUE(araig_running) << Reports();
        Settle();
    }
    // Out of the web by a way: the flight skips the way's entry, the scenario enters it again.
    void FleeWeb(uint32_t way) {
        MoveToward(way);
        Pass();
        Pass();
        ASSERT_EQ(View(), way) << Reports();
    }
    static uint32_t View() { return OrvWam_CurrentVue ? OrvWam_CurrentVue->id : 0; }
    static int32_t Var(const char* name) { return Interp_ReadVar(name); }
    static bool InBag(const char* name) { return Inventaire_IsObjetInSac(name); }
    static void Hold(const char* object) { Inventaire_PrendObjEnMain(object); }
    bool Ran(const std::string& command) const {
        for (const std::string& c : commands)
            if (c == command) return true;
        return false;
    }
    // The reports, but for the panorama pictures the tests leave out.
    std::string Reports() const {
        std::string all;
        for (const auto* list : {&fatals, &warnings})
            for (const std::string& l : *list)
                if (l.find("datas_q2/warp/") == std::string::npos && l.find("damier") == std::string::npos)
                    all += l + "\n";
        return all;
    }

    static int Record(const char* word, const char* value) {
        g_log->push_back(std::string(word) + "=" + value);
        return CMD_DONE;
    }

    TempDir dir;
    Velkrum::CDirectDrawWindow window;
    DefNamesDesc names;
    WamFileDesc world;
    ChapterWriter chapter;
    std::vector<std::string> commands;  // the recorded words with their values, in the order they ran
    std::vector<std::string> warnings, fatals;
    bool started = false;
    static inline std::vector<std::string>* g_log = nullptr;
    // From 213 to the centre, and from the centre out to 215, out of reach of stage 1's small spider.
    static inline const std::vector<uint32_t> kToTheCentre = {214, 231, 214, 213, 230, 247, 264, 265};
    static inline const std::vector<uint32_t> kFromTheCentre = {250, 233, 232, 215};
};
