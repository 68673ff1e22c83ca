// Rasteriser throughput: pixels per second per span family for the portable, MMX, Pentium II and K6-3D
// rows, triangles per second by size, each beside memcpy of the same bytes and a baseline routine (the
// portable rows' pixel-by-pixel reference, or the portable row of the same mode) in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "raster/LightPlanes.h"
#include "raster/RoutineTable.h"
#include "raster/portable/PortableSpans.h"
#include "raster/portable/SpanKernel.h"
#include "testdata/RasterHarness.h"

using namespace raster_harness;

namespace {

struct SpanRow {
    const char* name;
    int family, variant;
    RastFn span;
};
#define QM_BENCH_ROW(row, name, family, variant) SpanRow{#name, family, variant, &Span_##name},
constexpr SpanRow kRows[] = {QM_PORTABLE_TEXTURED_SPANS(QM_BENCH_ROW)};
#undef QM_BENCH_ROW

// The groups of rows: the portable ones and the three hand-written ones, by first row.
constexpr int kGroupFirst[] = {kPortableFirstRow, kMmxFirstRow, kP2FirstRow, kK63DFirstRow};
constexpr int kGroupCount[] = {kPortableRows, kHandWrittenRows, kHandWrittenRows, kHandWrittenRows};

// Seconds per call of draw: the best of batches over about 20 ms.
template <class Draw>
double SecondsPerCall(Draw&& draw)
{
    draw();
    double best = 1e9;
    const auto start = std::chrono::steady_clock::now();
    do {
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < 4; ++i) draw();
        benchmark::ClobberMemory();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / 4);
    } while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(20));
    return best;
}

// memcpy of bytes: its bytes per second, the best of many copies.
double MemcpyBytesPerSecond(size_t bytes)
{
    std::vector<uint8_t> a(bytes, 1), b(bytes);
    return double(bytes) / SecondsPerCall([&] {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::DoNotOptimize(b.data());
    });
}

struct Scene {
    Runner run;
    CSystemMemorySurface tex8, tex16;
    explicit Scene(int w, int h) : run(w, h, true)
    {
        const CPixelFormat screen = PixelFormatOf(PFID_R5G6B5);
        Texture_CreatePalettised(tex8, 256, 256, screen);
        auto* plane = static_cast<uint16_t*>(tex8.plane.pixels);
        for (int i = 0; i < 256; ++i) plane[i] = uint16_t(i * 257);
        Texture_BuildLightPlanes(tex8.plane, screen);
        tex16.Create(256, 256, screen);
        for (int i = 0; i < 256 * 256; ++i) {
            static_cast<uint8_t*>(tex8.pixels)[i] = uint8_t(i * 7);
            static_cast<uint16_t*>(tex16.pixels)[i] = uint16_t(i * 13);
        }
        run.SetVarWeight(16);
        run.SetKeys(3, 3);
    }
    void UseTexture(int family)
    {
        run.SetTexture(family < 4 ? &tex8 : &tex16, family < 4 ? static_cast<const uint16_t*>(tex8.plane.pixels) : nullptr);
    }
    // Destination and depths cleared: the depth test then passes everywhere, and keeps passing as one
    // routine draws the same depths again.
    void Clear() { run.Fill(0, 0, 0); }
};

Scene& SceneOf(int w, int h)
{
    static Scene* scenes[2] = {};
    Scene*& scene = scenes[w == 640 ? 0 : 1];
    if (!scene) scene = new Scene(w, h);
    return *scene;
}

// A rectangle of w x h pixels at (x, y) as a two-triangle fan, texture repeated twice, 1/w 1 to 0.5.
std::vector<RastVertex> Rect(double x, double y, double w, double h)
{
    std::vector<RastVertex> q{MakeVertex(x, y), MakeVertex(x + w, y), MakeVertex(x + w, y + h), MakeVertex(x, y + h)};
    const float u[4] = {0, 2, 2, 0}, v[4] = {0, 0, 2, 2}, z[4] = {1.0f, 0.5f, 0.5f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        q[i].u = u[i] * z[i];
        q[i].v = v[i];
        q[i].z = z[i];
        q[i].shade2 = 0.8f;
    }
    return q;
}

// The row of a mode in a group.
const RasterizerRow& RowOf(int group, uint32_t mode)
{
    for (int i = kGroupFirst[group]; i < kGroupFirst[group] + kGroupCount[group]; ++i)
        if ((rasterizerTable[i].mode & ~RM_LINEAR_TWIN) == mode) return rasterizerTable[i];
    return rasterizerTable[0];
}

// One span family and variant of a group (range 0: 0 portable, 1 MMX, 2 Pentium II, 3 K6-3D) drawing
// full-screen quads through its own triangle routine. Mpix_s: its pixels per second; memcpy_Mpix_s:
// pixels per second of memcpy of the bytes the span touches (the destination, and the depth buffer when
// depth-tested); base_Mpix_s: the baseline, the portable row's pixel-by-pixel reference for the portable
// group and the portable row of the same mode for the others. The depths are cleared before each timing.
void BM_Span(benchmark::State& state)
{
    const int group = int(state.range(0));
    const SpanRow& spanRow = kRows[state.range(1)];
    const int w = int(state.range(2)), h = int(state.range(3));
    Scene& scene = SceneOf(w, h);
    scene.UseTexture(spanRow.family);
    const uint32_t mode = PortableRowMode(spanRow.family, spanRow.variant);
    const RasterizerRow& row = RowOf(group, mode);
    const std::vector<RastVertex> quad = Rect(0, 0, w, h);
    scene.Clear();
    for (auto _ : state) {
        scene.run.Draw(row, quad);
        benchmark::ClobberMemory();
    }
    const double pixels = double(w) * h;
    state.SetItemsProcessed(int64_t(state.iterations() * pixels));
    state.SetLabel(row.name);

    scene.Clear();
    const double own = SecondsPerCall([&] { scene.run.Draw(row, quad); });
    scene.Clear();
    const double base = group == 0 ? SecondsPerCall([&] {
        scene.run.Draw(row.triangle, row.setup, PortableReferenceSpan(spanRow.family, spanRow.variant), mode, quad);
    })
                                   : SecondsPerCall([&] { scene.run.Draw(RowOf(0, mode), quad); });
    const size_t bytes = size_t(pixels) * ((spanRow.family & 2) ? 6 : 2);
    state.counters["Mpix_s"] = pixels / own / 1e6;
    state.counters["base_Mpix_s"] = pixels / base / 1e6;
    state.counters["memcpy_Mpix_s"] = MemcpyBytesPerSecond(bytes) / double(bytes) * pixels / 1e6;
}

// Every group, families x {plain, keyed, Gouraud, Add}, at both screen sizes.
void SpanArgs(benchmark::internal::Benchmark* b)
{
    for (int group = 0; group < 4; ++group)
        for (int family = 0; family < 8; ++family)
            for (int variant : {kSpanCopy, kSpanKey, kSpanShade, kSpanAdd})
                for (auto [w, h] : {std::pair{640, 480}, std::pair{800, 600}}) b->Args({group, family * 12 + variant, w, h});
}
BENCHMARK(BM_Span)->Apply(SpanArgs)->Unit(benchmark::kMicrosecond);

void BM_FlatFill(benchmark::State& state)
{
    const int w = int(state.range(0)), h = int(state.range(1));
    Runner run(w, h, true);
    const std::vector<RastVertex> quad = Rect(0, 0, w, h);
    for (auto _ : state) {
        run.Draw(&Rast_TriangleC, &Rast_SetupScanC, &Span_FlatC, 0x1, quad);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * w * h);
}
BENCHMARK(BM_FlatFill)->Args({640, 480})->Args({800, 600})->Unit(benchmark::kMicrosecond);

// The physical reference: memset and memcpy of one 16-bit frame and of one frame plus its z-buffer.
void BM_Memset(benchmark::State& state)
{
    std::vector<uint8_t> buf(size_t(state.range(0)) * state.range(1) * state.range(2));
    for (auto _ : state) {
        std::memset(buf.data(), int(state.iterations() & 0xFF), buf.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0) * state.range(1));
    state.SetBytesProcessed(int64_t(state.iterations() * buf.size()));
}
void BM_Memcpy(benchmark::State& state)
{
    std::vector<uint8_t> a(size_t(state.range(0)) * state.range(1) * state.range(2)), b(a.size());
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0) * state.range(1));
    state.SetBytesProcessed(int64_t(state.iterations() * a.size()));
}
BENCHMARK(BM_Memset)->Args({640, 480, 2})->Args({800, 600, 2})->Args({640, 480, 6})->Args({800, 600, 6});
BENCHMARK(BM_Memcpy)->Args({640, 480, 2})->Args({800, 600, 2})->Args({640, 480, 6})->Args({800, 600, 6});

// Triangles per second by size through a group's Zi32Texture16 linear row (range 0 the group, range 1
// about the pixels of each): right triangles spread over the screen. x_portable: the time over the
// portable row's for the same triangles, each timing on a cleared depth buffer.
void BM_TrianglesBySize(benchmark::State& state)
{
    const int group = int(state.range(0));
    Scene& scene = SceneOf(800, 600);
    scene.UseTexture(6);
    const RasterizerRow& row = RowOf(group, 0x10E);
    const double side = std::sqrt(2.0 * double(state.range(1)));
    std::vector<std::vector<RastVertex>> tris;
    for (int i = 0; i < 256; ++i) {
        const double x = (i * 37) % int(800 - side - 1) + 0.25, y = (i * 91) % int(600 - side - 1) + 0.25;
        std::vector<RastVertex> t = Rect(x, y, side, side);
        t.pop_back();
        tris.push_back(t);
    }
    scene.Clear();
    size_t i = 0;
    for (auto _ : state) {
        scene.run.Draw(row, tris[i++ & 255]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.SetLabel(row.name);
    size_t j = 0, k = 0;
    scene.Clear();
    const double own = SecondsPerCall([&] { scene.run.Draw(row, tris[j++ & 255]); });
    scene.Clear();
    const double portable = SecondsPerCall([&] { scene.run.Draw(RowOf(0, 0x10E), tris[k++ & 255]); });
    state.counters["x_portable"] = own / portable;
}
void TriangleArgs(benchmark::internal::Benchmark* b)
{
    for (int group = 0; group < 4; ++group)
        for (int size : {8, 64, 512, 4096, 32768}) b->Args({group, size});
}
BENCHMARK(BM_TrianglesBySize)->Apply(TriangleArgs);

}  // namespace
