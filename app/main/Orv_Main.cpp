// The game's start-up, per-pass dispatch on the loop type, and shut-down.
#include "app/main/Orv_Main.h"
#include "app/main/Orv_Links.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
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
#include "panorama/Orv_Warp.h"
#include "puzzles/pz_dispatch.h"
#include "puzzles/pz_mandala.h"
#include "video/Orv_Qmv.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Orv_Msg.h"
#include "world/World.h"

const char* const ORV_VERSION_TEXT = "Quillmar 2 - Version 3.18 - 8/10/1999";

int32_t LoopType = LOOP_WARP;

namespace {
Velkrum::CDirectDrawWindow* g_window = nullptr;
CTimer g_dispatchTimer;
CTimer g_loopTimer;

// What has started, so that the shut-down touches only what exists.
struct Started {
    bool log = false;
    bool instance = false;
    bool sprites = false;
    bool display = false;
    bool frameTimer = false;
    bool sound = false;
    bool fonts = false;
    bool world = false;
    bool menus = false;
    bool warp = false;
    bool interface = false;
    bool engine3d = false;
} g_started;

void dispatchTick(CTimer&) { DXDispatch(); }
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
    g_window = new Velkrum::CDirectDrawWindow();
    g_window->Open(g_Config.screenWidth, g_Config.screenHeight, g_Config.fullScreen != 0);
    debug_log("openwindow() : %dx%d %s, pixels %s", g_window->Width(), g_window->Height(),
              g_Config.fullScreen ? "plein écran" : "fenêtre", Is565 ? "5-6-5" : "5-5-5");
    Input_SetMouseBounds(640, 480);
    SetMousePosition(320, 240);
    return true;
}

void OrvMain_OnInit() {
    CApplication& app = TheApplication();
    std::string install = app.argv.size() > 1 ? app.argv[1] : std::string(".");
    OrvFile_SetInstallDir(install);
    if (app.argv.size() > 2)
        for (int cd = 1; cd <= 4; cd++) OrvFile_SetCDRoot(cd, app.argv[2]);

    std::string logPath = OrvFile_GetInstallDir() + "quillmar2.log";
    debug_log_open(logPath.c_str());
    g_started.log = true;
    OrvError_SetQuitHook([](int code) { TheApplication().Quit(code); });
    debug_log("%s", ORV_VERSION_TEXT);

    if (!SingleInstance_Acquire(OrvFile_GetInstallDir())) {
        debug_log("Quillmar 2 : déjà lancé");
        DebugOut() << "Quillmar 2 : une autre instance tourne déjà" << std::endl;
        app.Quit(2);
    }
    g_started.instance = true;
    debug_log("Système : %s", osDescription().c_str());
    debug_log("Processeur : type %d", GetCPUType());

    config_load();
    debug_log("Après config_load");
    openwindow();
    debug_log("Après openwindow");

    Input_InstallSignalHandlers();
    Input_SetKeyHandlers(OrvInput_OnKeyDown, OrvInput_OnKeyUp);
    Input_SetMouseHandlers(warp_on_mouse_move, warp_on_mouse_button, {});
    g_dispatchTimer.tickCallback = dispatchTick;
    g_dispatchTimer.period = 0;
    g_dispatchTimer.Start();
    g_loopTimer.tickCallback = loopTick;
    g_loopTimer.period = 0;
    g_loopTimer.Start();

    OrvMain_InitSubsystems();
}

void OrvMain_InitSubsystems() {
    // The CD directories; which game CD is present is tested once the menus can say so.
    cd_init();
    cd_set_change_hook([](int, int) { OrvMenu_start_CD(); });

    OrvSound_MainInit();
    OrvMuzik_MainInit();
    g_started.sound = true;

    if (!OrvSpr_MainInit()) {
        OrvError_Fatal("OrvSpr_MainInit() : plug-in %s introuvable", OrvSpr_PluginName(ProcessorKind));
        return;
    }
    g_started.sprites = true;
    OrvSpr_SetScreenFormat(g_window->GetPixelFormat());
    OrvSpr_SetMouseSource(&MousePosition.x, &MousePosition.y);

    if (!OrvDisplay_Init(g_window)) {
        OrvError_Fatal("OrvDisplay_Init() : surfaces d'affichage impossibles");
        return;
    }
    g_started.display = true;

    OrvWarp_Init();
    g_started.warp = true;
    Orv3D_Init();
    g_started.engine3d = true;

    char path[ORV_PATH_MAX];
    build_path_save(path, "");
    OrvFile_MakeDir(path);

    OrvFont_MainInit();
    g_started.fonts = true;

    g_started.interface = Interface_LoadBank();

    // Messages, script names, inventory and the first chapter.
    OrvHooks.SetLoopType = OrvMain_SetLoopType;
    g_started.world = true;
    if (!OrvWorld_Init()) {
        OrvError_Fatal("OrvWorld_Init() : monde ou scénario illisible");
        return;
    }
    OrvMain_InstallLinks();

    OrvMenu_MainInit();
    g_started.menus = true;

    if (cd_get_current() == 0) {
        OrvMenu_start_LaunchBox();
        OrvError_Fatal("Lecteur de CD introuvable : aucun CD de Quillmar 2 (%s)", cd_probe_name(1).c_str());
        return;
    }
    debug_log("OrvMain_InitSubsystems() : CD %d", cd_get_current());

    frame_timer_start();
    g_started.frameTimer = true;
    OrvMain_SetLoopType(LOOP_WARP);
    OrvMenu_start_Player();
    OrvMain_StartIntros();
    debug_log("OrvMain_InitSubsystems() : ok");
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
    if (!g_started.log) return;
    debug_log("OnTerminate()");
    pz_mandala_log_solution();
    config_save();  // only when the settings were loaded

    // A video still playing (a quit during the intros) gives back its file and buffers.
    if (OrvQmv_IsOpen()) OrvQmv_stop();
    if (g_started.menus) OrvMenu_MainClose();
    g_started.menus = false;
    if (g_started.frameTimer) frame_timer_stop();
    // The puzzles give back their sounds and banks while those modules still run.
    if (g_started.world) pz_quit_all();
    if (g_started.sound) {
        OrvMuzik_MainClose();
        OrvSound_MainClose();
        g_started.sound = false;
    }
    g_dispatchTimer.Stop();
    g_loopTimer.Stop();
    if (g_started.world) OrvWorld_Close();
    if (g_started.warp) OrvWarp_Close();
    if (g_started.interface) Interface_FreeBank();
    if (g_started.fonts) OrvFont_RemoveFonts();
    OrvSpr_clear_spf();
    if (g_started.sprites) OrvSpr_MainClose();
    if (g_started.engine3d) Orv3D_Close();
    if (g_started.display) OrvDisplay_Close();
    g_started.sprites = g_started.display = g_started.frameTimer = g_started.fonts = g_started.world = false;
    g_started.warp = g_started.interface = g_started.engine3d = false;

    mem_report();
    if (g_window) {
        g_window->Close();
        delete g_window;
        g_window = nullptr;
    }
    if (g_started.instance) SingleInstance_Release();
    g_started.instance = false;
    debug_log("Fin de Quillmar 2");
    OrvError_SetQuitHook(nullptr);
    g_started.log = false;
}

// The application has written the text to the debug-output stream already; the log keeps it too.
void OrvMain_OnException(const char* text) { debug_log("Exception : %s", text ? text : ""); }

void OrvMain_InstallHandlers() {
    CApplication& app = TheApplication();
    app.onStart = OrvMain_OnInit;
    app.onTerminate = OnTerminate;
    app.onException = OrvMain_OnException;
}
