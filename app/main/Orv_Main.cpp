// The game's start-up, per-pass dispatch on the loop type, and shut-down.
#include "app/main/Orv_Main.h"
#include "app/main/Orv_Links.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "app/Application.h"
#include "app/Config.h"
#include "app/Cpu.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Orv_Mem.h"
#include "app/SingleInstance.h"
#include "app/Timer.h"
#include "audio/Orv_Muzik.h"
#include "audio/Orv_Sound.h"
#include "dialogue/Orv_Dial.h"
#include "dialogue/dlg_Script.h"
#include "engine3d/Orv3D.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Font.h"
#include "menus/Orv_Menu.h"
#include "menus/ViewBigSpr.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Input.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_mandala.h"
#include "puzzles/pz_pirogue.h"
#include "video/Orv_Qmv.h"
#include "world/DefName.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/OrvSaveGame.h"
#include "world/Orv_Msg.h"
#include "world/World.h"
#include "world/wam.h"

const char* const ORV_VERSION_TEXT = "Quillmar 2 - Version 3.18 - 8/10/1999";

int32_t LoopType = LOOP_WARP;

namespace {
Velkrum::CDirectDrawWindow* g_window = nullptr;
CTimer g_dispatchTimer;
CTimer g_loopTimer;

void dispatchTick(CTimer&) {
    OrvInput_NewPass();
    DXDispatch();
}
void loopTick(CTimer&) { OrvMain_LoopFrame(); }

// Brings the render surface to the screen.
void presentFrame() {
    OrvDisplay_AutoBlitLocked();
    if (g_window) g_window->Flip();
}

std::string osDescription() {
    struct utsname u;
    if (::uname(&u) != 0) return "inconnu";
    return std::string(u.sysname) + " " + u.release;
}
}  // namespace

int32_t OrvMain_GetLoopType() { return LoopType; }

int32_t OrvMain_SetLoopType(int32_t type) {
    int32_t previous = LoopType;
    LoopType = type;
    debug_log("OrvMain_SetLoopType(%d)", type);
    OrvWarp_OnLoopType(type);
    if (OrvDisplay_GetRenderSurface())
        OrvDisplay_EnableRenderWarp800(type == LOOP_WARP || type == LOOP_MESSAGE ? 1 : 0, "OrvMain_SetLoopType(%d)", type);
    return previous;
}

bool openwindow() {
    if (!g_window) g_window = new Velkrum::CDirectDrawWindow();
    g_window->Open(g_Config.screenWidth, g_Config.screenHeight, g_Config.fullScreen != 0);
    debug_log("openwindow() : %dx%d %s, pixels %s", g_window->Width(), g_window->Height(),
              g_Config.fullScreen ? "plein écran" : "fenêtre", Is565 ? "5-6-5" : "5-5-5");
    Input_SetMouseBounds(640, 480);
    SetMousePosition(320, 240);
    return true;
}

// ---- start-up and shut-down steps ----

namespace {

enum StepId : int {
    STEP_LOCK,
    STEP_LOG,
    STEP_TEMPORARIES,
    STEP_SYSTEM,
    STEP_CONFIG,
    STEP_WINDOW,
    STEP_HANDLERS,
    STEP_CD,
    STEP_SOUND,
    STEP_MUSIC,
    STEP_WARP,
    STEP_3D,
    STEP_SPRITES,
    STEP_DIALOGUE,
    STEP_DISPLAY,
    STEP_SAVE,
    STEP_FONTS,
    STEP_INTERFACE,
    STEP_MESSAGES,
    STEP_MENUS,
    STEP_GAME_CD,
    STEP_NAMES,
    STEP_INVENTORY,
    STEP_CHAPTER,
    STEP_FRAME_TIMER,
    STEP_LOOP_TYPE,
    STEP_PLAYER_MENU,
    STEP_INTROS,
    STEP_COUNT
};

// A start-up step: false when start-up cannot go on (the step reported why).
struct StartStep {
    StepId id;
    const char* name;
    bool (*run)();
};
// A shut-down step runs when the start-up step it undoes has run (whole or in part).
struct StopStep {
    StepId owner;
    const char* name;
    void (*run)();
};

bool g_started[STEP_COUNT] = {};

// A step whose module reports its own failures and lets start-up go on.
template <auto Fn>
bool ran() {
    Fn();
    return true;
}

bool takeLock() {
    CApplication& app = TheApplication();
    OrvFile_SetInstallDir(app.argv.size() > 1 ? app.argv[1] : std::string("."));
    // The CDs are this installation's, whatever an earlier start in the same process found.
    cd_reset();
    if (app.argv.size() > 2)
        for (int cd = 1; cd <= 4; cd++) OrvFile_SetCDRoot(cd, app.argv[2]);
    // Before the log: a refused instance must leave the running one's log alone.
    if (!SingleInstance_Acquire(OrvFile_GetInstallDir())) {
        DebugOut() << "Quillmar 2 : une autre instance tourne déjà dans " << OrvFile_GetInstallDir() << std::endl;
        app.Quit(ORV_EXIT_ALREADY_RUNNING);
    }
    return true;
}

bool openLog() {
    const std::string logPath = OrvFile_GetInstallDir() + "quillmar2.log";
    debug_log_open(logPath.c_str());
    debug_log("%s", ORV_VERSION_TEXT);
    OrvError_SetQuitHook([](int code) { TheApplication().Quit(code); });
    // From here a signal takes the normal quit path at the first dispatch pass.
    Input_InstallSignalHandlers();
    return true;
}

bool removeStaleTemporaries() {
    char path[ORV_PATH_MAX];
    OrvFile_RemoveStaleTemporaries(OrvFile_GetInstallDir().c_str());
    build_path_save(path, "");
    OrvFile_RemoveStaleTemporaries(path);
    build_path_music(path, "");
    OrvFile_RemoveStaleTemporaries(path);
    return true;
}

bool detectSystem() {
    debug_log("Système : %s", osDescription().c_str());
    debug_log("Processeur : type %d", GetCPUType());
    return true;
}

bool installHandlers() {
    Input_SetKeyHandlers(OrvInput_OnKeyDown, OrvInput_OnKeyUp);
    Input_SetMouseHandlers(warp_on_mouse_move, warp_on_mouse_button, {});
    g_dispatchTimer.tickCallback = dispatchTick;
    g_dispatchTimer.period = 0;
    g_dispatchTimer.Start();
    g_loopTimer.tickCallback = loopTick;
    g_loopTimer.period = 0;
    g_loopTimer.Start();
    OrvHooks.SetLoopType = OrvMain_SetLoopType;
    OrvMain_InstallLinks();
    return true;
}

bool findCds() {
    // Which game CD is present is told once the menus can say so.
    cd_init();
    cd_set_change_hook([](int, int) { OrvMenu_start_CD(); });
    return true;
}

bool startSprites() {
    if (!OrvSpr_MainInit()) return false;
    OrvSpr_SetScreenFormat(g_window->GetPixelFormat());
    OrvSpr_SetMouseSource(&MousePosition.x, &MousePosition.y);
    return true;
}

bool startDisplay() {
    if (OrvDisplay_Init(g_window)) return true;
    OrvError_Fatal("OrvDisplay_Init() : surfaces d'affichage impossibles");
    return false;
}

bool testGameCd() {
    if (cd_get_current() != 0) {
        debug_log("OrvMain_InitSubsystems() : CD %d", cd_get_current());
        return true;
    }
    OrvMenu_start_LaunchBox();
    OrvError_Fatal("Lecteur de CD introuvable : aucun CD de Quillmar 2 (%s)", cd_probe_name(1).c_str());
    return false;
}

bool setWarpLoop() {
    OrvMain_SetLoopType(LOOP_WARP);
    return true;
}

// The order of the overview of the program, but for the lock, which comes before the log.
constexpr StartStep kStartSteps[] = {
    {STEP_LOCK, "SingleInstance_Acquire", takeLock},
    {STEP_LOG, "debug_log_open", openLog},
    {STEP_TEMPORARIES, "OrvFile_RemoveStaleTemporaries", removeStaleTemporaries},
    {STEP_SYSTEM, "detect_system", detectSystem},
    {STEP_CONFIG, "config_load", ran<config_load>},
    {STEP_WINDOW, "openwindow", openwindow},
    {STEP_HANDLERS, "install_handlers", installHandlers},
    {STEP_CD, "cd_init", findCds},
    {STEP_SOUND, "OrvSound_MainInit", ran<OrvSound_MainInit>},
    {STEP_MUSIC, "OrvMuzik_MainInit", ran<OrvMuzik_MainInit>},
    {STEP_WARP, "OrvWarp_Init", OrvWarp_Init},
    {STEP_3D, "Orv3D_Init", ran<Orv3D_Init>},
    {STEP_SPRITES, "OrvSpr_MainInit", startSprites},
    {STEP_DIALOGUE, "dial_maininit", ran<dial_maininit>},
    {STEP_DISPLAY, "OrvDisplay_Init", startDisplay},
    {STEP_SAVE, "OrvSaveGame_Init", ran<OrvSaveGame_Init>},
    {STEP_FONTS, "OrvFont_MainInit", ran<OrvFont_MainInit>},
    {STEP_INTERFACE, "Interface_LoadBank", ran<Interface_LoadBank>},
    {STEP_MESSAGES, "OrvMsg_Init", ran<OrvMsg_Init>},
    {STEP_MENUS, "OrvMenu_MainInit", ran<OrvMenu_MainInit>},
    {STEP_GAME_CD, "cd_test", testGameCd},
    {STEP_NAMES, "DefName_Load", OrvWorld_InitNames},
    {STEP_INVENTORY, "Inventaire_Init", ran<Inventaire_Init>},
    {STEP_CHAPTER, "Interp_LoadChapter", OrvWorld_InitFirstChapter},
    {STEP_FRAME_TIMER, "frame_timer_start", ran<frame_timer_start>},
    {STEP_LOOP_TYPE, "OrvMain_SetLoopType", setWarpLoop},
    {STEP_PLAYER_MENU, "OrvMenu_start_Player", ran<OrvMenu_start_Player>},
    {STEP_INTROS, "OrvMain_StartIntros", ran<OrvMain_StartIntros>},
};

void closeWindow() {
    g_dispatchTimer.Stop();
    g_loopTimer.Stop();
    if (!g_window) return;
    g_window->Close();
    delete g_window;
    g_window = nullptr;
}

void closeWorldFile() {
    OrvSaveGame_Close();
    DefName_Free();
    OrvWam_Free();
}

void stopVideo() {
    // A video still playing (a quit during the intros) gives back its file and buffers.
    if (OrvQmv_IsOpen()) OrvQmv_stop();
}

void endLog() {
    debug_log("Fin de Quillmar 2");
    OrvError_SetQuitHook(nullptr);
}

// The overview's order: settings, variables, then the modules; the report once everything is freed.
constexpr StopStep kStopSteps[] = {
    {STEP_NAMES, "pz_mandala_log_solution", pz_mandala_log_solution},
    {STEP_CONFIG, "config_save", [] { config_save(); }},
    {STEP_NAMES, "Interp_DumpVariables", [] { if (DefName_IsLoaded()) Interp_DumpVariables(); }},
    {STEP_DISPLAY, "OrvQmv_stop", stopVideo},
    {STEP_MENUS, "OrvMenu_MainClose", OrvMenu_MainClose},
    {STEP_DIALOGUE, "OrvDial_close", OrvDial_close},
    {STEP_MUSIC, "OrvMuzik_MainClose", OrvMuzik_MainClose},
    {STEP_SOUND, "OrvSound_MainClose", OrvSound_MainClose},
    {STEP_WARP, "OrvSpw_FreeAll", OrvSpw_FreeAll},
    {STEP_NAMES, "pz_quit_all", pz_quit_all},
    {STEP_NAMES, "pz_pirogue_close", pz_pirogue_close},
    {STEP_SPRITES, "OrvSpr_MainClose", OrvSpr_MainClose},
    {STEP_INTERFACE, "Interface_FreeBank", Interface_FreeBank},
    {STEP_FONTS, "OrvFont_RemoveFonts", OrvFont_RemoveFonts},
    {STEP_WARP, "OrvWarp_Close", OrvWarp_Close},
    {STEP_NAMES, "Interp_Free", Interp_Free},
    {STEP_INVENTORY, "Inventaire_Close", Inventaire_Close},
    {STEP_3D, "Orv3D_Close", Orv3D_Close},
    {STEP_DISPLAY, "OrvDisplay_Close", OrvDisplay_Close},
    {STEP_MESSAGES, "OrvMsg_Free", OrvMsg_Free},
    {STEP_NAMES, "OrvWam_Free", closeWorldFile},
    {STEP_FRAME_TIMER, "frame_timer_stop", frame_timer_stop},
    {STEP_LOG, "mem_report", mem_report},
    {STEP_WINDOW, "closewindow", closeWindow},
    {STEP_LOCK, "SingleInstance_Release", SingleInstance_Release},
    {STEP_LOG, "debug_log_close", endLog},
};

}  // namespace

namespace {
// Runs the start-up steps first..last in order; false when one could not start.
bool runStartSteps(StepId first, StepId last) {
    for (const StartStep& step : kStartSteps) {
        if (step.id < first || step.id > last) continue;
        // Marked first: the shut-down of a step copes with a start that stopped half-way.
        g_started[step.id] = true;
        if (!step.run()) return false;
        if (g_started[STEP_LOG]) debug_log("Après %s", step.name);
    }
    return true;
}
}  // namespace

void OrvMain_OnInit() {
    if (runStartSteps(STEP_LOCK, STEP_HANDLERS)) OrvMain_InitSubsystems();
}

void OrvMain_InitSubsystems() {
    if (runStartSteps(STEP_CD, STEP_INTROS)) debug_log("OrvMain_InitSubsystems() : ok");
}

void OrvMain_LoopFrame() {
    const bool active = !g_window || g_window->IsActive();
    // Nothing refills the music while inactive: the paused device does not replay stale pieces.
    SysSnd_PauseDevice(!active);
    if (!active) return;
    OrvMuzik_Run();
    OrvSound_CheckQmvSound();
    switch (LoopType) {
    case LOOP_WARP:
        OrvWarp_continue();
        break;
    case LOOP_QMV:
        OrvQmv_step();
        break;
    case LOOP_MENU:
        OrvMenu_continue();
        presentFrame();
        break;
    case LOOP_DIALOGUE:
        // Voice-overs without a picture of their own show the view with its overlays.
        if (OrvDial_GetCurrentMode() == DLG_MODE_VOIXOFF0 && OrvWarp_Render()) {
            Interface_GereFrame();
            OrvDisplay_UnlockSurface();
        }
        OrvDial_display();
        if (OrvDial_GetCurrentMode() >= 0) presentFrame();
        break;
    case LOOP_PIROGUE:
        pz_pirogue_frame();
        break;
    case LOOP_VIEWBIGSPR:
        ViewBigSpr_continue();
        break;
    case LOOP_MESSAGE:
        OrvMsg_continue();
        presentFrame();
        break;
    default:
        // Loop types whose module is not built do nothing.
        break;
    }
    frame_timer_take_flag(NEWFRAME_MAIN);
}

void OrvMain_Quit() { TheApplication().Quit(0); }

void OnTerminate() {
    if (g_started[STEP_LOG]) debug_log("OnTerminate()");
    // A fatal error while shutting down is reported and the shut-down goes on; the exit code keeps it.
    if (g_started[STEP_LOG]) OrvError_SetQuitHook([](int code) { TheApplication().RaiseExitCode(code); });
    for (const StopStep& step : kStopSteps) {
        if (!g_started[step.owner]) continue;
        debug_log("OnTerminate() : %s", step.name);
        try {
            step.run();
        } catch (const std::exception& e) {
            debug_log("Exception : %s (%s)", e.what(), step.name);
            TheApplication().RaiseExitCode(ORV_EXIT_EXCEPTION);
        }
    }
    for (bool& started : g_started) started = false;
}

// The application has written the text to the debug-output stream already; the log keeps it too.
void OrvMain_OnException(const char* text) { debug_log("Exception : %s", text ? text : ""); }

void OrvMain_InstallHandlers() {
    CApplication& app = TheApplication();
    app.onStart = OrvMain_OnInit;
    app.onTerminate = OnTerminate;
    app.onException = OrvMain_OnException;
}
