// Frame decoder throughput at 640x480: worst-case key frames (every block intra with a full coefficient set,
// of the longest codes or of +-1) and typical difference frames (co-located blocks, a moving object, some
// intra blocks), each beside the plain decoder in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "testdata/QmvWriter.h"
#include "video/QmvDecoder.h"

namespace {

constexpr int W = 640;
constexpr int H = 480;

// Every block intra, every coefficient of every component coded with the longest code (15 and a byte).
std::vector<uint8_t> WorstKeyFrame() {
    QmvFrameWriter f(true, 100);
    int coefficients[3][64];
    for (auto& comp : coefficients)
        for (int k = 0; k < 64; ++k) comp[k] = k % 2 ? 37 : -41;
    for (int b = 0; b < (W / 8) * (H / 8); ++b) f.Intra(coefficients);
    return f.Finish();
}

// Every block intra, every coefficient of every component +1 or -1 (a pseudo-random pattern): the
// shortest codes, so the most coefficients per nibble.
std::vector<uint8_t> UnitKeyFrame() {
    QmvFrameWriter f(true, 100);
    uint32_t seed = 12345;
    for (int b = 0; b < (W / 8) * (H / 8); ++b) {
        int coefficients[3][64];
        for (auto& comp : coefficients)
            for (int& c : comp) c = (seed = seed * 1664525u + 1013904223u) >> 31 ? 1 : -1;
        f.Intra(coefficients);
    }
    return f.Finish();
}

// A textured background with a square moving 3 pixels a frame and a band that changes every frame.
std::vector<std::vector<uint8_t>> DifferenceFrames(int count) {
    QmvEncoder encoder(75);
    std::vector<std::vector<uint8_t>> frames;
    for (int n = 0; n <= count; ++n) {
        std::vector<uint32_t> p(size_t(W) * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                uint32_t c = 0xFF000000u | uint32_t((x * 3 + y) & 255) << 16 | uint32_t((y * 5) & 255) << 8 | uint32_t(x & 255);
                if (x >= 100 + 3 * n && x < 228 + 3 * n && y >= 120 && y < 248) c = 0xFF000000u | uint32_t((x - 3 * n) * 7 & 255) << 8;
                if (y >= 400 && y < 416) c = 0xFF000000u | uint32_t((x + 17 * n) & 255) << 16;
                p[size_t(y) * W + size_t(x)] = c;
            }
        frames.push_back(encoder.Encode(p, n == 0));
    }
    return frames;
}

// Frames per second of one key frame through the decoder, and through the plain decoder in the same run.
void KeyFrame(benchmark::State& state, const std::vector<uint8_t>& frame) {
    QmvDec_Init565();
    std::vector<uint16_t> prev(size_t(W) * H), dst(size_t(W) * H);
    for (auto _ : state) {
        const int r = QmvDec_DecodeFrame(frame.data(), uint32_t(frame.size()), prev.data(), dst.data());
        if (r != QMVDEC_OK) state.SkipWithError(QmvDec_ResultText(r));
        benchmark::DoNotOptimize(dst.data());
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["bytes"] = double(frame.size());
    double best = 1e9;
    for (int i = 0; i < 10; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        QmvDec_DecodeFramePlain(frame.data(), uint32_t(frame.size()), prev.data(), dst.data());
        benchmark::DoNotOptimize(dst.data());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    state.counters["frames/s_plain"] = 1.0 / best;
}
void BM_KeyFrameWorstCase(benchmark::State& state) { KeyFrame(state, WorstKeyFrame()); }
void BM_KeyFrameUnitCoefficients(benchmark::State& state) { KeyFrame(state, UnitKeyFrame()); }
BENCHMARK(BM_KeyFrameWorstCase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyFrameUnitCoefficients)->Unit(benchmark::kMillisecond);

void BM_DifferenceFrames(benchmark::State& state) {
    QmvDec_Init565();
    const auto frames = DifferenceFrames(16);
    std::vector<uint16_t> pics[2] = {std::vector<uint16_t>(size_t(W) * H), std::vector<uint16_t>(size_t(W) * H)};
    QmvDec_DecodeFrame(frames[0].data(), uint32_t(frames[0].size()), pics[0].data(), pics[1].data());
    size_t i = 1, swap = 1;
    for (auto _ : state) {
        const auto& f = frames[i];
        const int r = QmvDec_DecodeFrame(f.data(), uint32_t(f.size()), pics[swap].data(), pics[swap ^ 1].data());
        if (r != QMVDEC_OK) state.SkipWithError(QmvDec_ResultText(r));
        swap ^= 1;
        i = i + 1 < frames.size() ? i + 1 : 1;
    }
    state.counters["frames/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    double best = 1e9;
    for (size_t k = 1; k < frames.size(); ++k) {
        const auto t0 = std::chrono::steady_clock::now();
        QmvDec_DecodeFramePlain(frames[k].data(), uint32_t(frames[k].size()), pics[0].data(), pics[1].data());
        benchmark::DoNotOptimize(pics[1].data());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    state.counters["frames/s_plain"] = 1.0 / best;
}
BENCHMARK(BM_DifferenceFrames)->Unit(benchmark::kMillisecond);

}  // namespace
