// Writer of ".qmv" videos: frame streams, the DCT picture encoder, alpha runs and the container.
#include "testdata/QmvWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "video/QmvFormat.h"
#include "video/QmvTables.h"
#include "app/FloatToInt.h"

namespace {

constexpr int W = 640;
constexpr int H = 480;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void Set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = uint8_t(v >> (8 * i));
}

int ClampInt(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

// Index c of a value in the table V (1..8, -8..-1).
int VIndex(int v) { return v > 0 ? v - 1 : 16 + v; }

}  // namespace

QmvFrameWriter::QmvFrameWriter(bool keyFrame, int quality) : key_(keyFrame), quality_(quality) {}

void QmvFrameWriter::Bits(uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        current_ = current_ << 1 | (value >> i & 1);
        if (++used_ == 32) {
            codeWords_.push_back(current_);
            current_ = 0;
            used_ = 0;
        }
    }
}

void QmvFrameWriter::Word(uint16_t word) {
    words_.push_back(uint8_t(word));
    words_.push_back(uint8_t(word >> 8));
}

void QmvFrameWriter::MotionIndex(int index) { motion_.push_back(index & 0xFFF); }
void QmvFrameWriter::Nibble(int value) { nibbles_.push_back(uint8_t(value & 15)); }
void QmvFrameWriter::NibbleByte(int value) {
    const uint8_t b = uint8_t(int8_t(ClampInt(value, -128, 127)));
    Nibble(b >> 4);
    Nibble(b & 15);
}

uint16_t QmvFrameWriter::LongWord(int v, int h, bool bit15) {
    return uint16_t((v & 127) | (h & 255) << 7 | (bit15 ? 0x8000 : 0));
}
uint16_t QmvFrameWriter::ShortWord(int index, int symmetry, bool bit15) {
    return uint16_t((index & 0xFFF) | (symmetry & 7) << 12 | (bit15 ? 0x8000 : 0));
}

void QmvFrameWriter::Motion(QmvTree tree, int index) {
    Bits(0, tree == QmvTree::Small || tree == QmvTree::Tiny ? 1 : 2);
    MotionIndex(index);
}

void QmvFrameWriter::Colocated(QmvTree tree) {
    switch (tree) {
    case QmvTree::Block: Bits(0b110, 3); break;
    case QmvTree::Half: Bits(0b11, 2); break;
    case QmvTree::Quarter: Bits(0b100, 3); break;
    case QmvTree::Small: Bits(0b110, 3); break;
    case QmvTree::Tiny: Bits(0b11, 2); break;
    }
}

void QmvFrameWriter::Long(QmvTree tree, int symmetry, int v, int h, bool currentPicture) {
    if (key_) {
        if (tree == QmvTree::Block) Bits(0b111, 3);
        if (tree == QmvTree::Half) Bits(1, 1);
        if (tree == QmvTree::Quarter) Bits(0b00, 2);
        Bits(uint32_t(symmetry >> 1 & 3), 2);
        Word(LongWord(v, h, symmetry & 1));
        return;
    }
    Bits(tree == QmvTree::Block ? 0b010 : 0b01, tree == QmvTree::Block ? 3 : 2);
    Bits(uint32_t(symmetry & 7), 3);
    Word(LongWord(v, h, currentPicture));
}

void QmvFrameWriter::Short(QmvTree tree, int index, int symmetry, bool currentPicture) {
    if (key_) {
        if (tree == QmvTree::Small) Bits(0, 1);
        Word(ShortWord(index, symmetry, false));
        return;
    }
    Bits(0b10, 2);
    Word(ShortWord(index, symmetry, currentPicture));
}

void QmvFrameWriter::Split(QmvTree tree, QmvSplit how) {
    if (key_) {
        switch (tree) {
        case QmvTree::Block: Bits(how == QmvSplit::TopBottom ? 0b00 : how == QmvSplit::LeftRight ? 0b01 : 0b10, 2); break;
        case QmvTree::Half: Bits(0, 1); break;
        case QmvTree::Quarter: Bits(how == QmvSplit::Rows4x2 ? 0b01 : how == QmvSplit::Cols2x4 ? 0b10 : 0b11, 2); break;
        case QmvTree::Small: Bits(1, 1); break;
        case QmvTree::Tiny: break;
        }
        return;
    }
    switch (tree) {
    case QmvTree::Block:
        if (how == QmvSplit::TopBottom) Bits(0b100, 3);
        else if (how == QmvSplit::LeftRight) Bits(0b101, 3);
        else Bits(0b1110, 4);
        break;
    case QmvTree::Half: Bits(0b10, 2); break;
    case QmvTree::Quarter: Bits(how == QmvSplit::Rows4x2 ? 0b101 : how == QmvSplit::Cols2x4 ? 0b110 : 0b111, 3); break;
    case QmvTree::Small: Bits(0b111, 3); break;
    case QmvTree::Tiny: break;
    }
}

void QmvFrameWriter::IntraCode() {
    if (key_)
        Bits(0b110, 3);
    else
        Bits(0b011, 3);
}

void QmvFrameWriter::Intra(const int coefficients[3][64]) {
    IntraCode();
    for (int c = 0; c < 3; ++c)
        for (uint8_t n : QmvWriter_CodeComponent(coefficients[c])) Nibble(n);
}

std::vector<uint8_t> QmvFrameWriter::Finish() const {
    std::vector<uint8_t> out(24, 0);
    Set32(out, 0, uint32_t(key_ ? -quality_ : quality_));
    Set32(out, 4, uint32_t(out.size()));
    for (uint32_t w : codeWords_) Put32(out, w);
    if (used_) Put32(out, current_ << (32 - used_));
    Set32(out, 8, uint32_t(out.size()));
    out.insert(out.end(), words_.begin(), words_.end());
    Set32(out, 12, uint32_t(out.size()));
    for (size_t i = 0; i < motion_.size(); i += 2) {
        const uint32_t group = uint32_t(motion_[i]) | uint32_t(i + 1 < motion_.size() ? motion_[i + 1] : 0) << 12;
        for (int b = 0; b < 3; ++b) out.push_back(uint8_t(group >> (8 * b)));
    }
    Set32(out, 16, uint32_t(out.size()));
    for (size_t i = 0; i < nibbles_.size(); i += 2)
        out.push_back(uint8_t(nibbles_[i] | (i + 1 < nibbles_.size() ? nibbles_[i + 1] : 0) << 4));
    Set32(out, 20, uint32_t(out.size()));
    return out;
}

std::vector<uint8_t> QmvWriter_CodeComponent(const int zigzag[64]) {
    std::vector<uint8_t> n;
    const uint8_t dc = uint8_t(int8_t(ClampInt(zigzag[0], -128, 127)));
    n.push_back(dc >> 4);
    n.push_back(dc & 15);
    int last = 0;
    for (int k = 1; k < 64; ++k)
        if (ClampInt(zigzag[k], -128, 127) != 0) last = k;
    int k = 1;
    while (k <= last) {
        int j = k;
        while (ClampInt(zigzag[j], -128, 127) == 0) ++j;
        int zeros = j - k;
        const int v = ClampInt(zigzag[j], -128, 127);
        if (zeros >= 1 && zeros <= 3 && (v == 1 || v == -1)) {
            n.push_back(uint8_t(2 * zeros + (v < 0 ? 1 : 0)));
        } else {
            for (; zeros >= 5; zeros -= 5) n.push_back(1);
            for (; zeros >= 1; --zeros) n.push_back(14);
            if (v >= -8 && v <= 8) {
                n.push_back(11);
                n.push_back(uint8_t(VIndex(v)));
            } else {
                const uint8_t b = uint8_t(int8_t(v));
                n.push_back(15);
                n.push_back(b >> 4);
                n.push_back(b & 15);
            }
        }
        k = j + 1;
    }
    // The 64th position ends the component without a code.
    if (k < 64) n.push_back(0);
    return n;
}

void QmvWriter_QuantSteps(int quality, int luma[64], int chroma[64]) {
    const int scale = QmvQualityScale(quality);
    for (int i = 0; i < 64; ++i) {
        luma[i] = QmvQuantStep(QMV_LUMA_BASE[i], scale);
        chroma[i] = QmvQuantStep(QMV_CHROMA_BASE[i], scale);
    }
}

void QmvEncoder_BlockCoefficients(const std::vector<uint32_t>& picture, int x, int y, int quality,
                                  int coefficients[3][64]) {
    // The decoder's colour conversion inverted: R = Y + 1.6 V, G = Y - 0.8 V - U / 3, B = Y + 2 U.
    double comp[3][64];
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            const uint32_t p = picture[size_t(y + r) * W + size_t(x + c)];
            const double R = p >> 16 & 255, G = p >> 8 & 255, B = p & 255;
            const double Y = 0.3 * R + 0.6 * G + 0.1 * B;
            comp[0][r * 8 + c] = Y - 128.0;
            comp[1][r * 8 + c] = (B - Y) / 2.0;
            comp[2][r * 8 + c] = (R - Y) / 1.6;
        }
    static double cosTable[8][8];
    static bool ready = false;
    if (!ready) {
        for (int i = 0; i < 8; ++i)
            for (int u = 0; u < 8; ++u) cosTable[i][u] = std::cos((2 * i + 1) * u * M_PI / 16.0);
        ready = true;
    }
    int luma[64], chroma[64];
    QmvWriter_QuantSteps(quality, luma, chroma);
    for (int ch = 0; ch < 3; ++ch) {
        const int* q = ch == 0 ? luma : chroma;
        for (int k = 0; k < 64; ++k) {
            const int pos = QMV_ZIGZAG[k];
            const int u = pos >> 3, v = pos & 7;
            double sum = 0.0;
            for (int r = 0; r < 8; ++r)
                for (int c = 0; c < 8; ++c) sum += comp[ch][r * 8 + c] * cosTable[r][u] * cosTable[c][v];
            const double cu = u ? 1.0 : std::sqrt(0.5), cv = v ? 1.0 : std::sqrt(0.5);
            coefficients[ch][k] = ClampInt(Orv_RoundSat(0.25 * cu * cv * sum / q[pos]), -128, 127);
        }
    }
}

std::vector<uint8_t> QmvEncoder::Encode(const std::vector<uint32_t>& picture, bool key) {
    const bool haveRef = !key && previous_.size() == picture.size();
    QmvFrameWriter f(key || !haveRef, quality_);
    auto sameAs = [&](int x, int y, int sx, int sy) {
        for (int r = 0; r < 8; ++r)
            if (std::memcmp(&picture[size_t(y + r) * W + size_t(x)], &previous_[size_t(sy + r) * W + size_t(sx)],
                            8 * sizeof(uint32_t)) != 0)
                return false;
        return true;
    };
    // The first spiral entries: displacements of up to 4 pixels, (+1, 0) and (0, 0) first.
    struct Disp {
        int dx, dy;
    };
    static std::vector<Disp> spiral;
    if (spiral.empty()) {
        std::vector<Disp> all(4096);
        int index = 4095, x = 32, y = 32;
        for (int n = 64; n >= 2; n -= 2) {
            all[size_t(index--)] = {x, y};
            for (int i = 0; i < n - 1; ++i) all[size_t(index--)] = {--x, y};
            for (int i = 0; i < n - 1; ++i) all[size_t(index--)] = {x, --y};
            for (int i = 0; i < n - 1; ++i) all[size_t(index--)] = {++x, y};
            for (int i = 0; i < n - 2; ++i) all[size_t(index--)] = {x, ++y};
            --x;
        }
        spiral.assign(all.begin(), all.begin() + 64);
    }
    int coefficients[3][64];
    for (int y = 0; y < H; y += 8)
        for (int x = 0; x < W; x += 8) {
            if (f.IsKey()) {
                QmvEncoder_BlockCoefficients(picture, x, y, quality_, coefficients);
                f.Intra(coefficients);
                continue;
            }
            if (sameAs(x, y, x, y)) {
                f.Colocated(QmvTree::Block);
                continue;
            }
            int found = -1;
            for (size_t i = 0; i < spiral.size() && found < 0; ++i) {
                const int sx = x + spiral[i].dx, sy = y + spiral[i].dy;
                if (sx >= 0 && sy >= 0 && sx + 8 <= W && sy + 8 <= H && sameAs(x, y, sx, sy)) found = int(i);
            }
            if (found >= 0) {
                f.Motion(QmvTree::Block, found);
            } else {
                QmvEncoder_BlockCoefficients(picture, x, y, quality_, coefficients);
                f.Intra(coefficients);
            }
        }
    previous_ = picture;
    return f.Finish();
}

std::vector<uint8_t> QmvWriter_AlphaRuns(const std::vector<uint8_t>& levels) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < levels.size();) {
        size_t n = 1;
        while (n < 256 && i + n < levels.size() && levels[i + n] == levels[i]) ++n;
        out.push_back(uint8_t(n - 1));
        out.push_back(uint8_t(std::min<int>(levels[i], 31)));
        i += n;
    }
    return out;
}

std::vector<uint8_t> QmvWriter_Container(const std::vector<QmvBlock>& blocks, const QmvContainerOptions& options) {
    std::vector<uint8_t> out(QMV_HEADER_SIZE, 0);
    std::memcpy(out.data(), QMV_MAGIC, 4);
    out[QMV_HDR_WIDTH] = uint8_t(options.width);
    out[QMV_HDR_WIDTH + 1] = uint8_t(options.width >> 8);
    out[QMV_HDR_HEIGHT] = uint8_t(options.height);
    out[QMV_HDR_HEIGHT + 1] = uint8_t(options.height >> 8);
    uint32_t largest = 0;
    for (const QmvBlock& block : blocks) {
        const size_t at = out.size();
        Put32(out, 0);
        for (const QmvChunk& chunk : block) {
            const size_t padded = (chunk.data.size() + 3) & ~size_t(3);
            Put32(out, uint32_t(QMV_CHUNK_HEAD_SIZE + padded));
            out.push_back(uint8_t(chunk.tag[0]));
            out.push_back(uint8_t(chunk.tag[1]));
            out.push_back(0);
            out.push_back(0);
            out.insert(out.end(), chunk.data.begin(), chunk.data.end());
            out.resize(out.size() + padded - chunk.data.size(), 0);
        }
        const uint32_t length = uint32_t(out.size() - at);
        largest = std::max(largest, length);
        Set32(out, at, (length & QMV_BLOCK_LENGTH_MASK) | uint32_t(options.headHighByte) << 24);
    }
    Set32(out, QMV_HDR_FILESIZE, uint32_t(out.size()));
    Set32(out, QMV_HDR_FRAMES, uint32_t(options.frameCount >= 0 ? options.frameCount : int64_t(blocks.size())));
    Set32(out, QMV_HDR_LARGEST, uint32_t(options.largestBlock >= 0 ? options.largestBlock : largest));
    return out;
}

std::vector<uint8_t> QmvWriter_Video(const std::vector<std::vector<uint32_t>>& pictures, int quality,
                                     const std::vector<std::vector<uint8_t>>& alphaLevels) {
    QmvEncoder encoder(quality);
    std::vector<QmvBlock> blocks;
    for (size_t i = 0; i < pictures.size(); ++i) {
        QmvBlock block;
        block.push_back({{'I', 'V'}, encoder.Encode(pictures[i], i == 0)});
        if (i < alphaLevels.size()) block.push_back({{'A', 'L'}, QmvWriter_AlphaRuns(alphaLevels[i])});
        blocks.push_back(std::move(block));
    }
    return QmvWriter_Container(blocks);
}
