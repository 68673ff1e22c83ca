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
    for (auto& v : p) {
        s = s * 1664525u + 1013904223u;
        v = uint16_t(s >> 16);
    }
    return p;
}

inline uint16_t& At(Picture& p, int row, int col) { return p[size_t(row) * PW + size_t(col)]; }

// A frame whose blocks are co-located copies (key frames: long copies of the block itself, which change
// nothing), except those the callback writes; the callback returns false to leave a block to the default.
inline std::vector<uint8_t> BuildFrame(bool key, int quality,
                                       const std::function<bool(QmvFrameWriter&, int row, int col)>& block) {
    QmvFrameWriter f(key, quality);
    for (int r = 0; r < PH; r += 8)
        for (int c = 0; c < PW; c += 8) {
            if (block(f, r, c)) continue;
            if (key)
                f.Long(QmvTree::Block, 0, 0, 128);  // row R - 0, column C: the block onto itself
            else
                f.Colocated(QmvTree::Block);
        }
    return f.Finish();
}

inline int Decode(const std::vector<uint8_t>& frame, const Picture& prev, Picture& dst) {
    return QmvDec_DecodeFrame(frame.data(), uint32_t(frame.size()), prev.data(), dst.data());
}

// Source (row, column) of destination (r, c) in a piece w wide and h tall under symmetry s.
inline void SymmetrySource(int s, int w, int h, int r, int c, int& sr, int& sc) {
    switch (s) {
    case 0: sr = r, sc = c; break;
    case 1: sr = r, sc = w - 1 - c; break;
    case 2: sr = h - 1 - r, sc = c; break;
    case 3: sr = h - 1 - r, sc = w - 1 - c; break;
    case 4: sr = w - 1 - c, sc = h - 1 - r; break;
    case 5: sr = w - 1 - c, sc = r; break;
    case 6: sr = c, sc = h - 1 - r; break;
    default: sr = c, sc = r; break;
    }
}

// Reference copy: the piece at (row, col) from the linear corner of src (null: the destination itself,
// each pixel read just before it is written, in destination order).
inline void RefCopy(Picture& dst, const Picture* src, int row, int col, int w, int h, int s, long corner) {
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            int sr, sc;
            SymmetrySource(s, w, h, r, c, sr, sc);
            const Picture& from = src ? *src : dst;
            At(dst, row + r, col + c) = from[size_t(corner + long(sr) * PW + sc)];
        }
}

inline long Linear(int row, int col) { return long(row) * PW + col; }

// Index of a spiral displacement.
inline int SpiralIndex(int dx, int dy) {
    for (int i = 0; i < 4096; ++i) {
        const QmvDisplacement d = QmvDec_SpiralEntry(i);
        if (d.dx == dx && d.dy == dy) return i;
    }
    return -1;
}

// A gradient with a square that moves 3 pixels a frame: a key frame, then co-located, moved and intra blocks.
inline std::vector<std::vector<uint32_t>> MovingSquare(int frames, uint32_t colour = 0xFFE0C020u) {
    std::vector<std::vector<uint32_t>> out;
    for (int n = 0; n < frames; ++n) {
        std::vector<uint32_t> p(size_t(640) * 480);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                uint32_t c = 0xFF000000u | uint32_t(x * 255 / 640) << 16 | uint32_t(y * 255 / 480) << 8 | 0x40;
                if (x >= 200 + 3 * n && x < 280 + 3 * n && y >= 150 && y < 230) c = colour;
                p[size_t(y) * 640 + size_t(x)] = c;
            }
        out.push_back(std::move(p));
    }
    return out;
}
