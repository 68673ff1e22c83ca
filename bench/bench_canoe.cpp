// The canoe puzzle's screen: one whole frame at 640x480 (ground depth copy, ground sprites, seven
// stones and the canoe) and one rebuild of the ground z-buffer, in frames per second against the main
// loop's 60 passes per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include "app/Cpu.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "engine3d/Orv3D.h"
#include "framework/Window.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "panorama/Interface.h"
#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_scene.h"
#include "puzzles/pz_pirogue_traj.h"
#include "raster/Rasterizer.h"
#include "testdata/CanoeScene.h"
#include "testdata/PanoramaWriter.h"
#include "testdata/SprWriter.h"
#include "testdata/TempDir.h"

namespace {

// The canoe's screen started on a generated installation, kept for every benchmark of the run.
struct Screen {
    TempDir dir;
    Velkrum::CDirectDrawWindow window;
    bool ready = false;

    Screen() {
        setenv("QM_HEADLESS", "1", 1);
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("QM_PLUGIN_DIR", QM_BENCH_PLUGIN_DIR, 0);
        DebugOut().SetHook([](const std::string&) {});
        OrvFile_SetInstallDir(dir.Path());
        for (int cd = 1; cd <= 4; ++cd) {
            OrvFile_SetCDRoot(cd, dir.Path());
            WriteFileText(dir / cd_probe_name(cd), "cd");
        }
        cd_init();
        if (!CanoeScene_WriteCD(dir.Path()) || !CanoeScene_WriteBanks(dir.Path()) ||
            !SprWriter_Save(dir / "spr/interfac.spr", PanoramaWriter_InterfaceImages(), SprWriterOptions{}))
            return;
        window.Open(640, 480, false);
        if (!OrvSpr_MainInit() || !OrvDisplay_Init(&window)) return;
        OrvSpr_SetScreenFormat(window.GetPixelFormat());
        rasterizerTR.SetProcessor(CPU_GENERIC);
        Orv3D_Init();
        ready = Interface_LoadBank() && pz_pirogue_init();
    }
};

Screen& TheScreen() {
    static Screen* screen = new Screen();
    return *screen;
}

// Frames per second, and how many of them fit in one of the main loop's 60 passes per second.
void Rates(benchmark::State& state, std::chrono::steady_clock::time_point start) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double fps = seconds > 0 ? double(state.iterations()) / seconds : 0.0;
    state.counters["fps"] = fps;
    state.counters["per_pass"] = fps / 60.0;
}

void BM_CanoeFrame(benchmark::State& state) {
    if (!TheScreen().ready) {
        state.SkipWithError("the canoe's screen did not start");
        return;
    }
    reset_pierres();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) pirogue_dessine();
    Rates(state, start);
}
BENCHMARK(BM_CanoeFrame)->Unit(benchmark::kMillisecond);

void BM_CanoeGroundDepth(benchmark::State& state) {
    if (!TheScreen().ready) {
        state.SkipWithError("the canoe's screen did not start");
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) create_zbuffer_sol();
    Rates(state, start);
}
BENCHMARK(BM_CanoeGroundDepth)->Unit(benchmark::kMillisecond);

}  // namespace
