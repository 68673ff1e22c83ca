// The demo installation's music and ambient sounds, synthesised and encoded as KSN files.
#include <algorithm>
#include <cmath>
#include <vector>

#include "testdata/KsnWriter.h"

namespace {

constexpr uint32_t kRate = 22050;

int16_t sample(double v) {
    if (v > 32767.0) v = 32767.0;
    if (v < -32768.0) v = -32768.0;
    return int16_t(std::lround(v));
}

// Sixteen seconds of a slow pentatonic arpeggio over a drone, notes panned left and right.
std::vector<int16_t> demoMusic() {
    const double scale[] = {220.0, 247.5, 275.0, 330.0, 371.25, 440.0, 495.0, 550.0};
    const int pattern[] = {0, 2, 4, 5, 3, 1, 4, 6, 7, 5, 3, 2};
    const double noteLength = 0.3;
    const uint32_t frames = 16 * kRate;
    std::vector<int16_t> pcm(size_t(frames) * 2);
    for (uint32_t f = 0; f < frames; ++f) {
        const double t = f / double(kRate);
        const int note = int(t / noteLength);
        const double dt = t - note * noteLength;
        const double freq = scale[pattern[note % 12]];
        const double env = std::exp(-dt * 5.0) * std::min(1.0, dt * 200.0);
        const double tone = env * (std::sin(2 * M_PI * freq * t) + 0.3 * std::sin(4 * M_PI * freq * t));
        const double drone = 0.25 * std::sin(2 * M_PI * 110.0 * t) * (0.8 + 0.2 * std::sin(2 * M_PI * 0.25 * t));
        const double pan = note % 2 ? 0.75 : 0.25;
        pcm[2 * f] = sample(9000.0 * (tone * (1.0 - pan) * 2.0 * 0.6 + drone));
        pcm[2 * f + 1] = sample(9000.0 * (tone * pan * 2.0 * 0.6 + drone));
    }
    return pcm;
}

// White noise through a one-pole low-pass: the smaller the smoothing, the darker.
struct Rumble {
    uint32_t seed;
    double smoothing;
    double low = 0.0;
    double Next() {
        seed = seed * 1664525u + 1013904223u;
        const double white = double(int32_t(seed >> 16) - 32768) / 32768.0;
        low += (white - low) * smoothing;
        return low;
    }
};

// Wind: smoothed noise swelling and falling.
std::vector<int16_t> demoWind() {
    const uint32_t frames = 4 * kRate;
    std::vector<int16_t> pcm(frames);
    Rumble wind{12345, 0.04};
    for (uint32_t f = 0; f < frames; ++f) {
        const double low = wind.Next();
        const double t = f / double(kRate);
        pcm[f] = sample(40000.0 * low * (0.5 + 0.5 * std::sin(2 * M_PI * t / 4.0 - M_PI / 2)));
    }
    return pcm;
}

// A bird: three rising chirps.
std::vector<int16_t> demoBird() {
    const uint32_t frames = uint32_t(1.2 * kRate);
    std::vector<int16_t> pcm(frames);
    double phase = 0.0;
    for (uint32_t f = 0; f < frames; ++f) {
        const double t = f / double(kRate);
        const double local = std::fmod(t, 0.4);
        const bool on = local < 0.15;
        const double freq = 2500.0 + 9000.0 * local;
        phase += 2 * M_PI * freq / kRate;
        const double env = on ? std::sin(M_PI * local / 0.15) : 0.0;
        pcm[f] = sample(12000.0 * env * std::sin(phase));
    }
    return pcm;
}

// Water drops: short decaying tones, each higher than the last.
std::vector<int16_t> demoDrops() {
    const uint32_t frames = uint32_t(1.5 * kRate);
    std::vector<int16_t> pcm(frames);
    for (uint32_t f = 0; f < frames; ++f) {
        const double t = f / double(kRate);
        const int drop = int(t / 0.3);
        const double dt = t - drop * 0.3;
        const double freq = 900.0 + 250.0 * drop + 1500.0 * dt;
        pcm[f] = sample(14000.0 * std::exp(-dt * 30.0) * std::sin(2 * M_PI * freq * dt));
    }
    return pcm;
}

// The temple's hum: a low drone whose partials beat slowly, under a breath of air; every partial and the swell
// turn a whole number of times in the four seconds, so that the loop has no seam.
std::vector<int16_t> demoTempleHum() {
    const uint32_t frames = 4 * kRate;
    std::vector<int16_t> pcm(frames);
    Rumble air{777, 0.02};
    for (uint32_t f = 0; f < frames; ++f) {
        const double breath = air.Next();
        const double t = f / double(kRate);
        const double swell = 0.75 + 0.25 * std::sin(2 * M_PI * t / 4.0);
        const double drone = std::sin(2 * M_PI * 55.0 * t) + 0.6 * std::sin(2 * M_PI * 82.5 * t) + 0.4 * std::sin(2 * M_PI * 110.25 * t);
        pcm[f] = sample(5000.0 * swell * drone + 12000.0 * breath);
    }
    return pcm;
}

// A short bell: a few partials decaying, the pitch given by its base frequency; rising adds an upward glide.
std::vector<int16_t> demoChime(double base, bool rising) {
    const uint32_t frames = uint32_t(0.6 * kRate);
    std::vector<int16_t> pcm(frames);
    double phase = 0.0;
    for (uint32_t f = 0; f < frames; ++f) {
        const double t = f / double(kRate);
        const double freq = base * (rising ? 1.0 + 0.5 * std::min(t / 0.15, 1.0) : 1.0);
        phase += 2 * M_PI * freq / kRate;
        const double env = std::exp(-t * 6.0) * std::min(1.0, t * 400.0);
        pcm[f] = sample(11000.0 * env * (std::sin(phase) + 0.4 * std::sin(2.76 * phase) + 0.2 * std::sin(5.4 * phase)));
    }
    return pcm;
}

}  // namespace

bool DemoAudio_Write(const std::string& dir, std::string* error) {
    std::string root = dir;
    if (!root.empty() && root.back() != '/') root += '/';
    struct Item {
        std::string path;
        std::vector<int16_t> pcm;
        int channels;
        std::vector<uint32_t> marks;
    };
    const Item items[] = {
        {root + "music/muzik01.ksn", demoMusic(), 2, {4 * kRate, 8 * kRate}},
        {root + "datas_q2/ksn/vent.ksn", demoWind(), 1, {}},
        {root + "datas_q2/ksn/oiseau.ksn", demoBird(), 1, {}},
        {root + "datas_q2/ksn/gouttes.ksn", demoDrops(), 1, {}},
        {root + "datas_q2/ksn/temple.ksn", demoTempleHum(), 1, {}},
        // Sounds the puzzles play: the web's caterpillar and grasshopper taken, a star taken back and laid.
        {root + "datas_q2/ksn/son104.ksn", demoChime(660.0, true), 1, {}},
        {root + "datas_q2/ksn/son105.ksn", demoChime(880.0, true), 1, {}},
        {root + "datas_q2/ksn/son114.ksn", demoChime(990.0, false), 1, {}},
        {root + "datas_q2/ksn/son115.ksn", demoChime(1320.0, false), 1, {}},
    };
    for (const Item& it : items) {
        if (!KsnWriter_Save(it.path, it.pcm, it.channels, kRate, it.marks)) {
            if (error) *error = it.path + ": cannot be written";
            return false;
        }
    }
    return true;
}
