// A scripted headless session on the demo installation: injected mouse and a manual clock, from start to EXIT.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/Clock.h"
#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "app/Timer.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "graphics2d/PixelFormat.h"
#include "menus/Orv_Font.h"
#include "panorama/Interface.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "panorama/WarpCube.h"
#include "testdata/DemoFixture.h"
#include "testdata/DemoPanorama.h"
#include "testdata/DemoWorld.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/TempDir.h"
#include "tests/support/LookTurn.h"
#include "world/Hooks.h"
#include "world/Interp.h"
#include "world/Inventaire.h"
#include "world/Orv_Msg.h"
#include "world/World.h"
#include "world/wam.h"

namespace {

constexpr int kMaxPasses = 30000;
const float kDown = -std::atan(0.3f);  // the key on the floor of IR 3, the exit above YU 3

struct Session {
    Velkrum::CDirectDrawWindow window;
    CTimer loop;
    int32_t loopType = 0;
    int passes = 0;
    // What the player saw: views entered, messages read, frames checked.
    std::vector<std::string> views;
    std::vector<int32_t> messages;
    std::vector<std::string> frameErrors;
    int framesChecked = 0;
    std::string failure;
    std::deque<std::function<bool()>> steps;
    const ST_wam_vue* lastVue = nullptr;
    bool keySpriteHiddenAfterPickUp = false;
};
Session* g_s = nullptr;

int32_t SetLoop(int32_t type) {
    const int32_t previous = g_s->loopType;
    g_s->loopType = type;
    OrvWarp_OnLoopType(type);
    return previous;
}

std::string ViewName(const ST_wam_vue* v) {
    char code[3];
    OrvWam_WorldCode(v, code);
    return std::string(code) + std::to_string(v ? v->id : 0);
}

// A face of the view as the panorama loaded it from the demo's files (0xAARRGGBB from the top-left);
// empty when it has none of that size.
std::vector<uint32_t> LoadedFace(int face) {
    CSurface* f = OrvWarp_GetFace(face);
    std::vector<uint32_t> px;
    if (!f || f->width != 512 || f->height != 512 || !f->Lock()) return px;
    for (int y = 0; y < f->height; y++)
        for (int x = 0; x < f->width; x++) {
            uint32_t pixel = 0;
            std::memcpy(&pixel, f->Row(y) + size_t(x) * size_t(f->BytesPerPixel()), size_t(f->BytesPerPixel()));
            px.push_back(UnpackColor(f->format, pixel));
        }
    f->Unlock();
    return px;
}

// The presented frame against the faces the panorama loaded, ray by ray, away from the pointer and seams.
void CheckFrame() {
    const ST_wam_vue* v = OrvWam_CurrentVue;
    const std::vector<uint32_t>& frame = g_s->window.GetPresentedFrame();
    if (!v || frame.size() != 640u * 480u) {
        g_s->frameErrors.push_back("no frame");
        return;
    }
    const CPixelFormat f565 = PixelFormatOf(PFID_R5G6B5);
    std::vector<uint32_t> faces[6];
    for (int f = 0; f < 6; f++) {
        faces[f] = LoadedFace(f);
        if (faces[f].size() != 512u * 512u) {
            g_s->frameErrors.push_back(ViewName(v) + ": face " + std::to_string(f) + " unreadable");
            return;
        }
    }
    int bad = 0;
    for (int y = 4; y < 480; y += 9)
        for (int x = 4; x < 640; x += 9) {
            if (std::abs(x - 320) < 20 && std::abs(y - 240) < 20) continue;
            int face;
            float u, w;
            WarpCube_Locate(WarpCube_ScreenDirection(OrvWarp_GetCamera(), x + 0.5f, y + 0.5f), &face, &u, &w);
            const int tx = int(u * 512), ty = int(w * 512);
            if (tx < 2 || ty < 2 || tx > 509 || ty > 509) continue;
            const uint32_t shown = PackColor(f565, frame[size_t(y) * 640 + x]);
            bool match = false;
            for (int dy = -1; dy <= 1 && !match; dy++)
                for (int dx = -1; dx <= 1 && !match; dx++)
                    match = PackColor(f565, faces[face][size_t(ty + dy) * 512 + tx + dx]) == shown;
            if (!match) bad++;
        }
    if (bad) g_s->frameErrors.push_back(ViewName(v) + ": " + std::to_string(bad) + " pixels differ");
    g_s->framesChecked++;
}

// Steps of the player; each returns true once done.
bool Idle() { return g_s->loopType == 0 && OrvWarp_MouseLookSpeeds.yaw == 0 && OrvWarp_MouseLookSpeeds.pitch == 0; }

std::function<bool()> Turn(float yaw, float pitch) {
    return [=] { return Idle() && TurnViewTowards(yaw, pitch); };
}

std::function<bool()> Click() {
    return [] {
        if (!Idle()) return false;
        Input_InjectButton(MOUSE_LEFT, true);
        Input_InjectButton(MOUSE_LEFT, false);
        return true;
    };
}

// Waits for message n, reads it for a moment, then clicks it away.
std::function<bool()> Read(int32_t n) {
    auto waited = std::make_shared<int>(0);
    return [=] {
        if (g_s->loopType != 10 || OrvMsg_Current() != n) return false;
        if ((*waited)++ < 5) return false;
        g_s->messages.push_back(n);
        Input_InjectButton(MOUSE_LEFT, true);
        Input_InjectButton(MOUSE_LEFT, false);
        return true;
    };
}

std::function<bool()> Arrive(const std::string& view) {
    return [=] { return g_s->loopType == 0 && OrvWam_CurrentVue && ViewName(OrvWam_CurrentVue) == view && Idle(); };
}

std::function<bool()> Check() {
    return [] {
        if (!Idle()) return false;
        CheckFrame();
        return true;
    };
}

void Pass(CTimer&) {
    Session& s = *g_s;
    if (++s.passes > kMaxPasses) {
        s.failure = "no EXIT after " + std::to_string(kMaxPasses) + " passes";
        TheApplication().Quit(3);
    }
    DXDispatch();
    if (s.loopType == 0) OrvWarp_continue();
    else if (s.loopType == 10) OrvMsg_continue();
    frame_timer_take_flag(NEWFRAME_MAIN);
    if (OrvWam_CurrentVue != s.lastVue && OrvWam_CurrentVue) s.views.push_back(ViewName(OrvWam_CurrentVue));
    s.lastVue = OrvWam_CurrentVue;
    if (!s.steps.empty() && s.steps.front()()) s.steps.pop_front();
}

void Start() {
    Session& s = *g_s;
    cd_init();
    s.window.Open(640, 480, false);
    OrvSpr_MainInit();
    OrvSpr_SetScreenFormat(s.window.GetPixelFormat());
    OrvSpr_SetMouseSource(&MousePosition.x, &MousePosition.y);
    OrvDisplay_Init(&s.window);
    Input_SetMouseBounds(640, 480);
    OrvFont_MainInit();
    if (!OrvWorld_Init()) return;
    OrvHooks.SetLoopType = SetLoop;
    OrvWarp_Init();
    Interface_LoadBank();
    Input_SetMouseHandlers(warp_on_mouse_move, warp_on_mouse_button, {});
    Interp_RunInit();
    frame_timer_start();
    s.loop.tickCallback = Pass;
    s.loop.period = 0;
    s.loop.Start();
}

}  // namespace

TEST(PanoramaSession, TheDemoIsPlayedFromStartToExit) {
    setenv("QM_HEADLESS", "1", 1);
    unsetenv("QM_PIXEL555");
    TempDir dir;
    std::string error;
    ASSERT_TRUE(DemoFixture_Copy(dir.Path(), {}, &error)) << error;
    OrvFile_SetInstallDir(dir.Path());
    for (int cd = 1; cd <= 4; cd++) OrvFile_SetCDRoot(cd, dir.Path());
    // The log of a fresh process: no warning of an earlier test waits to be written into it.
    debug_log_reset_for_tests();
    debug_log_open((dir / "quillmar2.log").c_str());
    config_reset();
    Input_Reset();
    frame_timer_reset();
    OrvHooks_Reset();
    OrvError_ResetForTests();
    CTManualClock clock(100.0);

    Session session;
    g_s = &session;
    const float q = WARP_PI / 2;
    session.steps = {
        Read(1),                                       // welcome on arrival
        Arrive("IR1"), Check(), Click(), Read(2),      // the chest is locked
        Turn(-q, 0), Click(), Arrive("IR4"), Check(),
        Turn(0, 0), Click(), Read(5),                  // too dark to pass: the departure is aborted
        Turn(q, 0), Click(), Arrive("IR1"),
        Turn(q, 0), Click(), Arrive("IR3"),
        Turn(0, kDown), Click(), Read(4),              // the key sprite is clicked and taken
        [] { g_s->keySpriteHiddenAfterPickUp = OrvSpw_NbVisibles == 1 && !OrvSpw_Visibles[0].shown; return true; },
        Turn(-q, 0), Click(), Arrive("IR1"),
        Turn(0, 0), Click(), Read(3),                  // the chest opens: the lantern
        Turn(-q, 0), Click(), Arrive("IR4"),
        Turn(0, 0), Click(), Arrive("YU1"),            // the link to the other world
        Turn(0, 0), Click(), Arrive("YU2"),
        Click(), Read(DEMO_GUARDIAN_BARS_MESSAGE),     // the guardian keeps the passage: he has not spoken
        Turn(q, 0), Click(), Arrive("YU3"),
        Turn(0, -kDown), Check(), Click(), Read(8),    // the way out, then EXIT
    };

    CApplication& app = TheApplication();
    app.Reset();
    app.onStart = Start;
    // The scenario's state as the program ends.
    static struct EndState {
        bool terminated = false;
        int32_t quit = 0, visitesYu = 0, monde = 0;
        int32_t flags[3] = {};
        bool cle = false, lanterne = false, gardienHidden = false;
    } end;
    end = EndState{};
    app.onTerminate = +[] {
        end.terminated = true;
        end.quit = quitqu2;
        end.visitesYu = Interp_ReadVar("VISITES_YU");
        end.monde = Interp_GetEngineVar(IV_MONDE);
        for (int i = 0; i < 3; i++) end.flags[i] = Interp_Flags[i];
        end.cle = Inventaire_IsObjetInSac("CLE");
        end.lanterne = Inventaire_IsObjetInSac("LANTERNE");
        end.gardienHidden = Interp_is_perso_hidden("GARDIEN");
    };
    OrvError_SetQuitHook([](int code) { TheApplication().Quit(code); });
    char name[] = "quillmar2";
    char* argv[] = {name, nullptr};
    const int code = app.Run(1, argv);

    OrvError_SetQuitHook(nullptr);
    Scheduler_Clear();
    OrvWarp_Close();
    Interface_FreeBank();
    OrvWorld_Close();
    OrvFont_RemoveFonts();
    OrvDisplay_Close();
    OrvSpr_MainClose();
    session.window.Close();
    Input_Reset();
    frame_timer_reset();
    OrvHooks_Reset();
    g_s = nullptr;

    EXPECT_EQ(session.failure, "");
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(end.terminated);
    EXPECT_EQ(end.quit, 1);
    EXPECT_EQ(end.visitesYu, 1);
    EXPECT_EQ(end.monde, 2);
    EXPECT_EQ(end.flags[1], 1);
    EXPECT_EQ(end.flags[2], 1);
    EXPECT_TRUE(end.cle);
    EXPECT_TRUE(end.lanterne);
    EXPECT_FALSE(end.gardienHidden);
    EXPECT_TRUE(session.steps.empty()) << session.steps.size() << " steps left";
    const std::vector<std::string> views = {"IR1", "IR4", "IR1", "IR3", "IR1", "IR4", "YU1", "YU2", "YU3"};
    EXPECT_EQ(session.views, views);
    EXPECT_EQ(session.messages, (std::vector<int32_t>{1, 2, 5, 4, 3, DEMO_GUARDIAN_BARS_MESSAGE, 8}));
    EXPECT_TRUE(session.keySpriteHiddenAfterPickUp);
    EXPECT_EQ(session.framesChecked, 3);
    EXPECT_TRUE(session.frameErrors.empty()) << session.frameErrors.front();
    const std::string log = ReadFileText(dir / "quillmar2.log");
    EXPECT_NE(log.find("OrvWarp_continue(): quitqu2==1 : Quit"), std::string::npos);
    EXPECT_EQ(log.find("<<< ERREUR"), std::string::npos);
}
