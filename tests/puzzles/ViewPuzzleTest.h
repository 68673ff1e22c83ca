// Fixture of the view-puzzle tests: a generated installation, the program's modules and links, a manual
// clock, injected input, and the scenario commands recorded.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Random.h"
#include "app/Timer.h"
#include "app/main/Orv_Links.h"
#include "app/main/Orv_Main.h"
#include "audio/Orv_Muzik.h"
#include "audio/Orv_Sound.h"
#include "audio/SysSnd.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "graphics2d/PixelFormat.h"
#include "menus/Orv_MenuHooks.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_baton.h"
#include "puzzles/pz_common.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_merle.h"
#include "testdata/PuzzleViews.h"
#include "testdata/TempDir.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/World.h"
#include "world/wam.h"

constexpr float kQuarter = 3.14159265f / 2;

// The seed after which the game's generator draws `value` first (its step is invertible).
inline uint32_t SeedForFirstDraw(int value) {
    const uint32_t a = 214013u, c = 2531011u;
    uint32_t inverse = 1;
    for (int i = 0; i < 5; i++) inverse *= 2 - a * inverse;
    return ((uint32_t(value) << 16) - c) * inverse;
}

// The scenario commands that the puzzles ran, as "NAME=value", in order.
inline std::vector<std::string>& RecordedCommands() {
    static std::vector<std::string> commands;
    return commands;
}

class ViewPuzzleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("QM_HEADLESS", "1", 1);
        unsetenv("QM_PIXEL555");
        ASSERT_TRUE(OrvSpr_MainInit());
    }
    static void TearDownTestSuite() { OrvSpr_MainClose(); }

    // The view the new game starts in, and the chapter's first initialisation commands.
    virtual uint32_t StartView() const = 0;
    virtual std::vector<std::string> StartCommands() const { return {}; }

    void SetUp() override {
        OrvError_ResetForTests();
        DebugOut().SetHook([this](const std::string& l) { lines.push_back(l); });
        OrvError_SetQuitHook([](int) { OrvError_ResetForTests(); });
        debug_log_open((dir / "quillmar2.log").c_str());
        OrvFile_SetInstallDir(dir.Path());
        for (int cd = 1; cd <= 4; cd++) OrvFile_SetCDRoot(cd, dir.Path());
        // The installation is written once and copied: writing its sprites takes long under the sanitizers.
        static TempDir installation;
        static bool written = false;
        if (!written) {
            std::string error;
            ASSERT_TRUE(PuzzleViews_Write(installation.Path(), 16, &error)) << error;
            written = true;
        }
        std::filesystem::copy(installation.Path(), dir.Path(), std::filesystem::copy_options::recursive);
        ASSERT_TRUE(WriteFileText(dir / "scenar/chapi001.con", PuzzleViews_Chapter1(StartView(), StartCommands())));
        WriteFileText(dir / cd_probe_name(1), "cd1");
        cd_init();
        config_reset();
        Input_Reset();
        frame_timer_reset();
        OrvHooks_Reset();
        orv_srand(1);
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        OrvSpr_SetMouseSource(&MousePosition.x, &MousePosition.y);
        Input_SetMouseBounds(640, 480);
        Input_SetMouseHandlers(warp_on_mouse_move, warp_on_mouse_button, {});
        SysSnd_SelectDriver(SysSndDriver::Offline);
        ASSERT_TRUE(OrvSound_MainInit());
        ASSERT_TRUE(OrvMuzik_MainInit());
        ASSERT_TRUE(OrvWarp_Init());
        ASSERT_TRUE(Interface_LoadBank());
        ASSERT_TRUE(OrvWorld_Init());
        OrvMain_InstallLinks();
        RecordedCommands().clear();
        Interp_RegisterCommand("NewSound", [](const char* value) {
            RecordedCommands().push_back(std::string("NewSound=") + value);
            return int(CMD_DONE);
        });
        Interp_RegisterCommand("dial", [](const char* value) {
            RecordedCommands().push_back(std::string("dial=") + value);
            return int(CMD_DONE);
        });
        OrvSaveGame_SetPlayer(0);
        OrvMain_SetLoopType(LOOP_WARP);
        frame_timer_start();
        // The program's new game: puzzles and subject lists afresh, the chapter's start, its first view.
        ASSERT_TRUE(MenuHooks.Interp_RunInit());
        ASSERT_NE(OrvWam_CurrentVue, nullptr);
        lines.clear();
    }

    void TearDown() override {
        // The blackbirds keep their sounds until their view is left, the rod its bank until lowered.
        if (pz_vue_is("IR", 73)) pz_merle_quit();
        pz_baton_down();
        pz_quit_all();
        Scheduler_Clear();
        OrvWorld_Close();
        Interp_ClearCommands();
        OrvWarp_Close();
        Interface_FreeBank();
        OrvMuzik_MainClose();
        OrvSound_MainClose();
        SysSnd_SelectDriver(SysSndDriver::Sdl);
        OrvDisplay_Close();
        window.Close();
        Input_Reset();
        frame_timer_reset();
        OrvHooks_Reset();
        config_reset();
        OrvError_SetQuitHook(nullptr);
        DebugOut().ResetHook();
        OrvError_ResetForTests();
        debug_log_open("");
    }

    // One pass of the main loop, 1/60 s after the last; a click is injected first when asked.
    void Pass(bool click = false) {
        clock.Advance(1.0 / 60.0);
        Scheduler_RunPass(clock.Now());
        if (click) {
            Input_InjectButton(MOUSE_LEFT, true);
            Input_InjectButton(MOUSE_LEFT, false);
        }
        DXDispatch();
        OrvMain_LoopFrame();
    }
    void Passes(int n) {
        for (int i = 0; i < n; i++) Pass();
    }
    // Turns the view to (yaw, pitch), stops it there and clicks in the next pass.
    void ClickAt(float yaw, float pitch = 0.0f) {
        OrvWarp_SetViewAngles(yaw, pitch);
        warp_stop_rotation();
        Pass(true);
    }
    void Look(float yaw, float pitch = 0.0f) {
        OrvWarp_SetViewAngles(yaw, pitch);
        warp_stop_rotation();
    }
    // A view of the loaded world, entered as a move zone would (the jump runs at the end of a pass).
    void GoTo(uint32_t vue) {
        OrvWam_RequestVue(vue);
        Pass();
        ASSERT_EQ(pz_vue_id(), vue);
    }
    // The pointer moved to (x, y) by injected motion.
    void MoveMouseTo(int32_t x, int32_t y) {
        Input_InjectMouseMove(x - MousePosition.x, y - MousePosition.y);
        DXDispatch();
    }

    // The view-sprite slot of an element of the current view.
    static ST_spw_visible* Slot(const char* name, int32_t kind = WAM_OBJET) {
        const int section = kind % 2 ? DEFNAME_PERSONNAGES : DEFNAME_OBJETS;
        return pz_slot(OrvSpw_FindSlot(DefName_GetIdName(section, name), kind));
    }
    // The render surface's pixel at (x, y), as 0xAARRGGBB in the surface's format, and a colour packed
    // the same way.
    static uint32_t Pixel(int32_t x, int32_t y) {
        CSurface* s = OrvDisplay_GetRenderSurface();
        return reinterpret_cast<const uint16_t*>(s->Row(y))[x];
    }
    static uint32_t Packed(uint32_t argb) { return PackColor(OrvDisplay_GetRenderSurface()->format, argb); }

    // Replaces "monde.wam" with the description and enters one of its views.
    void ReloadWorld(const WamFileDesc& desc, uint32_t vue) {
        ASSERT_TRUE(WamWriter_Save(dir / (std::string("wam/") + PUZZLE_WAM), desc));
        ASSERT_TRUE(wam_load_game(PUZZLE_WAM));
        OrvWam_SetCurrentVue(OrvWam_FindVue(vue));
        ASSERT_TRUE(OrvWarp_start());
    }

    static int32_t Var(const char* name) { return Interp_ReadVar(name); }
    static void SetVar(const char* name, int32_t v) { Interp_WriteVar(name, v); }
    static std::vector<std::string>& Commands() { return RecordedCommands(); }

    // True when a warning (or, with fatal, a fatal report) holds the text.
    bool Reported(const std::string& text, bool fatal = false) const {
        const std::string prefix = fatal ? "ERREUR: " : "erreur: ";
        for (const std::string& l : lines)
            if (l.rfind(prefix, 0) == 0 && l.find(text) != std::string::npos) return true;
        return false;
    }
    bool Logged(const std::string& text) const {
        for (const std::string& l : lines)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }

    TempDir dir;
    CTManualClock clock{100.0};
    Velkrum::CDirectDrawWindow window;
    std::vector<std::string> lines;
};
