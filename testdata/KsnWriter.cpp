// IMA ADPCM encoding of KSN files and their marks, test signals and the demo's sounds.
#include "testdata/KsnWriter.h"

#include <cmath>
#include <cstring>

#include "testdata/TempDir.h"

namespace {

const int32_t kSteps[89] = {7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
                            25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
                            88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
                            307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
                            1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
                            3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
                            12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int32_t kIndexAdjust[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

struct Encoder {
    int32_t predictor = 0;
    int32_t index = 0;

    uint8_t encode(int32_t sample) {
        const int32_t step = kSteps[index];
        int32_t diff = sample - predictor;
        uint8_t code = 0;
        if (diff < 0) {
            code = 8;
            diff = -diff;
        }
        int32_t s = step;
        if (diff >= s) {
            code |= 4;
            diff -= s;
        }
        s >>= 1;
        if (diff >= s) {
            code |= 2;
            diff -= s;
        }
        s >>= 1;
        if (diff >= s) code |= 1;
        // Follow the decoder exactly, so that both sides keep the same state.
        int32_t d = step >> 3;
        if (code & 4) d += step;
        if (code & 2) d += step >> 1;
        if (code & 1) d += step >> 2;
        predictor += (code & 8) ? -d : d;
        if (predictor > 32767) predictor = 32767;
        if (predictor < -32768) predictor = -32768;
        index += kIndexAdjust[code & 7];
        if (index < 0) index = 0;
        if (index > 88) index = 88;
        return code;
    }
};

void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

void putMark(std::vector<uint8_t>& spp, uint32_t frame, uint32_t frames, uint32_t rate, const Encoder ch[2]) {
    put32(spp, frame);  // offset in the data: one byte a stereo frame
    put32(spp, 1);      // stereo
    put32(spp, 0);      // data address, not used
    put32(spp, 0);      // phase
    put32(spp, rate);
    put32(spp, frames);
    put32(spp, frames - frame);  // frames left
    put32(spp, uint32_t(ch[0].predictor));
    put32(spp, uint32_t(ch[1].predictor));
    put32(spp, uint32_t(ch[0].index));
    put32(spp, uint32_t(ch[1].index));
    put32(spp, uint32_t(kSteps[ch[0].index]));
    put32(spp, uint32_t(kSteps[ch[1].index]));
    put32(spp, 0);  // reserved, pending byte, reserved
}

std::string sppPathOf(const std::string& ksnPath) {
    std::string p = ksnPath;
    const size_t dot = p.rfind('.');
    return (dot == std::string::npos ? p : p.substr(0, dot)) + ".spp";
}

}  // namespace

std::vector<uint8_t> KsnWriter_Encode(const std::vector<int16_t>& pcm, int channels, uint32_t rate,
                                      const std::vector<uint32_t>& markFrames, std::vector<uint8_t>* spp) {
    const bool stereo = channels == 2;
    const uint32_t frames = uint32_t(pcm.size() / (stereo ? 2 : 1));
    Encoder ch[2];
    if (frames > 0) {
        ch[0].predictor = pcm[0];
        ch[1].predictor = stereo ? pcm[1] : 0;
    }
    const char magic[] = "VELK_KSN1.20";
    std::vector<uint8_t> out(magic, magic + 12);
    out.reserve(32 + (stereo ? frames : (frames + 1) / 2));
    put32(out, frames);
    put32(out, rate);
    put32(out, uint32_t(ch[0].predictor));
    put32(out, uint32_t(ch[1].predictor));
    put32(out, stereo ? 1u : 0u);
    if (stereo) {
        size_t nextMark = 0;
        for (uint32_t f = 0; f < frames; ++f) {
            while (spp && nextMark < markFrames.size() && markFrames[nextMark] <= f) {
                if (markFrames[nextMark] == f) putMark(*spp, f, frames, rate, ch);
                ++nextMark;
            }
            const uint8_t l = ch[0].encode(pcm[2 * f]);
            const uint8_t r = ch[1].encode(pcm[2 * f + 1]);
            out.push_back(uint8_t(l << 4 | r));
        }
    } else {
        for (uint32_t f = 0; f < frames; f += 2) {
            const uint8_t hi = ch[0].encode(pcm[f]);
            const uint8_t lo = f + 1 < frames ? ch[0].encode(pcm[f + 1]) : 0;
            out.push_back(uint8_t(hi << 4 | lo));
        }
    }
    return out;
}

bool KsnWriter_Save(const std::string& ksnPath, const std::vector<int16_t>& pcm, int channels, uint32_t rate,
                    const std::vector<uint32_t>& markFrames) {
    std::vector<uint8_t> spp;
    const std::vector<uint8_t> ksn = KsnWriter_Encode(pcm, channels, rate, markFrames, &spp);
    if (!WriteFileBytes(ksnPath, ksn.data(), ksn.size())) return false;
    return markFrames.empty() || WriteFileBytes(sppPathOf(ksnPath), spp.data(), spp.size());
}

std::vector<int16_t> KsnWriter_TestSignal(uint32_t frames, int channels, uint32_t seed) {
    std::vector<int16_t> pcm(size_t(frames) * size_t(channels));
    uint32_t noise = seed * 2654435761u + 1;
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            const double t = f / 22050.0;
            const double base = 180.0 + 40.0 * c + 30.0 * std::sin(t * 0.7 + seed);
            double v = 9000.0 * std::sin(2 * M_PI * base * t) + 4000.0 * std::sin(2 * M_PI * base * 3.01 * t + c);
            noise = noise * 1664525u + 1013904223u;
            v += double(int32_t(noise >> 16) - 32768) / 16.0;
            pcm[size_t(f) * size_t(channels) + size_t(c)] = int16_t(std::lround(v));
        }
    }
    return pcm;
}
