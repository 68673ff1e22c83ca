// KSN sound files: header check, whole-file and stream IMA ADPCM decoding, error codes and texts.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int ADPCM_LIB_VERSION = 180;
constexpr size_t KSN_HEADER_SIZE = 32;
constexpr uint32_t KSN_FLAG_STEREO = 1;

enum AdpcmError : int {
    ADPCM_OK = 0,
    ADPCM_ERR_VERSION = 1,
    ADPCM_ERR_NOT_INIT = 2,
    ADPCM_ERR_PCMSIZE_ODD = 3,
    ADPCM_ERR_PCMSIZE_ZERO = 4,
    ADPCM_ERR_PCMSIZE_NULL = 5,
    ADPCM_ERR_ADPCMBUF_NULL = 6,
    ADPCM_ERR_FREQUENCY_NULL = 7,
    ADPCM_ERR_ADPCMSIZE_ZERO = 8,
    ADPCM_ERR_ADPCMSIZE_NULL = 9,
    ADPCM_ERR_BUFFER_NULL = 10,
    ADPCM_ERR_STEREO_NULL = 11,
    ADPCM_ERR_STREAM_NULL = 12,
    ADPCM_ERR_NOT_KSN = 13,
    ADPCM_ERR_KSN_VERSION = 14,
    ADPCM_ERR_UNKNOWN_CODE = 15,
    ADPCM_ERR_OUTSTR_NULL = 16,
};

// Decoder record of a stream; its 52-byte image is also stored in the music marks, so the layout is
// fixed. The read position is an offset into the input the caller hands to Adpcm_DecodeStream.
struct AdpcmStreamState {
    uint32_t stereo;      // 0 or 1
    uint32_t dataOffset;  // next ADPCM byte to read
    uint32_t phase;       // 1: the low nibble of pendingByte is next
    uint32_t frequency;
    uint32_t totalFrames;
    uint32_t framesLeft;
    int32_t predictor[2];  // left, right
    int32_t stepIndex[2];  // 0..88
    int32_t step[2];
    uint16_t reserved0;
    uint8_t pendingByte;
    uint8_t reserved1;
};
static_assert(sizeof(AdpcmStreamState) == 52, "the stream record is stored in mark files");

// The IMA step table entry of an index (0..88).
int32_t Adpcm_StepOf(int32_t index);

// Version must be ADPCM_LIB_VERSION.
int Adpcm_Init(int version);
// Tests: back to the uninitialised library.
void Adpcm_ResetForTests();

// Checks the header against the file's size (at least the header, and the data the frame count needs)
// and gives the decoded size in bytes, the frequency and the stereo flag.
int Adpcm_GetPcmSize(const uint8_t* file, size_t fileSize, uint32_t* pcmSize, uint32_t* frequency, uint32_t* stereo);
// Decodes the whole file into pcm, at most pcmCapacity bytes of it.
int Adpcm_Decode(const uint8_t* file, size_t fileSize, int16_t* pcm, size_t pcmCapacity);

// Starts a stream at the data of the header (header needs only its 32 bytes; dataOffset = 32).
int Adpcm_InitStream(const uint8_t* header, size_t headerSize, AdpcmStreamState* state);
// Decodes up to `frames` frames at *pcm from input[state->dataOffset..inputSize), advancing *pcm;
// *shortfall gets the frames asked for but not decoded (no frames left, or the input ran out).
int Adpcm_DecodeStream(int16_t** pcm, AdpcmStreamState* state, uint32_t frames, uint32_t* shortfall,
                       const uint8_t* input, size_t inputSize);
// The plain decoder, one code at a time with the step kept in the record: frames frames of input from
// the record's state, the record updated as Adpcm_DecodeStream updates it; no check of any kind (the
// record consistent, the input long enough). The decoders above must give its samples and record, bit
// for bit; tests hold them to it.
void Adpcm_DecodeFramesPlain(int16_t* pcm, AdpcmStreamState* state, uint32_t frames, const uint8_t* input);
// True when every field of the record is one a stream can hold: flags 0 or 1, predictors in the
// 16-bit range, step indexes 0..88 with their steps, no more frames left than in total.
bool Adpcm_StateIsConsistent(const AdpcmStreamState& state);

// "Adpcm Error : <text>" into out (truncated to outSize).
int Adpcm_GetErrorText(int code, char* out, size_t outSize);
