// Rasteriser throughput: pixels per second per span family, triangles per second by size, for the
// portable, the Pentium II and the K6-3D rows, against the portable rows and memset/memcpy of the
// same bytes.
#include <benchmark/benchmark.h>

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

// Bytes per second of the physical reference: memcpy of bytes, measured once.
double MemcpyBytesPerSecond(size_t bytes)
{
    static std::vector<uint8_t> a(bytes), b(bytes);
    a.resize(bytes);
    b.resize(bytes);
    const auto t0 = std::chrono::steady_clock::now();
    int reps = 0;
    do {
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::DoNotOptimize(b.data());
        ++reps;
    } while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(100));
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return double(bytes) * reps / s;
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
};

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

void BM_SpanFamily(benchmark::State& state)
{
    const SpanRow& row = kRows[state.range(0)];
    const int w = int(state.range(1)), h = int(state.range(2));
    static Scene* scenes[2] = {};
    Scene*& scene = scenes[w == 640 ? 0 : 1];
    if (!scene) scene = new Scene(w, h);
    scene->run.SetTexture(row.family < 4 ? &scene->tex8 : &scene->tex16,
                          row.family < 4 ? static_cast<const uint16_t*>(scene->tex8.plane.pixels) : nullptr);
    const uint32_t mode = PortableRowMode(row.family, row.variant);
    const std::vector<RastVertex> quad = Rect(0, 0, w, h);
    for (auto _ : state) {
        // The depth test passes on every frame: clear to the farthest value.
        if (row.family & 2) {
            state.PauseTiming();
            scene->run.Fill(0, 0, 0);
            state.ResumeTiming();
        }
        scene->run.Draw(&Rast_TriangleC, &Rast_SetupScanC, row.span, mode, quad);
        benchmark::ClobberMemory();
    }
    const double pixels = double(w) * h;
    state.SetItemsProcessed(int64_t(state.iterations() * pixels));
    state.SetLabel(row.name);
    // Bytes the span touches per pixel: destination, plus the z entry when depth-tested.
    const size_t bytes = size_t(pixels) * ((row.family & 2) ? 6 : 2);
    static double memcpyRate = MemcpyBytesPerSecond(size_t(800) * 600 * 6);
    // Span time over the time memcpy takes for the same bytes (1 = as fast as copying them).
    state.counters["x_memcpy"] =
        benchmark::Counter(double(bytes) / memcpyRate, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Families x {plain, keyed, Gouraud, Add} at both screen sizes.
void SpanArgs(benchmark::internal::Benchmark* b)
{
    for (int family = 0; family < 8; ++family)
        for (int variant : {kSpanCopy, kSpanKey, kSpanShade, kSpanAdd})
            for (auto [w, h] : {std::pair{640, 480}, std::pair{800, 600}}) b->Args({family * 12 + variant, w, h});
}
BENCHMARK(BM_SpanFamily)->Apply(SpanArgs)->Unit(benchmark::kMicrosecond);

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

// Triangles per second by size: right triangles of about range(0) pixels, textured with depth.
void BM_TrianglesBySize(benchmark::State& state)
{
    static Scene* scene = new Scene(800, 600);
    const RastFn span = kRows[6 * 12].span;  // Zi32Texture1516Linear
    scene->run.SetTexture(&scene->tex16, nullptr);
    const double side = std::sqrt(2.0 * double(state.range(0)));
    std::vector<std::vector<RastVertex>> tris;
    for (int i = 0; i < 256; ++i) {
        const double x = (i * 37) % int(800 - side - 1) + 0.25, y = (i * 91) % int(600 - side - 1) + 0.25;
        std::vector<RastVertex> t = Rect(x, y, side, side);
        t.pop_back();
        tris.push_back(t);
    }
    size_t i = 0;
    for (auto _ : state) {
        scene->run.Draw(&Rast_TriangleC, &Rast_SetupScanC, span, 0x10E, tris[i++ & 255]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_TrianglesBySize)->Arg(8)->Arg(64)->Arg(512)->Arg(4096)->Arg(32768);

// The row of a mode in a hand-written group (by its first row) and the portable row of the mode.
const RasterizerRow& RowOf(uint32_t mode, int first, int count)
{
    for (int i = first; i < first + count; ++i)
        if ((rasterizerTable[i].mode & ~RM_LINEAR_TWIN) == mode) return rasterizerTable[i];
    return rasterizerTable[0];
}
const RasterizerRow& GroupRow(int group, uint32_t mode) { return RowOf(mode, group, kHandWrittenRows); }
const RasterizerRow& PortableRow(uint32_t mode) { return RowOf(mode, kPortableFirstRow, kPortableRows); }

// Seconds per call of draw, timed over at least 50 ms. Redrawing needs no z-buffer clear: both
// families draw a pixel whose depth equals the stored one.
template <class Draw>
double SecondsPerCall(Draw&& draw)
{
    draw();
    const auto t0 = std::chrono::steady_clock::now();
    int64_t calls = 0;
    do {
        draw();
        benchmark::ClobberMemory();
        ++calls;
    } while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(50));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / double(calls);
}

// A hand-written group's rows of the same families and variants, full-screen quads through their
// own triangle routines; x_portable is the time over the portable row's for the same quad in the
// same run, x_memcpy the time over memcpy of the bytes the span touches.
void HandSpanFamily(benchmark::State& state, int group)
{
    const SpanRow& row = kRows[state.range(0)];
    const int w = int(state.range(1)), h = int(state.range(2));
    static Scene* scenes[2] = {};
    Scene*& scene = scenes[w == 640 ? 0 : 1];
    if (!scene) scene = new Scene(w, h);
    scene->run.SetTexture(row.family < 4 ? &scene->tex8 : &scene->tex16,
                          row.family < 4 ? static_cast<const uint16_t*>(scene->tex8.plane.pixels) : nullptr);
    const uint32_t mode = PortableRowMode(row.family, row.variant);
    const RasterizerRow& hand = GroupRow(group, mode);
    const std::vector<RastVertex> quad = Rect(0, 0, w, h);
    scene->run.Fill(0, 0, 0);
    for (auto _ : state) {
        scene->run.Draw(hand, quad);
        benchmark::ClobberMemory();
    }
    const double pixels = double(w) * h;
    state.SetItemsProcessed(int64_t(state.iterations() * pixels));
    state.SetLabel(hand.name);
    const double own = SecondsPerCall([&] { scene->run.Draw(hand, quad); });
    const double portable = SecondsPerCall([&] { scene->run.Draw(PortableRow(mode), quad); });
    state.counters["x_portable"] = own / portable;
    const size_t bytes = size_t(pixels) * ((row.family & 2) ? 6 : 2);
    static double memcpyRate = MemcpyBytesPerSecond(size_t(800) * 600 * 6);
    state.counters["x_memcpy"] = own / (double(bytes) / memcpyRate);
}
void BM_P2SpanFamily(benchmark::State& state) { HandSpanFamily(state, kP2FirstRow); }
void BM_K63DSpanFamily(benchmark::State& state) { HandSpanFamily(state, kK63DFirstRow); }
BENCHMARK(BM_P2SpanFamily)->Apply(SpanArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_K63DSpanFamily)->Apply(SpanArgs)->Unit(benchmark::kMicrosecond);

// Triangles per second by size through a hand-written group's Zi32Texture16 linear row, with the
// time over the portable row's for the same triangles.
void HandTrianglesBySize(benchmark::State& state, int group)
{
    static Scene* scene = new Scene(800, 600);
    scene->run.SetTexture(&scene->tex16, nullptr);
    const RasterizerRow& hand = GroupRow(group, 0x10E);
    const double side = std::sqrt(2.0 * double(state.range(0)));
    std::vector<std::vector<RastVertex>> tris;
    for (int i = 0; i < 256; ++i) {
        const double x = (i * 37) % int(800 - side - 1) + 0.25, y = (i * 91) % int(600 - side - 1) + 0.25;
        std::vector<RastVertex> t = Rect(x, y, side, side);
        t.pop_back();
        tris.push_back(t);
    }
    size_t i = 0;
    for (auto _ : state) {
        scene->run.Draw(hand, tris[i++ & 255]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    size_t j = 0, k = 0;
    const double own = SecondsPerCall([&] { scene->run.Draw(hand, tris[j++ & 255]); });
    const double portable = SecondsPerCall([&] { scene->run.Draw(PortableRow(0x10E), tris[k++ & 255]); });
    state.counters["x_portable"] = own / portable;
}
void BM_P2TrianglesBySize(benchmark::State& state) { HandTrianglesBySize(state, kP2FirstRow); }
void BM_K63DTrianglesBySize(benchmark::State& state) { HandTrianglesBySize(state, kK63DFirstRow); }
BENCHMARK(BM_P2TrianglesBySize)->Arg(8)->Arg(64)->Arg(512)->Arg(4096)->Arg(32768);
BENCHMARK(BM_K63DTrianglesBySize)->Arg(8)->Arg(64)->Arg(512)->Arg(4096)->Arg(32768);

}  // namespace
