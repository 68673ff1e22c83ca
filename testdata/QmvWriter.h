// Writer of ".qmv" videos: frame streams piece by piece, a picture encoder, alpha masks and the container.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The code trees of a frame, by the piece they code.
enum class QmvTree {
    Block,    // 8x8
    Half,     // 8x4 and 4x8
    Quarter,  // 4x4
    Small,    // 4x2 and 2x4
    Tiny,     // 2x2
};

enum class QmvSplit {
    Natural,    // a half into its quarters, a 4x2 or 2x4 piece into its 2x2 pieces
    TopBottom,  // block into 8x4 halves
    LeftRight,  // block into 4x8 halves
    Quarters,   // block into 4x4 quarters
    Rows4x2,    // quarter into 4x2 pieces
    Cols2x4,    // quarter into 2x4 pieces
    Tiny2x2,    // quarter into 2x2 pieces
};

// One frame's streams, written in decoding order. The tree calls write the code bits of the frame's kind
// (key or ordinary) and the data each leaf takes; a split is followed by the calls of its parts.
class QmvFrameWriter {
public:
    QmvFrameWriter(bool keyFrame, int quality);

    bool IsKey() const { return key_; }

    // Raw streams.
    void Bits(uint32_t value, int count);  // most significant bit first
    void Word(uint16_t word);
    void MotionIndex(int index);
    void Nibble(int value);
    void NibbleByte(int value);  // -128..127, high nibble (signed) first

    // Copy words. Long: v 0..127, h 0..255, bit 15 (the source picture, or a key frame's lowest symmetry bit).
    static uint16_t LongWord(int v, int h, bool bit15);
    static uint16_t ShortWord(int index, int symmetry, bool bit15);

    // Ordinary frames only.
    void Motion(QmvTree tree, int index);
    void Colocated(QmvTree tree);
    // Long copy word with a symmetry; in key frames the source is always the picture being decoded.
    void Long(QmvTree tree, int symmetry, int v, int h, bool currentPicture = false);
    // Short copy word; in key frames bit 15 is left clear and ignored.
    void Short(QmvTree tree, int index, int symmetry, bool currentPicture = false);
    void Split(QmvTree tree, QmvSplit how = QmvSplit::Natural);
    // Intra block code followed by the three components' quantised coefficients (zig-zag order).
    void Intra(const int coefficients[3][64]);
    // The intra code alone: the test writes the nibbles itself.
    void IntraCode();

    // The chunk data: 24-byte header, then the code words, copy words, motion indexes and nibbles.
    std::vector<uint8_t> Finish() const;

private:
    bool key_;
    int quality_;
    std::vector<uint32_t> codeWords_;
    uint32_t current_ = 0;
    int used_ = 0;
    std::vector<uint8_t> words_;
    std::vector<int> motion_;
    std::vector<uint8_t> nibbles_;
};

// The nibbles of one component (zig-zag coefficients; the DC clamped to -128..127, the others to the
// codes' range), using the codes 0, 1, 2-7, 11, 14 and 15.
std::vector<uint8_t> QmvWriter_CodeComponent(const int zigzag[64]);

// The JPEG example tables scaled by quality, limited to 8..255, natural order (what the encoder divides by).
void QmvWriter_QuantSteps(int quality, int luma[64], int chroma[64]);

// Encodes 640x480 pictures (0xAARRGGBB, row by row) as a key frame and ordinary frames: unchanged blocks are
// co-located copies, blocks found moved by a few pixels in the previous picture motion copies, the rest
// intra blocks.
class QmvEncoder {
public:
    explicit QmvEncoder(int quality) : quality_(quality) {}
    std::vector<uint8_t> Encode(const std::vector<uint32_t>& picture, bool key);

private:
    int quality_;
    std::vector<uint32_t> previous_;
};

// The zig-zag coefficients of one 8x8 block of a picture (top-left corner x, y) as the encoder codes them.
void QmvEncoder_BlockCoefficients(const std::vector<uint32_t>& picture, int x, int y, int quality,
                                  int coefficients[3][64]);

// Alpha mask ("AL" data) of per-pixel levels 0..31 in row order: runs of up to 256.
std::vector<uint8_t> QmvWriter_AlphaRuns(const std::vector<uint8_t>& levels);

struct QmvChunk {
    char tag[2];
    std::vector<uint8_t> data;  // padded to a multiple of 4 in the file
};
using QmvBlock = std::vector<QmvChunk>;

struct QmvContainerOptions {
    uint16_t width = 640;
    uint16_t height = 480;
    int64_t frameCount = -1;    // -1: the number of blocks
    int64_t largestBlock = -1;  // -1: the true largest block
    uint8_t headHighByte = 0;   // high byte of every block head
};
std::vector<uint8_t> QmvWriter_Container(const std::vector<QmvBlock>& blocks, const QmvContainerOptions& options = {});

// A video of encoded pictures, one "IV" chunk per frame (the first a key frame), with optional alpha masks.
std::vector<uint8_t> QmvWriter_Video(const std::vector<std::vector<uint32_t>>& pictures, int quality,
                                     const std::vector<std::vector<uint8_t>>& alphaLevels = {});
