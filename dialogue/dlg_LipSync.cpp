// Voice analysis in integers per block, and the mouth weights blended from the character's table.
#include "dialogue/dlg_LipSync.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/FloatToInt.h"
#include "app/Orv_Log.h"
#include "audio/AdpcmStream.h"
#include "dialogue/dlg_Script.h"

namespace {

// Upper limits of the crossing-distance bands; a longer distance falls into the last band.
constexpr int32_t kBandLimits[DLG_BANDS] = {2, 4, 8, 14, 50, 80, 100002, 100003};
constexpr int32_t kBinomial12[13] = {1, 12, 66, 220, 495, 792, 924, 792, 495, 220, 66, 12, 1};
constexpr int32_t kBinomial6[7] = {1, 6, 15, 20, 15, 6, 1};

int Band(int32_t distance)
{
    for (int c = 0; c < DLG_BANDS; ++c)
        if (kBandLimits[c] >= distance) return c;
    return DLG_BANDS - 1;
}

// Window reads past either end of the arrays (voices under 1536 samples) see empty blocks.
int64_t EnergyAt(const dlg_VoiceAnalysis& a, int64_t block)
{
    return block >= 0 && block < int64_t(a.blockCount) ? a.energy[size_t(block)] : 0;
}

int32_t CellAt(const dlg_VoiceAnalysis& a, int64_t block, int band)
{
    return block >= 0 && block < int64_t(a.blockCount) ? a.histograms[size_t(block) * DLG_BANDS + size_t(band)] : 0;
}

// The binomial mean of the seven energies around a block, truncated.
int64_t Loudness(const dlg_VoiceAnalysis& a, int64_t b)
{
    int64_t sum = 0;
    for (int k = -3; k <= 3; ++k) sum += kBinomial6[k + 3] * EnergyAt(a, b + k);
    return sum / 64;
}

// The binomial mean of the thirteen band cells around a block, truncated, at most 255.
void Spectrum(const dlg_VoiceAnalysis& a, int64_t b, float out[DLG_BANDS])
{
    for (int c = 0; c < DLG_BANDS; ++c) {
        int64_t sum = 0;
        for (int k = -6; k <= 6; ++k) sum += kBinomial12[k + 6] * CellAt(a, b + k, c);
        out[c] = float(std::min<int64_t>(sum / 4096, 255));
    }
}

struct Features {
    float a, b, c, d;
};

Features FeaturesOf(const float h[DLG_BANDS])
{
    constexpr float k = 0.00390625f;
    return {h[0] * k * 0.7f, (h[1] + h[2] + h[3] + h[4]) * k * 0.5f, h[5] * k * 1.2f, (h[6] + h[7]) * k * 1.6f};
}

// Silence of a loudness: (1 - E / maximum)^8.
float Silence(int64_t e, int32_t maximum)
{
    const float s = 1.0f - float(e) / float(maximum);
    const float s2 = s * s, s4 = s2 * s2;
    return s4 * s4;
}

}  // namespace

void DlgBuffers_Free(dlg_VoiceAnalysis& a)
{
    std::vector<int32_t>().swap(a.energy);
    std::vector<uint8_t>().swap(a.histograms);
    std::vector<float>().swap(a.previous);
}

void dlg_VoiceAnalysis::Analyse(uint32_t count, const float* weightTable, const int16_t* pcm, uint32_t samplesIn,
                                float smoothing)
{
    DlgBuffers_Free(*this);
    lastTime = 100.0f;
    std::fill(std::begin(previousBands), std::end(previousBands), 0.0f);
    maxEnergy = 1;
    n = count;
    table = weightTable;
    samples = pcm;
    sampleCount = samplesIn;
    smooth = smoothing;
    // The table has one column per mouth shape: more weights than shapes would read past its rows.
    if (!samples || !table || sampleCount == 0 || n < 2 || n > uint32_t(DLG_VISEMES)) return;

    duration = float(double(sampleCount) / double(DLG_VOICE_RATE));
    blockCount = (sampleCount >> 8) + 2 * DLG_BLOCK_MARGIN;
    energy.assign(blockCount, 0);
    histograms.assign(size_t(blockCount) * DLG_BANDS, 0);
    previous.assign(n, 0.0f);

    bool positive = false;
    int32_t distance = 0;
    const int16_t* s = samples;
    for (uint32_t block = DLG_BLOCK_MARGIN; block < blockCount - DLG_BLOCK_MARGIN; ++block) {
        int32_t counts[DLG_BANDS] = {};
        int32_t crossings = 0;
        int32_t sum = 0;
        for (uint32_t i = 0; i < DLG_BLOCK_SAMPLES; ++i, ++s) {
            sum += std::abs(int32_t(*s));
            if ((*s >= 0) != positive) {
                positive = !positive;
                ++crossings;
                ++counts[Band(distance)];
                distance = 0;
            }
            // Held below the last limit's reach so that it never wraps on a long silence.
            if (distance <= kBandLimits[DLG_BANDS - 1]) ++distance;
        }
        uint8_t* cells = &histograms[size_t(block) * DLG_BANDS];
        if (crossings > 0)
            for (int c = 0; c < DLG_BANDS; ++c) cells[c] = uint8_t(std::min(counts[c] * 256 / crossings, 255));
        energy[block] = sum;
        maxEnergy = std::max(maxEnergy, sum);
    }
}

void dlg_VoiceAnalysis::AnalyseVoice(const AdpcmStream& voice, const dlg_PersoDef& def)
{
    if (voice.GetFrequency() != int32_t(DLG_VOICE_RATE) || voice.GetStereo() != 0)
        OrvError_Warning("dlg_VoiceAnalysis::Analyse() ATTENTION: voix de %d Hz (%s) analysée comme 22050 Hz mono",
                         int(voice.GetFrequency()), voice.GetStereo() ? "stéréo" : "mono");
    Analyse(DLG_VISEMES, def.matrix, voice.GetPcmBuffer(), uint32_t(std::max(voice.GetPcmSize(), 0) / 2), def.smooth);
}

int64_t dlg_VoiceBlock(const dlg_VoiceAnalysis& a, float p)
{
    const int64_t b = int64_t(DLG_BLOCK_MARGIN) + Orv_TruncSat(double(float(a.sampleCount) * p / 256.0f));
    return std::min<int64_t>(std::max<int64_t>(b, DLG_BLOCK_MARGIN), int64_t(a.blockCount) - 2 * DLG_BLOCK_MARGIN);
}

void dlg_ComputeVisemeWeights(dlg_VoiceAnalysis& a, float* w, float t)
{
    if (!a.HasArrays() || !w) return;
    const uint32_t n = a.n;
    const float* row = a.table;
    auto setRow = [&](int k) {
        for (uint32_t i = 0; i < n; ++i) w[i] = row[k * DLG_VISEMES + i];
    };
    auto mixRow = [&](int k, float s) {
        for (uint32_t i = 0; i < n; ++i) w[i] = (1.0f - s) * w[i] + s * row[k * DLG_VISEMES + i];
    };

    float dt = (t - a.lastTime) * 15.0f;
    if (!(dt >= 0.001f)) dt = 0.001f;
    const float p = t / a.duration;
    if (!(p >= 0.0f && p <= 1.0f)) {
        setRow(7);
        a.lastTime = t;
        return;
    }
    const int64_t b = dlg_VoiceBlock(a, p);

    for (uint32_t i = 0; i < n; ++i) w[i] = 0.0f;
    const float silenceNow = Silence(Loudness(a, b), a.maxEnergy);
    const float silenceAhead = Silence(Loudness(a, b + 3), a.maxEnergy);

    float h[DLG_BANDS], g[DLG_BANDS];
    Spectrum(a, b, h);
    Spectrum(a, b + 3, g);
    const float q = std::pow(2.0f / 3.0f, dt);
    for (int c = 1; c <= 4; ++c) {
        const float raw = h[c];
        h[c] = q * h[c] + (1.0f - q) * a.previousBands[c - 1];
        a.previousBands[c - 1] = raw;
    }
    const Features f = FeaturesOf(h), fg = FeaturesOf(g);

    const int64_t near = EnergyAt(a, b) + EnergyAt(a, b + 1) + EnergyAt(a, b + 2);
    const int64_t all = near + EnergyAt(a, b + 4) + EnergyAt(a, b + 5) + EnergyAt(a, b + 6);
    // Six empty blocks give no onset rather than 0 / 0.
    const float r = all > 0 ? float(near) / float(all) : 0.0f;
    const float onset = silenceNow * (1.0f - silenceAhead) * (1.0f - r * r);

    int base = 1;
    for (int c = 2; c <= 4; ++c)
        if (h[c] > h[base]) base = c;
    setRow(base);

    if (f.a > f.b && f.a > f.c && f.a > f.d) {
        mixRow(0, f.a * 1.4285714f);
    } else if ((f.c > f.b && f.c > f.d) || (f.d > f.b && f.d > f.c)) {
        const float s = f.c / (f.c + f.d);
        for (uint32_t i = 0; i < n; ++i) w[i] = s * row[5 * DLG_VISEMES + i] + (1.0f - s) * row[6 * DLG_VISEMES + i];
    }
    mixRow(9, silenceNow);
    if (fg.a * 0.5f < fg.b && fg.b > fg.c && fg.b > fg.d && fg.b * 0.2f < fg.a) mixRow(8, onset);

    const float u = std::pow(a.smooth / (a.smooth + 1.0f), dt);
    for (uint32_t i = 0; i < n; ++i) {
        w[i] = u * a.previous[i] + (1.0f - u) * w[i];
        a.previous[i] = w[i];
    }
    a.lastTime = t;
}
