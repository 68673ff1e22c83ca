// Panorama frames: the cube drawn at 640x480 and 800x600 over a sweep of yaw, pitch and field of view,
// with the worst view and the mean, beside memcpy of one frame of the same size.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "panorama/Orv_Warp.h"
#include "panorama/WarpCube.h"
#include "panorama/WarpRasterizer.h"
#include "testdata/PanoramaWriter.h"

namespace {

struct Faces {
    CSystemMemorySurface s[WARP_NB_FACES];
    CSurface* ptr[WARP_NB_FACES];
    Faces()
    {
        for (int f = 0; f < WARP_NB_FACES; f++) {
            s[f].Create(WARP_FACE_SIZE, WARP_FACE_SIZE, PixelFormatOf(PFID_R5G6B5));
            s[f].Lock();
            const std::vector<uint32_t> px = PanoramaWriter_Face(f, FaceStyle::Demo);
            auto* dst = static_cast<uint16_t*>(s[f].pixels);
            for (size_t i = 0; i < px.size(); i++) dst[i] = uint16_t(PackColor(s[f].format, px[i]));
            ptr[f] = &s[f];
        }
    }
};

struct View {
    float yaw, pitch, fov;
};

// Yaw from a face's centre to its corner, pitch from level to straight up and down, at the normal field
// of view and at the widest the shake effect reaches.
std::vector<View> Sweep()
{
    std::vector<View> views;
    for (float fov : {WARP_FOV, WARP_FOV_MAX})
        for (float yaw : {0.0f, WARP_PI / 8, WARP_PI / 4, 3 * WARP_PI / 8})
            for (float pitch : {-1.5f, -0.9f, -0.6155f, 0.0f, 0.6155f, 0.9f, 1.5f}) views.push_back({yaw, pitch, fov});
    return views;
}

// The panorama frame as the warp pass draws it: the camera of the render size, the cube's faces.
struct Screen {
    CSystemMemorySurface surface;
    CTCamera camera;
    CTWarpRasterizer rast;
    Screen(int w, int h)
    {
        surface.Create(w, h, PixelFormatOf(PFID_R5G6B5));
        surface.Lock();
        camera.SetClipRect(0, 0, w - 1, h - 1);
        camera.SetCenter(float(w / 2), float(h / 2));
        camera.SetNear(1.0f / 1024.0f);
        rast.SetTarget(&surface);
    }
    void Draw(const View& v, Faces& faces)
    {
        camera.SetFieldOfView(v.fov, float(surface.width), float(surface.height));
        camera.frame.SetLocalRotation(WarpCube_ViewRotation(v.yaw, v.pitch, 0.0f));
        rast.BeginScene();
        WarpCube_Draw(camera, faces.ptr, rast);
    }
};

// Seconds of one memcpy of a w x h 16-bit frame: the best of many.
double FrameCopySeconds(int w, int h)
{
    std::vector<uint16_t> a(size_t(w) * h, 1), b(a.size());
    double best = 1e9;
    for (int i = 0; i < 200; i++) {
        const auto t0 = std::chrono::steady_clock::now();
        std::memcpy(b.data(), a.data(), a.size() * 2);
        benchmark::DoNotOptimize(b.data());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

// Every view of the sweep per iteration. ms_worst: the slowest view (each view's best time over the
// iterations), ms_mean: the mean over the views; memcpy_ms: one memcpy of a frame, in the same run.
void BM_PanoramaSweep(benchmark::State& state)
{
    static Faces faces;
    const int w = int(state.range(0)), h = int(state.range(1));
    Screen screen(w, h);
    const std::vector<View> views = Sweep();
    std::vector<double> best(views.size(), 1e9);
    for (auto _ : state) {
        for (size_t i = 0; i < views.size(); i++) {
            const auto t0 = std::chrono::steady_clock::now();
            screen.Draw(views[i], faces);
            benchmark::ClobberMemory();
            best[i] = std::min(best[i], std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
    }
    double sum = 0, worst = 0;
    for (double b : best) sum += b, worst = std::max(worst, b);
    state.counters["ms_worst"] = worst * 1e3;
    state.counters["ms_mean"] = sum / double(best.size()) * 1e3;
    state.counters["memcpy_ms"] = FrameCopySeconds(w, h) * 1e3;
    state.counters["views"] = double(views.size());
}
BENCHMARK(BM_PanoramaSweep)->Args({640, 480})->Args({800, 600})->Unit(benchmark::kMillisecond);

}  // namespace
