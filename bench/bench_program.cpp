// The whole program on the demo installation, headless, at 800x600: start to the first presented frame,
// and one pass of a panoramic view through the real modules (panorama, view sprites, interface,
// present), each beside its baseline in the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "app/Application.h"
#include "app/Clock.h"
#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_Log.h"
#include "app/Timer.h"
#include "app/main/Orv_Main.h"
#include "audio/SysSnd.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "menus/Mn_Widget.h"
#include "menus/Orv_Menu.h"
#include "menus/Orv_MenuHooks.h"
#include "testdata/DemoFixture.h"
#include "testdata/TempDir.h"
#include "world/Hooks.h"
#include "world/Orv_Msg.h"
#include "world/wam.h"

namespace {

using Clock = std::chrono::steady_clock;

// A writable demo installation whose settings ask for 800x600.
const std::string& Install()
{
    static TempDir dir;
    static const bool made = [] {
        std::string error;
        if (!DemoFixture_Copy(dir.Path(), {}, &error)) return false;
        OrvConfig c;
        c.screenWidth = 800, c.screenHeight = 600;
        uint8_t bytes[CONFIG_FILE_SIZE];
        config_encode(c, bytes);
        const std::filesystem::path cfg = std::filesystem::path(dir.Path()) / "quillm2.cfg";
        std::filesystem::remove(cfg);
        std::ofstream(cfg, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
        return true;
    }();
    static const std::string path = made ? dir.Path() : std::string();
    return path;
}

// The program, headless on the offline sound device and a manual clock (no waiting between passes);
// g_pass runs after every scheduler pass and ends the program by returning true.
std::function<bool()> g_pass;
CTimer g_driver;

int RunProgram(std::function<bool()> pass)
{
    setenv("QM_HEADLESS", "1", 1);
    setenv("QM_PLUGIN_DIR", QM_BENCH_PLUGIN_DIR, 1);
    unsetenv("QM_PIXEL555");
    const CTManualClock clock(1000.0);
    SysSnd_SelectDriver(SysSndDriver::Offline);
    Input_Reset();
    frame_timer_reset();
    OrvHooks_Reset();
    OrvMenuHooks_Reset();
    MenuState = ST_MenuState{};
    config_reset();
    OrvError_ResetForTests();
    g_pass = std::move(pass);
    CApplication& app = TheApplication();
    app.Reset();
    OrvMain_InstallHandlers();
    app.onStart = +[] {
        OrvMain_OnInit();
        g_driver.tickCallback = +[](CTimer&) {
            if (g_pass()) TheApplication().Quit(0);
        };
        g_driver.period = 0;
        g_driver.priority = -1000;  // after the main loop's pass
        g_driver.Start();
    };
    app.onTerminate = +[] {
        g_driver.Stop();
        OnTerminate();
    };
    std::string program = "quillmar2", install = Install();
    char* argv[] = {program.data(), install.data(), nullptr};
    const int code = app.Run(2, argv);
    Scheduler_Clear();
    SysSnd_SelectDriver(SysSndDriver::Sdl);
    return code;
}

const std::vector<uint32_t>* PresentedFrame()
{
    auto* window = dynamic_cast<Velkrum::CDirectDrawWindow*>(Velkrum::MainWindow());
    return window ? &window->GetPresentedFrame() : nullptr;
}

// A frame has been presented: the window opens on opaque black, which no frame of the demo is.
bool FramePresented()
{
    const std::vector<uint32_t>* f = PresentedFrame();
    if (!f) return false;
    for (uint32_t p : *f)
        if (p != 0xFF000000u) return true;
    return false;
}

// The best time of reading every file of the installation: the floor of what a start-up reads.
double ReadInstallSeconds()
{
    double best = 1e9;
    std::vector<char> buf(1 << 16);
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        for (const auto& e : std::filesystem::recursive_directory_iterator(Install())) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            while (in.read(buf.data(), std::streamsize(buf.size())) || in.gcount() > 0) benchmark::DoNotOptimize(buf.data());
        }
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

// From the program's start (the application's run) to the first frame it presents, through the
// settings, the window, the modules' start-up and the first pass. read_install_ms: reading every file
// of the installation, in the same run.
void BM_StartToFirstFrame(benchmark::State& state)
{
    if (Install().empty()) return state.SkipWithError("no demo installation");
    for (auto _ : state) {
        const auto t0 = Clock::now();
        double seconds = -1;
        int passes = 0;
        RunProgram([&] {
            if (FramePresented()) {
                seconds = std::chrono::duration<double>(Clock::now() - t0).count();
                return true;
            }
            return ++passes > 2000;
        });
        if (seconds < 0) return state.SkipWithError("no frame presented");
        state.SetIterationTime(seconds);
    }
    state.counters["read_install_ms"] = ReadInstallSeconds() * 1e3;
}
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The left button pressed and released at (x, y) of the frame.
void ClickAt(int x, int y)
{
    Input_InjectMouseMove(x - MousePosition.x, y - MousePosition.y);
    Input_InjectButton(MOUSE_LEFT, true);
    Input_InjectButton(MOUSE_LEFT, false);
}

// One pass of the main loop in the first view of a new game (the intro clicked away, the first
// player chosen, the first message read): the view drawn with its sprites and interface, and
// presented. memcpy_ms: one memcpy of an 800x600 frame, in the same run.
void BM_WarpPass(benchmark::State& state)
{
    if (Install().empty()) return state.SkipWithError("no demo installation");
    int step = 0, wait = 0;
    bool measured = false;
    RunProgram([&] {
        if (++wait > 5000) return true;
        switch (step) {
        case 0:  // the intro
            if (OrvMain_GetLoopType() == LOOP_QMV) ClickAt(400, 300), ++step;
            return false;
        case 1: {  // the player page
            CMnWidget* w = MenuState.page && OrvMain_GetLoopType() == LOOP_MENU ? MenuState.page->FindWidget("b_gala.spr") : nullptr;
            auto* b = dynamic_cast<CMnSprWidget*>(w);
            if (b && b->IsVisible() && b->IsEnabled()) ClickAt((b->GetLeft() + b->GetRight()) / 2, (b->GetTop() + b->GetBottom()) / 2), ++step;
            return false;
        }
        case 2:  // the first message
            if (OrvMain_GetLoopType() == LOOP_MESSAGE && OrvMsg_Current() >= 0) ClickAt(400, 300), ++step;
            return false;
        default:
            if (OrvMain_GetLoopType() != LOOP_WARP || !OrvWam_CurrentVue) return false;
            for (auto _ : state) OrvMain_LoopFrame();
            state.counters["width"] = OrvDisplay_GetRenderWidth();
            state.counters["height"] = OrvDisplay_GetRenderHeight();
            measured = true;
            return true;
        }
    });
    if (!measured) return state.SkipWithError("the first view was not reached");
    std::vector<uint16_t> a(800 * 600, 1), b(a.size());
    double best = 1e9;
    for (int i = 0; i < 200; ++i) {
        const auto t0 = Clock::now();
        std::memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::DoNotOptimize(b.data());
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    state.counters["memcpy_ms"] = best * 1e3;
}
BENCHMARK(BM_WarpPass)->Unit(benchmark::kMillisecond);

}  // namespace
