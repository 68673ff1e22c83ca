// Helpers of the decoder tests: pictures, frames built block by block, and a reference model of piece copies.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "testdata/QmvWriter.h"
#include "video/QmvDecoder.h"

using Picture = std::vector<uint16_t>;
constexpr int PW = QMVDEC_WIDTH;
constexpr int PH = QMVDEC_HEIGHT;

// A picture where nearly every pixel differs from its neighbours, so a misplaced copy shows.
inline Picture Pattern(uint32_t seed) {
    Picture p(size_t(PW) * PH);
    uint32_t s = seed * 2654435761u + 1;
    for (auto& v : p) v = uint16_t((s = s * 1664525u + 1013904223u) >> 16);
    return p;
}

inline uint16_t& At(Picture& p, int row, int col) { return p[size_t(row) * PW + size_t(col)]; }
inline long Linear(int row, int col) { return long(row) * PW + col; }
inline void Set32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A frame whose blocks are co-located copies (key frames: long copies of the block onto itself, which change
// nothing), except those the callback writes; the callback returns false to leave a block to the default.
inline std::vector<uint8_t> BuildFrame(bool key, int quality,
                                       const std::function<bool(QmvFrameWriter&, int row, int col)>& block) {
    QmvFrameWriter f(key, quality);
    for (int r = 0; r < PH; r += 8)
        for (int c = 0; c < PW; c += 8)
            if (!block(f, r, c)) key ? f.Long(QmvTree::Block, 0, 0, 128) : f.Colocated(QmvTree::Block);
    return f.Finish();
}

inline int Decode(const std::vector<uint8_t>& frame, const Picture& prev, Picture& dst) {
    return QmvDec_DecodeFrame(frame.data(), uint32_t(frame.size()), prev.data(), dst.data());
}

// Reference copy of a piece w wide and h tall at (row, col) under symmetry s, from the linear corner of src
// (null: the destination itself, each pixel read just before it is written, in destination order).
inline void RefCopy(Picture& dst, const Picture* src, int row, int col, int w, int h, int s, long corner) {
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const int sr[8] = {r, r, h - 1 - r, h - 1 - r, w - 1 - c, w - 1 - c, c, c};
            const int sc[8] = {c, w - 1 - c, c, w - 1 - c, h - 1 - r, r, h - 1 - r, r};
            At(dst, row + r, col + c) = (src ? *src : dst)[size_t(corner + long(sr[s]) * PW + sc[s])];
        }
}

// Index of a spiral displacement.
inline int SpiralIndex(int dx, int dy) {
    for (int i = 0; i < 4096; ++i)
        if (QmvDec_SpiralEntry(i).dx == dx && QmvDec_SpiralEntry(i).dy == dy) return i;
    return -1;
}

// The coded frames of a gradient with a square that moves 3 pixels a frame: a key frame, then co-located,
// moved and intra blocks.
inline std::vector<std::vector<uint8_t>> MovingSquareFrames(int frames, int quality) {
    QmvEncoder encoder(quality);
    std::vector<std::vector<uint8_t>> out;
    std::vector<uint32_t> p(size_t(PW) * PH);
    for (int n = 0; n < frames; ++n) {
        for (int y = 0; y < PH; ++y)
            for (int x = 0; x < PW; ++x) {
                const bool square = x >= 200 + 3 * n && x < 280 + 3 * n && y >= 150 && y < 230;
                p[size_t(y) * PW + size_t(x)] =
                    square ? 0xFFE0C020u : 0xFF000040u | uint32_t(x * 255 / PW) << 16 | uint32_t(y * 255 / PH) << 8;
            }
        out.push_back(encoder.Encode(p, n == 0));
    }
    return out;
}
