// The built-in frame decoder of ".qmv" videos: 640x480 16-bit pictures from copy, motion and DCT-coded blocks.
#pragma once
#include <cstdint>

constexpr int QMVDEC_WIDTH = 640;
constexpr int QMVDEC_HEIGHT = 480;
// Both pictures are read and written with this row step; the caller's surfaces must have it.
constexpr int QMVDEC_PITCH_BYTES = 1280;
constexpr uint32_t QMVDEC_HEADER_SIZE = 24;

enum QmvDecResult : int {
    QMVDEC_OK = 0,
    QMVDEC_ERR_NOT_INIT,   // no QmvDec_Init565 / QmvDec_Init555 yet
    QMVDEC_ERR_HEADER,     // chunk shorter than the header, or stream offsets out of order or outside it
    QMVDEC_ERR_QUALITY,    // quality 0
    QMVDEC_ERR_CODES,      // block-code stream read past its end
    QMVDEC_ERR_CODE,       // undefined block code
    QMVDEC_ERR_COPYWORDS,  // copy-word stream read past its end
    QMVDEC_ERR_MOTION,     // motion-index stream read past its end
    QMVDEC_ERR_NIBBLES,    // coefficient nibble stream read past its end
    QMVDEC_ERR_COEFF,      // coefficient past position 63
    QMVDEC_ERR_SOURCE,     // copy source outside the picture
};
const char* QmvDec_ResultText(int result);

// Build the tables for 5-6-5 or 5-5-5 output.
void QmvDec_Init565();
void QmvDec_Init555();

// Decodes one frame (the data of an "IV"/"IX" chunk, length bytes) into destination, reading the previous
// picture for ordinary frames. Never reads or writes outside the chunk and the two pictures; on an error
// the destination holds a partly decoded frame.
int QmvDec_DecodeFrame(const void* frame, uint32_t length, const uint16_t* previous, uint16_t* destination);

// The plain decoder: QmvDec_DecodeFrame with the plain routines below (a bound check per nibble, the
// transform line by line, the colour conversion pixel by pixel). QmvDec_DecodeFrame, whose intra
// blocks run eight values at a time, must give its pictures and results bit for bit; tests hold it to it.
int QmvDec_DecodeFramePlain(const void* frame, uint32_t length, const uint16_t* previous, uint16_t* destination);

// The module tables and steps, open for tests.
struct QmvDisplacement {
    int8_t dx;
    int8_t dy;
};
QmvDisplacement QmvDec_SpiralEntry(int index);
// Displacement of a short copy word's 12-bit index in the previous picture or in the one being decoded.
QmvDisplacement QmvDec_ShortDisplacement(int index, bool currentPicture);
// Source column of the corner of a long copy word: (blockColumn - h + 128) modulo 640.
int QmvDec_WrapColumn(int blockColumnMinusH);
// Dequantisers of a quality (1 to 100) in zig-zag order: luminance and chrominance.
void QmvDec_QuantTables(int quality, int32_t luma[64], int32_t chroma[64]);
// The 1-D transform of d[0], d[stride], ..., d[7 * stride] in place.
void QmvDec_Idct1D(int32_t* d, int stride);
// Inverse DCT of one component in natural order (outputs 16 times the samples), with the masks of the
// rows and columns that received a value.
void QmvDec_Idct(int32_t block[64], uint8_t rowMask, uint8_t columnMask);
// One output pixel from the three transform outputs of a position.
uint16_t QmvDec_ConvertPixel(int32_t out0, int32_t out1, int32_t out2);
// The forms QmvDec_DecodeFrame uses, eight values at a time (SSE2, or AVX2 where the processor has it
// and the level allows it, app/SimdLevel.h), for tests that hold them to the two above: the transform of
// in into out, and eight pixels from eight outputs of each component.
void QmvDec_IdctLanes(const int32_t in[64], uint8_t rowMask, uint8_t columnMask, int32_t out[64]);
void QmvDec_ConvertLanes(const int32_t out0[8], const int32_t out1[8], const int32_t out2[8], uint16_t pixels[8]);
