// Frame decoder on written streams: every code path against a reference model of the copies and transforms.
#include <gtest/gtest.h>

#include <cmath>

#include "DecoderTestUtil.h"
#include "video/QmvTables.h"

namespace {

using T = QmvTree;
using S = QmvSplit;

class DecoderFrames : public ::testing::Test {
protected:
    void SetUp() override {
        QmvDec_Init565();
        prev = Pattern(1);
        dst = Pattern(2);  // the picture of two frames ago, overwritten block by block
        expected = dst;
    }
    // Reference of an ordinary frame's default blocks: co-located copies.
    void ExpectColocatedBlocks() {
        for (int r = 0; r < PH; r += 8)
            for (int c = 0; c < PW; c += 8) RefCopy(expected, &prev, r, c, 8, 8, 0, Linear(r, c));
    }
    void DecodeAndCompare(const std::vector<uint8_t>& frame, const Picture* previous = nullptr) {
        ASSERT_EQ(Decode(frame, previous ? *previous : prev, dst), QMVDEC_OK);
        for (size_t i = 0; i < dst.size(); ++i)
            if (dst[i] != expected[i]) FAIL() << "first difference at row " << i / PW << " column " << i % PW;
    }

    Picture prev, dst, expected;
};

}  // namespace

TEST_F(DecoderFrames, EverySymmetryOfEveryPieceSize) {
    // Seven blocks in a row: long words for the 8x8, 8x4, 4x8 and 4x4 pieces, short words for 4x2, 2x4 and
    // 2x2; each piece sits away from its block's corner where it can, since the source corner is reckoned
    // from the block's.
    const int R = 160, C = 320;
    const int v = 61, h = 133;                 // long corner (R + 3, block column - 5)
    const int shortIndex = 2015 - 64 * 2 - 5;  // short displacement (dx, dy) = (5, 2)
    for (int sym = 0; sym < 8; ++sym) {
        SetUp();
        auto frame = BuildFrame(false, 50, [&](QmvFrameWriter& f, int r, int c) {
            if (r != R || c < C || c >= C + 7 * 8) return false;
            auto colocated = [&](T t, int n) { for (int i = 0; i < n; ++i) f.Colocated(t); };
            const int k = (c - C) / 8;
            if (k == 0) return f.Long(T::Block, sym, v, h), true;
            if (k <= 2) {  // bottom 8x4 or right 4x8 half
                f.Split(T::Block, k == 1 ? S::TopBottom : S::LeftRight);
                return f.Colocated(T::Half), f.Long(T::Half, sym, v, h), true;
            }
            f.Split(T::Block, S::Quarters);
            if (k == 3) {  // bottom-right quarter
                colocated(T::Quarter, 3), f.Long(T::Quarter, sym, v, h);
            } else if (k == 4) {  // bottom 4x2 of the top-right quarter
                f.Colocated(T::Quarter), f.Split(T::Quarter, S::Rows4x2);
                f.Colocated(T::Small), f.Short(T::Small, shortIndex, sym), colocated(T::Quarter, 2);
            } else if (k == 5) {  // right 2x4 of the bottom-left quarter
                colocated(T::Quarter, 2), f.Split(T::Quarter, S::Cols2x4);
                f.Colocated(T::Small), f.Short(T::Small, shortIndex, sym), f.Colocated(T::Quarter);
            } else {  // bottom-right 2x2 of the top-left quarter
                f.Split(T::Quarter, S::Tiny2x2), colocated(T::Tiny, 3);
                f.Short(T::Tiny, shortIndex, sym), colocated(T::Quarter, 3);
            }
            return true;
        });
        ExpectColocatedBlocks();
        const int pieces[7][4] = {{0, 0, 8, 8}, {4, 8, 8, 4}, {0, 20, 4, 8}, {4, 28, 4, 4},  // row, column, w, h
                                  {2, 36, 4, 2}, {4, 42, 2, 4}, {2, 50, 2, 2}};
        for (int k = 0; k < 7; ++k)
            RefCopy(expected, &prev, R + pieces[k][0], C + pieces[k][1], pieces[k][2], pieces[k][3], sym,
                    k < 4 ? Linear(R + 3, C + 8 * k - 5) : Linear(R + 2, C + 8 * k + 5));
        DecodeAndCompare(frame);
        if (HasFailure()) FAIL() << "symmetry " << sym;
    }
}

TEST_F(DecoderFrames, MotionColocatedAndWrappedCopies) {
    // Motion and co-located copies of every piece; block (64, 80): index 4095 is 32 right, 32 down; (120, 632):
    // a long corner's column wraps to the same row's left edge; (200, 632): an area past the right edge
    // continues on the next row.
    const int R = 240, C = 160, c2 = C + 8;
    const int m1 = SpiralIndex(3, -2), m2 = SpiralIndex(-7, 5), m3 = SpiralIndex(32, 32), m4 = SpiralIndex(-31, -31);
    auto frame = BuildFrame(false, 50, [&](QmvFrameWriter& f, int r, int c) {
        if (r == 64 && c == 80) return f.Motion(T::Block, 4095), true;
        if (r == 120 && c == 632) return f.Long(T::Block, 0, 64, 0), true;    // column 632 + 128
        if (r == 200 && c == 632) return f.Long(T::Block, 0, 60, 124), true;  // column 636, row + 4
        if (r == R && c == C) {  // top 8x4; bottom: two 4x4 quarters
            f.Split(T::Block, S::TopBottom), f.Motion(T::Half, m1);
            return f.Split(T::Half), f.Motion(T::Quarter, m2), f.Colocated(T::Quarter), true;
        }
        if (r != R || c != c2) return false;
        f.Split(T::Block, S::LeftRight), f.Split(T::Half);                       // left: two quarters
        f.Split(T::Quarter, S::Rows4x2), f.Motion(T::Small, m3);                 // top quarter: 4x2 ...
        f.Split(T::Small), f.Motion(T::Tiny, m4), f.Colocated(T::Tiny);          // ... and two 2x2
        f.Split(T::Quarter, S::Cols2x4), f.Colocated(T::Small);                  // bottom quarter: 2x4 ...
        f.Split(T::Small), f.Colocated(T::Tiny), f.Motion(T::Tiny, m1);          // ... and two 2x2
        return f.Motion(T::Half, m2), true;                                      // right 4x8
    });
    ExpectColocatedBlocks();
    RefCopy(expected, &prev, 64, 80, 8, 8, 0, Linear(96, 112));
    RefCopy(expected, &prev, 120, 632, 8, 8, 0, Linear(120, 120));
    RefCopy(expected, &prev, 200, 632, 8, 8, 0, Linear(204, 636));
    RefCopy(expected, &prev, R, C, 8, 4, 0, Linear(R - 2, C + 3));
    RefCopy(expected, &prev, R + 4, C, 4, 4, 0, Linear(R + 4 + 5, C - 7));
    RefCopy(expected, &prev, R, c2, 4, 2, 0, Linear(R + 32, c2 + 32));
    RefCopy(expected, &prev, R + 2, c2, 2, 2, 0, Linear(R + 2 - 31, c2 - 31));
    RefCopy(expected, &prev, R + 6, c2 + 2, 2, 2, 0, Linear(R + 6 - 2, c2 + 2 + 3));
    RefCopy(expected, &prev, R, c2 + 4, 4, 8, 0, Linear(R + 5, c2 + 4 - 7));
    DecodeAndCompare(frame);
}

TEST_F(DecoderFrames, CopiesFromThePictureBeingDecoded) {
    // Bit 15 picks the picture being decoded: rows R - v for a block and R + 4 - v for its pieces; short
    // words use the second table. A source that overlaps the piece reads each pixel just before writing it.
    const int R = 80;
    auto frame = BuildFrame(false, 50, [&](QmvFrameWriter& f, int r, int c) {
        if (r != R) return false;
        if (c == 80) return f.Long(T::Block, 3, 20, 150, true), true;   // (R - 20, C - 22)
        if (c == 96) return f.Long(T::Block, 0, 0, 129, true), true;    // (R, C - 1): overlaps
        if (c != 88 && c != 104) return false;
        f.Split(T::Block, S::Quarters);
        if (c == 88) {
            f.Long(T::Quarter, 6, 7, 120, true);                        // (R - 3, C + 8)
        } else {
            f.Split(T::Quarter, S::Tiny2x2), f.Short(T::Tiny, 831 - 128 * 2 + 1, 5, true);  // (dx, dy) = (-1, 2)
            for (int t = 0; t < 3; ++t) f.Colocated(T::Tiny);
        }
        for (int q = 0; q < 3; ++q) f.Colocated(T::Quarter);
        return true;
    });
    // In decoding order, since the sources read pixels of blocks decoded before.
    for (int r = 0; r < PH; r += 8)
        for (int c = 0; c < PW; c += 8) {
            if (r != R || c < 80 || c > 104) {
                RefCopy(expected, &prev, r, c, 8, 8, 0, Linear(r, c));
            } else if (c == 80) {
                RefCopy(expected, nullptr, R, c, 8, 8, 3, Linear(R - 20, c - 22));
            } else if (c == 88) {
                RefCopy(expected, nullptr, R, c, 4, 4, 6, Linear(R - 3, c + 8));
                RefCopy(expected, &prev, R, c + 4, 4, 4, 0, Linear(R, c + 4));
                RefCopy(expected, &prev, R + 4, c, 8, 4, 0, Linear(R + 4, c));
            } else if (c == 96) {
                RefCopy(expected, nullptr, R, c, 8, 8, 0, Linear(R, c - 1));
            } else {  // the source takes rows 82-83 of this block's first column before their co-located copy
                RefCopy(expected, nullptr, R, c, 2, 2, 5, Linear(R + 2, c - 1));
                RefCopy(expected, &prev, R, c + 2, 6, 2, 0, Linear(R, c + 2));
                RefCopy(expected, &prev, R + 2, c, 8, 6, 0, Linear(R + 2, c));
            }
        }
    DecodeAndCompare(frame);
    // The overlapping copy smears the column left of the block across it.
    for (int r = 0; r < 8; ++r) EXPECT_EQ(At(dst, R + r, 103), At(dst, R + r, 95));
}

TEST_F(DecoderFrames, KeyFrameTrees) {
    // Key frames never read the previous picture: pass one that would show if they did.
    const int R = 400;
    auto frame = BuildFrame(true, 60, [&](QmvFrameWriter& f, int r, int c) {
        if (r != R || c > 16) return false;
        if (c == 0) {  // long word whose bit 15 makes the symmetry odd: 2 | 1 = 3, source (R - 100, C + 28)
            f.Long(T::Block, 3, 100, 100);
        } else if (c == 8) {  // top/bottom halves: a long copy and a split into quarters
            f.Split(T::Block, S::TopBottom), f.Long(T::Half, 5, 30, 128);      // (R + 4 - 30, C)
            f.Split(T::Half), f.Long(T::Quarter, 0, 4, 126);                   // (R, C + 2)
            f.Split(T::Quarter, S::Tiny2x2);                                   // four words, no bits
            for (int t = 0; t < 4; ++t) f.Short(T::Tiny, 831 - 128 * t, t + 4);
        } else {  // left/right halves split down to 4x2 and 2x4 pieces
            f.Split(T::Block, S::LeftRight), f.Split(T::Half);
            f.Split(T::Quarter, S::Rows4x2), f.Short(T::Small, 831 + 128 * 5, 1);                  // (0, -5)
            f.Split(T::Small), f.Short(T::Tiny, 831 + 128 * 9 + 3, 2), f.Short(T::Tiny, 831 + 128 * 9 + 3, 7);  // (-3, -9)
            f.Split(T::Quarter, S::Cols2x4), f.Short(T::Small, 831 + 128 * 6, 4), f.Short(T::Small, 831 + 128 * 6, 0);  // (0, -6)
            f.Long(T::Half, 7, 64, 128);                                                           // (R + 4 - 64, C)
        }
        return true;
    });
    RefCopy(expected, nullptr, R, 0, 8, 8, 3, Linear(R - 100, 28));
    int c = 8;
    RefCopy(expected, nullptr, R, c, 8, 4, 5, Linear(R + 4 - 30, c));
    RefCopy(expected, nullptr, R + 4, c, 4, 4, 0, Linear(R, c + 2));
    for (int t = 0; t < 4; ++t)
        RefCopy(expected, nullptr, R + 4 + t / 2 * 2, c + 4 + t % 2 * 2, 2, 2, t + 4, Linear(R + t, c));
    c = 16;
    RefCopy(expected, nullptr, R, c, 4, 2, 1, Linear(R - 5, c));
    RefCopy(expected, nullptr, R + 2, c, 2, 2, 2, Linear(R - 9, c - 3));
    RefCopy(expected, nullptr, R + 2, c + 2, 2, 2, 7, Linear(R - 9, c - 3));
    RefCopy(expected, nullptr, R + 4, c, 2, 4, 4, Linear(R - 6, c));
    RefCopy(expected, nullptr, R + 4, c + 2, 2, 4, 0, Linear(R - 6, c));
    RefCopy(expected, nullptr, R, c + 4, 4, 8, 7, Linear(R + 4 - 64, c));
    const Picture wrongPrevious = Pattern(9);
    DecodeAndCompare(frame, &wrongPrevious);
}

namespace {
// Dequantised coefficients of one component from (zig-zag position, value) pairs, with their masks.
struct ExpectedComponent {
    int32_t block[64] = {};
    uint8_t rowMask = 0, colMask = 0;
    void Put(int k, int value, const int32_t* quant) {
        const int pos = QMV_ZIGZAG[k];
        block[pos] = value * quant[k];
        rowMask |= uint8_t(1 << (pos >> 3));
        colMask |= uint8_t(1 << (pos & 7));
    }
};

void ExpectIntraBlock(const Picture& dst, int R, int C, ExpectedComponent comp[3]) {
    for (int i = 0; i < 3; ++i) QmvDec_Idct(comp[i].block, comp[i].rowMask, comp[i].colMask);
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            const int i = r * 8 + c;
            ASSERT_EQ(dst[size_t(R + r) * PW + size_t(C + c)],
                      QmvDec_ConvertPixel(comp[0].block[i], comp[1].block[i], comp[2].block[i]))
                << "block " << R << "," << C << " pixel " << r << "," << c;
        }
}
}  // namespace

TEST_F(DecoderFrames, EveryCoefficientCode) {
    const int quality = 40;
    int32_t luma[64], chroma[64];
    QmvDec_QuantTables(quality, luma, chroma);
    ExpectedComponent first[3], second[3];
    auto frame = BuildFrame(false, quality, [&](QmvFrameWriter& f, int r, int c) {
        if (r != 8 || (c != 8 && c != 16)) return false;
        f.IntraCode();
        auto nib = [&](std::initializer_list<int> ns) { for (int n : ns) f.Nibble(n); };
        if (c == 16) {
            // Each component a DC and the end code: nothing of the block before was left unread.
            nib({0x3, 0x1, 0, 0xF, 0xE, 0, 0x0, 0x9, 0});
            second[0].Put(0, 0x31, luma);
            second[1].Put(0, -2, chroma);
            second[2].Put(0, 9, chroma);
            return true;
        }
        ExpectedComponent& y = first[0];
        nib({0x1, 0x2});                   y.Put(0, 18, luma);
        nib({2});                          y.Put(2, 1, luma);                           // z 1, +1
        nib({7});                          y.Put(6, -1, luma);                          // z 3, -1
        nib({8, 0b0111, 5, 10, 13});                                                    // z 2, two pairs, a single
        y.Put(9, 2, luma), y.Put(10, 2, luma), y.Put(11, -2, luma), y.Put(12, -2, luma), y.Put(13, -1, luma);
        nib({9, 0b0110, 0, 8, 15});        y.Put(16, 1, luma), y.Put(17, -8, luma), y.Put(18, -1, luma);
        nib({10, 3});                      y.Put(19, 1, luma), y.Put(20, -1, luma);
        nib({11, 7});                      y.Put(21, 8, luma);
        nib({12, 1, 9});                   y.Put(22, 2, luma), y.Put(23, -7, luma);
        nib({13, 2, 3, 4});                y.Put(24, 3, luma), y.Put(25, 4, luma), y.Put(26, 5, luma);
        nib({14});                                                                      // z 1
        nib({1});                                                                       // z 5
        nib({15, 0, 0});                   y.Put(33, 0, luma);                          // a stored 0 counts
        nib({15, 8, 0});                   y.Put(34, -128, luma);
        nib({4});                          y.Put(37, 1, luma);
        nib({0});
        nib({0xF, 0x0, 0});                first[1].Put(0, -16, chroma);
        // The third component fills position 63 and ends without a code.
        nib({0x0, 0x5});                   first[2].Put(0, 5, chroma);
        for (int i = 0; i < 12; ++i) nib({1});
        nib({11, 0, 11, 15, 11, 6});
        first[2].Put(61, 1, chroma), first[2].Put(62, -1, chroma), first[2].Put(63, 7, chroma);
        return true;
    });
    ASSERT_EQ(Decode(frame, prev, dst), QMVDEC_OK);
    ExpectIntraBlock(dst, 8, 8, first);
    ExpectIntraBlock(dst, 8, 16, second);
}

TEST_F(DecoderFrames, IntraBlocksReproduceTheEncodedPicture) {
    // A smooth colour picture coded as a key frame of intra blocks: every pixel near its source colour.
    std::vector<uint32_t> source(size_t(PW) * PH);
    for (int y = 0; y < PH; ++y)
        for (int x = 0; x < PW; ++x) {
            const int r = 40 + (x * 170) / PW, g = 60 + (y * 150) / PH, b = 128 + int(60 * std::sin(x / 40.0 + y / 60.0));
            source[size_t(y) * PW + size_t(x)] = 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        }
    ASSERT_EQ(Decode(QmvEncoder(90).Encode(source, true), prev, dst), QMVDEC_OK);
    int worst = 0;
    for (size_t i = 0; i < dst.size(); ++i) {
        const int rgb[3] = {(dst[i] >> 11) << 3, (dst[i] >> 5 & 63) << 2, (dst[i] & 31) << 3};
        for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(rgb[k] - int(source[i] >> (16 - 8 * k) & 255)));
    }
    EXPECT_LE(worst, 24);
}
