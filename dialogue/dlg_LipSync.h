// Lip-sync: the analysis of a reply's voice and the mouth weights it gives at a voice time.
#pragma once
#include <cstdint>
#include <vector>

class AdpcmStream;
class dlg_PersoDef;

// Sample rate the analysis assumes for every voice.
constexpr uint32_t DLG_VOICE_RATE = 22050;
// Samples per analysed block, and the empty blocks before and after them.
constexpr uint32_t DLG_BLOCK_SAMPLES = 256;
constexpr uint32_t DLG_BLOCK_MARGIN = 8;
constexpr int DLG_BANDS = 8;

// Per block of 256 samples: the sum of the magnitudes and the share (of 255) of its zero crossings
// in each band of crossing distance.
class dlg_VoiceAnalysis {
public:
    // Analyses sampleCount 16-bit samples with n weights of the row-major 10 x 7 table. Missing samples
    // or table, no samples, or n outside 2..7 leave the record without arrays.
    void Analyse(uint32_t n, const float* table, const int16_t* samples, uint32_t sampleCount, float smooth);
    // The whole decoded voice of a stream with a character's table and smoothing; a voice that is not
    // 22050 Hz mono is analysed all the same, with a warning.
    void AnalyseVoice(const AdpcmStream& voice, const dlg_PersoDef& def);
    bool HasArrays() const { return !energy.empty(); }

    const float* table = nullptr;
    const int16_t* samples = nullptr;
    std::vector<int32_t> energy;
    // DLG_BANDS cells per block.
    std::vector<uint8_t> histograms;
    std::vector<float> previous;
    uint32_t n = 0;
    uint32_t sampleCount = 0;
    uint32_t blockCount = 0;
    float duration = 0.0f;
    float smooth = 0.0f;
    float lastTime = 100.0f;
    float previousBands[4] = {0, 0, 0, 0};
    int32_t maxEnergy = 1;
};

// Frees the arrays of an analysis.
void DlgBuffers_Free(dlg_VoiceAnalysis& analysis);
// The block at the centre of the windows for a share p (0..1) of the voice.
int64_t dlg_VoiceBlock(const dlg_VoiceAnalysis& analysis, float p);
// Writes the analysis's n weights for voice time t (seconds); a record without arrays writes nothing.
void dlg_ComputeVisemeWeights(dlg_VoiceAnalysis& analysis, float* weights, float t);
