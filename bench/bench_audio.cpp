// Audio costs: KSN decoding in multiples of real time (mono and stereo, beside the plain decoder), and one
// mixer callback with twelve voices.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "audio/Adpcm.h"
#include "audio/SoundMixer.h"
#include "testdata/KsnWriter.h"

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kSeconds = 10;

// Ten seconds of music, stereo (channels 2) or mono.
const std::vector<uint8_t>& musicFile(int channels = 2) {
    static const std::vector<uint8_t> files[2] = {
        KsnWriter_Encode(KsnWriter_TestSignal(kSeconds * kRate, 1, 1), 1, kRate),
        KsnWriter_Encode(KsnWriter_TestSignal(kSeconds * kRate, 2, 1), 2, kRate)};
    return files[channels - 1];
}

// Seconds of sound decoded per second of processor time.
void setRealTime(benchmark::State& state) {
    state.counters["xRealTime"] =
        benchmark::Counter(double(kSeconds) * double(state.iterations()), benchmark::Counter::kIsRate);
}

// The file's frames through the plain decoder, timed the best of many: the baseline in the same run.
double plainRealTime(const std::vector<uint8_t>& file, int channels) {
    AdpcmStreamState s;
    Adpcm_InitStream(file.data(), file.size(), &s);
    std::vector<int16_t> pcm(size_t(kSeconds * kRate * channels));
    double best = 1e9;
    for (int i = 0; i < 20; ++i) {
        AdpcmStreamState t = s;
        const auto t0 = std::chrono::steady_clock::now();
        Adpcm_DecodeFramesPlain(pcm.data(), &t, t.totalFrames, file.data());
        benchmark::DoNotOptimize(pcm.data());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return double(kSeconds) / best;
}

// The whole file at once, mono (range 1) and stereo (2); xRealTime_plain: the plain decoder on the same
// file in the same run.
void BM_AdpcmDecodeWhole(benchmark::State& state) {
    Adpcm_Init(ADPCM_LIB_VERSION);
    const int channels = int(state.range(0));
    const auto& file = musicFile(channels);
    std::vector<int16_t> pcm(size_t(kSeconds * kRate * channels));
    for (auto _ : state) {
        Adpcm_Decode(file.data(), file.size(), pcm.data(), pcm.size() * 2);
        benchmark::DoNotOptimize(pcm.data());
    }
    setRealTime(state);
    state.counters["xRealTime_plain"] = plainRealTime(file, channels);
}
BENCHMARK(BM_AdpcmDecodeWhole)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The music reader's way: 4096 bytes of a stereo file give one 16 KiB piece of PCM.
void BM_AdpcmDecodePieces(benchmark::State& state) {
    Adpcm_Init(ADPCM_LIB_VERSION);
    const auto& file = musicFile(2);
    std::vector<int16_t> piece(8192);
    for (auto _ : state) {
        AdpcmStreamState s;
        Adpcm_InitStream(file.data(), file.size(), &s);
        for (size_t at = 32; at < file.size(); at += 4096) {
            const size_t n = std::min<size_t>(4096, file.size() - at);
            s.dataOffset = 0;
            int16_t* out = piece.data();
            uint32_t shortfall = 0;
            Adpcm_DecodeStream(&out, &s, uint32_t(n), &shortfall, file.data() + at, n);
            benchmark::DoNotOptimize(piece.data());
        }
    }
    setRealTime(state);
}
BENCHMARK(BM_AdpcmDecodePieces)->Unit(benchmark::kMillisecond);

// One callback of 512 frames with the twelve voices playing: music, effects at several rates and
// channel counts, panned and attenuated.
void BM_MixerCallbackTwelveVoices(benchmark::State& state) {
    SoundMixer mixer(kRate);
    const auto signal = KsnWriter_TestSignal(kRate, 2, 3);
    for (int slot = 1; slot <= 12; ++slot) {
        const int channels = slot % 3 == 0 ? 1 : 2;
        const int rate = slot % 4 == 0 ? 11025 : slot % 5 == 0 ? 44100 : int(kRate);
        const int bytes = int(signal.size()) * 2 / (3 - channels);
        mixer.Create(slot, rate, 16, channels, bytes);
        void* p = nullptr;
        int n = 0;
        mixer.Lock(slot, 0, bytes, &p, &n);
        std::memcpy(p, signal.data(), size_t(n));
        mixer.Unlock(slot);
        mixer.SetVolume(slot, -100 * slot);
        mixer.SetPan(slot, (slot - 6) * 500);
        mixer.Play(slot, true);
    }
    std::vector<int16_t> out(512 * 2);
    for (auto _ : state) {
        mixer.Render(out.data(), 512);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["xRealTime"] =
        benchmark::Counter(512.0 / kRate * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MixerCallbackTwelveVoices)->Unit(benchmark::kMicrosecond);

}  // namespace
