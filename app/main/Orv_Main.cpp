// The game's start-up, per-pass dispatch on the loop type, and shut-down.
#include "app/main/Orv_Main.h"

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
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"

const char* const ORV_VERSION_TEXT = "Quillmar 2 - Version 3.18 - 8/10/1999";

int32_t LoopType = LOOP_WARP;

namespace {
Velkrum::CDirectDrawWindow* g_window = nullptr;
CTimer g_dispatchTimer;
CTimer g_loopTimer;
SprBank* g_interfaceBank = nullptr;

// What has started, so that the shut-down touches only what exists.
struct Started {
    bool log = false;
    bool instance = false;
    bool sprites = false;
    bool display = false;
    bool frameTimer = false;
    bool sound = false;
} g_started;

void dispatchTick(CTimer&) { DXDispatch(); }
void loopTick(CTimer&) { OrvMain_LoopFrame(); }

// Loop type 0 until the panorama draws it: the cleared frame and the pointer.
void loopWarpPlaceholder() {
    CSurface* render = OrvDisplay_GetRenderSurface();
    if (!render || !OrvDisplay_LockSurface()) return;
    ClearSurface(*render, 0);
    OrvSpr_SetSurfaceInfo(render);
    OrvSpr_Aff_curseur_souris();
    OrvDisplay_UnlockSurface();
    OrvDisplay_AutoBlit();
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
    g_dispatchTimer.tickCallback = dispatchTick;
    g_dispatchTimer.period = 0;
    g_dispatchTimer.Start();
    g_loopTimer.tickCallback = loopTick;
    g_loopTimer.period = 0;
    g_loopTimer.Start();

    OrvMain_InitSubsystems();
}

void OrvMain_InitSubsystems() {
    if (!cd_init()) {
        OrvError_Fatal("Lecteur de CD introuvable : aucun CD de Quillmar 2 (%s)", cd_probe_name(1).c_str());
        return;
    }
    debug_log("OrvMain_InitSubsystems() : CD %d", cd_get_current());

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

    char path[ORV_PATH_MAX];
    build_path_save(path, "");
    OrvFile_MakeDir(path);

    if (OrvSpr_LoadBank("interfac.spr", &g_interfaceBank, 0)) OrvSpr_set_curseur(g_interfaceBank, 0);

    frame_timer_start();
    g_started.frameTimer = true;
    OrvMain_SetLoopType(LOOP_WARP);
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
        loopWarpPlaceholder();
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
    config_save();  // only when the settings were loaded

    if (g_started.frameTimer) frame_timer_stop();
    if (g_started.sound) {
        OrvMuzik_MainClose();
        OrvSound_MainClose();
        g_started.sound = false;
    }
    g_dispatchTimer.Stop();
    g_loopTimer.Stop();
    if (g_interfaceBank) OrvSpr_LibereBank(&g_interfaceBank);
    OrvSpr_clear_spf();
    if (g_started.sprites) OrvSpr_MainClose();
    if (g_started.display) OrvDisplay_Close();
    g_started.sprites = g_started.display = g_started.frameTimer = false;

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
