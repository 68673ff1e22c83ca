// KSN header checks and the IMA ADPCM decoders (whole file and resumable stream).
#include "audio/Adpcm.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kSteps[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int32_t kIndexAdjust[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

const char* const kErrorTexts[17] = {
    "The request completed successfully.",
    "Wrong Adpcm library version.",
    "You must call Adpcm_Init() first.",
    "PcmSize parameter must be even (Pcm samples are 16 bits).",
    "PcmSize parameter must not be 0.",
    "PcmSize parameter must not be NULL.",
    "AdpcmBuf parameter must not be NULL.",
    "Frequency parameter must not be NULL.",
    "AdpcmSize parameter must not be 0.",
    "AdpcmSize parameter must not be NULL.",
    "AdpcmBuf parameter must not be NULL.",
    "fStereo parameter must not be NULL.",
    "StreamDatas parameter must not be NULL.",
    "File is not a valid KSN file.",
    "Invalid KSN file version.",
    "Unknown ErrorCode parameter",
    "szOutStr parameter must not be NULL.",
};

bool g_initialised = false;

struct Channel {
    int32_t predictor;
    int32_t index;
    int32_t step;
};

inline int16_t decodeCode(uint32_t code, Channel& ch) {
    int32_t diff = ch.step >> 3;
    if (code & 4) diff += ch.step;
    if (code & 2) diff += ch.step >> 1;
    if (code & 1) diff += ch.step >> 2;
    int32_t p = (code & 8) ? ch.predictor - diff : ch.predictor + diff;
    if (p > 32767) p = 32767;
    if (p < -32768) p = -32768;
    ch.predictor = p;
    int32_t i = ch.index + kIndexAdjust[code & 7];
    if (i < 0) i = 0;
    if (i > 88) i = 88;
    ch.index = i;
    ch.step = kSteps[i];
    return static_cast<int16_t>(p);
}

uint32_t readU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

struct Header {
    uint32_t frames;
    uint32_t frequency;
    int32_t predictor[2];
    uint32_t stereo;
};

// Magic, version text, flags, frequency and predictors; the data size is the caller's check.
int checkHeader(const uint8_t* h, size_t size, Header* out) {
    if (size < KSN_HEADER_SIZE || std::memcmp(h, "VELK_KSN", 8) != 0) return ADPCM_ERR_NOT_KSN;
    char version[8];
    std::snprintf(version, sizeof version, "%1d.%02d", 1, 20);
    if (std::memcmp(h + 8, version, 4) != 0) return ADPCM_ERR_KSN_VERSION;
    const uint32_t flags = readU32(h + 28);
    out->frames = readU32(h + 12);
    out->frequency = readU32(h + 16);
    out->predictor[0] = static_cast<int32_t>(readU32(h + 20));
    out->predictor[1] = static_cast<int32_t>(readU32(h + 24));
    out->stereo = flags & KSN_FLAG_STEREO;
    if ((flags & ~KSN_FLAG_STEREO) != 0 || out->frequency == 0) return ADPCM_ERR_NOT_KSN;
    for (int32_t p : out->predictor)
        if (p < -32768 || p > 32767) return ADPCM_ERR_NOT_KSN;
    return ADPCM_OK;
}

// ADPCM bytes the frames of a header need.
uint64_t dataBytes(const Header& h) { return h.stereo ? uint64_t(h.frames) : (uint64_t(h.frames) + 1) / 2; }

int checkFile(const uint8_t* file, size_t fileSize, Header* h) {
    int rc = checkHeader(file, fileSize, h);
    if (rc != ADPCM_OK) return rc;
    const uint64_t pcm = uint64_t(h->frames) * (h->stereo ? 4 : 2);
    if (dataBytes(*h) > fileSize - KSN_HEADER_SIZE || pcm > UINT32_MAX) return ADPCM_ERR_NOT_KSN;
    return ADPCM_OK;
}

// The plain stream decoder: one code per channel and frame, the phase toggled before each code.
template <int CHANNELS>
void decodeFramesPlain(int16_t* out, AdpcmStreamState& s, uint32_t frames, const uint8_t* input) {
    Channel ch[2] = {{s.predictor[0], s.stepIndex[0], s.step[0]}, {s.predictor[1], s.stepIndex[1], s.step[1]}};
    uint32_t phase = s.phase;
    uint32_t pending = s.pendingByte;
    size_t at = s.dataOffset;
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < CHANNELS; ++c) {
            phase ^= 1;
            uint32_t code;
            if (phase) {
                pending = input[at++];
                code = pending >> 4;
            } else {
                code = pending & 15;
            }
            *out++ = decodeCode(code, ch[c]);
        }
    }
    for (int c = 0; c < 2; ++c) {
        s.predictor[c] = ch[c].predictor;
        s.stepIndex[c] = ch[c].index;
        s.step[c] = ch[c].step;
    }
    s.phase = phase;
    s.pendingByte = static_cast<uint8_t>(pending);
    s.dataOffset = static_cast<uint32_t>(at);
}

// The two IMA tables worked through once for every step index and code: the signed difference
// decodeCode adds, and the step index it moves to. Built at compile time from kSteps and
// kIndexAdjust; they take the per-code arithmetic off the predictor's chain and, in stereo, the index's.
struct Lane {
    int32_t predictor;
    int32_t index;
};
constexpr int kCodes = 16;
constexpr std::array<int32_t, 89 * kCodes> kDifference = [] {
    std::array<int32_t, 89 * kCodes> t{};
    for (int i = 0; i < 89; ++i)
        for (uint32_t c = 0; c < kCodes; ++c) {
            const int32_t step = kSteps[i];
            int32_t diff = step >> 3;
            if (c & 4) diff += step;
            if (c & 2) diff += step >> 1;
            if (c & 1) diff += step >> 2;
            t[size_t(i * kCodes + c)] = (c & 8) ? -diff : diff;
        }
    return t;
}();
constexpr std::array<uint8_t, 89 * kCodes> kNextIndex = [] {
    std::array<uint8_t, 89 * kCodes> t{};
    for (int i = 0; i < 89; ++i)
        for (uint32_t c = 0; c < kCodes; ++c) {
            const int32_t next = i + kIndexAdjust[c & 7];
            t[size_t(i * kCodes + c)] = uint8_t(next < 0 ? 0 : next > 88 ? 88 : next);
        }
    return t;
}();

inline int32_t clampPredictor(int32_t p) {
    p = p < -32768 ? -32768 : p;
    return p > 32767 ? 32767 : p;
}
// decodeCode without a branch. A mono channel's chain is shortest with the index stepped by its
// arithmetic (an add and two selects); in stereo, where the two channels' chains overlap, the table
// saves the instructions.
template <bool kIndexTable>
inline int16_t decodeLane(uint32_t code, Lane& l) {
    const size_t at = size_t(l.index) * kCodes + code;
    const int32_t p = clampPredictor(l.predictor + kDifference[at]);
    l.predictor = p;
    if constexpr (kIndexTable) {
        l.index = kNextIndex[at];
    } else {
        int32_t i = l.index + kIndexAdjust[code & 7];
        i = i < 0 ? 0 : i;
        l.index = i > 88 ? 88 : i;
    }
    return static_cast<int16_t>(p);
}

// Whole bytes of codes, the high nibble to hi, the low one to lo; the last byte read becomes pending.
template <bool kIndexTable>
inline void decodeBytes(int16_t*& out, uint64_t pairs, Lane& hi, Lane& lo, const uint8_t* input, size_t& at,
                        uint32_t& pending) {
    for (uint64_t k = 0; k < pairs; ++k) {
        pending = input[at++];
        out[0] = decodeLane<kIndexTable>(pending >> 4, hi);
        out[1] = decodeLane<kIndexTable>(pending & 15, lo);
        out += 2;
    }
}

// The decoder in use: decodeFramesPlain's codes a byte at a time. Codes alternate between the channels
// from the left; a pending low nibble (phase 1) comes first and, in stereo, then turns each byte's high
// nibble to the right channel.
template <int CHANNELS>
void decodeFrames(int16_t* out, AdpcmStreamState& s, uint32_t frames, const uint8_t* input) {
    constexpr bool kStereo = CHANNELS == 2;
    Lane left{s.predictor[0], s.stepIndex[0]}, right{s.predictor[1], s.stepIndex[1]};
    uint32_t pending = s.pendingByte, phase = s.phase;
    size_t at = s.dataOffset;
    uint64_t codes = uint64_t(frames) * CHANNELS;
    bool shifted = false;
    if (phase && codes) {
        *out++ = decodeLane<kStereo>(pending & 15, left);
        phase = 0;
        --codes;
        shifted = CHANNELS == 2;
    }
    if constexpr (!kStereo)
        decodeBytes<kStereo>(out, codes / 2, left, left, input, at, pending);
    else if (shifted)
        decodeBytes<kStereo>(out, codes / 2, right, left, input, at, pending);
    else
        decodeBytes<kStereo>(out, codes / 2, left, right, input, at, pending);
    if (codes & 1) {
        pending = input[at++];
        phase = 1;
        *out = decodeLane<kStereo>(pending >> 4, shifted ? right : left);
    }
    const Lane lanes[2] = {left, right};
    for (int c = 0; c < 2; ++c) {
        s.predictor[c] = lanes[c].predictor;
        s.stepIndex[c] = lanes[c].index;
        s.step[c] = kSteps[lanes[c].index];
    }
    s.phase = phase;
    s.pendingByte = static_cast<uint8_t>(pending);
    s.dataOffset = static_cast<uint32_t>(at);
}

}  // namespace

void Adpcm_DecodeFramesPlain(int16_t* pcm, AdpcmStreamState* state, uint32_t frames, const uint8_t* input) {
    if (state->stereo)
        decodeFramesPlain<2>(pcm, *state, frames, input);
    else
        decodeFramesPlain<1>(pcm, *state, frames, input);
}

int32_t Adpcm_StepOf(int32_t index) { return kSteps[index < 0 ? 0 : index > 88 ? 88 : index]; }

int Adpcm_Init(int version) {
    if (version != ADPCM_LIB_VERSION) return ADPCM_ERR_VERSION;
    g_initialised = true;
    return ADPCM_OK;
}

void Adpcm_ResetForTests() { g_initialised = false; }

int Adpcm_GetPcmSize(const uint8_t* file, size_t fileSize, uint32_t* pcmSize, uint32_t* frequency, uint32_t* stereo) {
    if (!g_initialised) return ADPCM_ERR_NOT_INIT;
    if (!file) return ADPCM_ERR_BUFFER_NULL;
    if (!pcmSize) return ADPCM_ERR_PCMSIZE_NULL;
    if (!frequency) return ADPCM_ERR_FREQUENCY_NULL;
    if (!stereo) return ADPCM_ERR_STEREO_NULL;
    Header h;
    int rc = checkFile(file, fileSize, &h);
    if (rc != ADPCM_OK) return rc;
    *stereo = h.stereo;
    *pcmSize = h.frames * (h.stereo ? 4u : 2u);
    *frequency = h.frequency;
    return ADPCM_OK;
}

int Adpcm_Decode(const uint8_t* file, size_t fileSize, int16_t* pcm, size_t pcmCapacity) {
    if (!g_initialised) return ADPCM_ERR_NOT_INIT;
    if (!file) return ADPCM_ERR_BUFFER_NULL;
    if (!pcm) return ADPCM_ERR_PCMSIZE_ZERO;
    Header h;
    int rc = checkFile(file, fileSize, &h);
    if (rc != ADPCM_OK) return rc;
    AdpcmStreamState s{};
    s.stereo = h.stereo;
    s.dataOffset = KSN_HEADER_SIZE;
    s.predictor[0] = h.predictor[0];
    s.predictor[1] = h.predictor[1];
    s.step[0] = s.step[1] = kSteps[0];
    const size_t frameBytes = h.stereo ? 4 : 2;
    uint32_t frames = h.frames;
    if (pcmCapacity / frameBytes < frames) frames = static_cast<uint32_t>(pcmCapacity / frameBytes);
    if (h.stereo)
        decodeFrames<2>(pcm, s, frames, file);
    else
        decodeFrames<1>(pcm, s, frames, file);
    return ADPCM_OK;
}

int Adpcm_InitStream(const uint8_t* header, size_t headerSize, AdpcmStreamState* state) {
    if (!g_initialised) return ADPCM_ERR_NOT_INIT;
    if (!header) return ADPCM_ERR_BUFFER_NULL;
    if (!state) return ADPCM_ERR_STREAM_NULL;
    Header h;
    int rc = checkHeader(header, headerSize, &h);
    if (rc != ADPCM_OK) return rc;
    *state = AdpcmStreamState{};
    state->stereo = h.stereo;
    state->dataOffset = KSN_HEADER_SIZE;
    state->frequency = h.frequency;
    state->totalFrames = state->framesLeft = h.frames;
    state->predictor[0] = h.predictor[0];
    state->predictor[1] = h.predictor[1];
    state->step[0] = state->step[1] = kSteps[0];
    return ADPCM_OK;
}

int Adpcm_DecodeStream(int16_t** pcm, AdpcmStreamState* state, uint32_t frames, uint32_t* shortfall,
                       const uint8_t* input, size_t inputSize) {
    if (!g_initialised) return ADPCM_ERR_NOT_INIT;
    if (!pcm || !*pcm) return ADPCM_ERR_PCMSIZE_ZERO;
    if (!state) return ADPCM_ERR_BUFFER_NULL;
    AdpcmStreamState& s = *state;
    if (!Adpcm_StateIsConsistent(s)) return ADPCM_ERR_NOT_KSN;
    const uint32_t channels = s.stereo ? 2 : 1;
    // Codes the input still holds: the pending low nibble and two per unread byte.
    uint64_t codes = s.phase;
    if (input && s.dataOffset < inputSize) codes += 2 * uint64_t(inputSize - s.dataOffset);
    uint64_t n = frames;
    if (s.framesLeft < n) n = s.framesLeft;
    if (codes / channels < n) n = codes / channels;
    if (n > 0) {
        if (channels == 2)
            decodeFrames<2>(*pcm, s, static_cast<uint32_t>(n), input);
        else
            decodeFrames<1>(*pcm, s, static_cast<uint32_t>(n), input);
        *pcm += n * channels;
        s.framesLeft -= static_cast<uint32_t>(n);
    }
    if (shortfall) *shortfall = frames - static_cast<uint32_t>(n);
    return ADPCM_OK;
}

bool Adpcm_StateIsConsistent(const AdpcmStreamState& s) {
    if (s.stereo > 1 || s.phase > 1 || s.framesLeft > s.totalFrames) return false;
    for (int c = 0; c < 2; ++c) {
        if (s.predictor[c] < -32768 || s.predictor[c] > 32767) return false;
        if (s.stepIndex[c] < 0 || s.stepIndex[c] > 88 || s.step[c] != kSteps[s.stepIndex[c]]) return false;
    }
    return true;
}

int Adpcm_GetErrorText(int code, char* out, size_t outSize) {
    if (!g_initialised) return ADPCM_ERR_NOT_INIT;
    if (code < 0 || code > 16) return ADPCM_ERR_UNKNOWN_CODE;
    if (!out || outSize == 0) return ADPCM_ERR_OUTSTR_NULL;
    std::snprintf(out, outSize, "Adpcm Error : %s", kErrorTexts[code]);
    return ADPCM_OK;
}
