// Frame decoder on written streams: every code path against a reference model of the copies and transforms.
#include <gtest/gtest.h>

#include <cmath>

#include "DecoderTestUtil.h"
#include "video/QmvTables.h"

namespace {

class DecoderFrames : public ::testing::Test {
protected:
    void SetUp() override {
        QmvDec_Init565();
        prev = Pattern(1);
        dst = Pattern(2);  // the picture of two frames ago, overwritten block by block
        expected = dst;
    }
    // Reference for the blocks left to the default: co-located copies in ordinary frames, nothing in key frames.
    void ExpectDefaultBlocks(bool key, const std::function<bool(int, int)>& coded) {
        for (int r = 0; r < PH; r += 8)
            for (int c = 0; c < PW; c += 8)
                if (!coded(r, c) && !key) RefCopy(expected, &prev, r, c, 8, 8, 0, Linear(r, c));
    }
    void DecodeAndCompare(const std::vector<uint8_t>& frame) {
        ASSERT_EQ(Decode(frame, prev, dst), QMVDEC_OK);
        for (size_t i = 0; i < dst.size(); ++i)
            if (dst[i] != expected[i]) {
                FAIL() << "first difference at row " << i / PW << " column " << i % PW;
            }
    }

    Picture prev, dst, expected;
};

struct PieceKind {
    const char* name;
    int w, h;
};

}  // namespace

TEST_F(DecoderFrames, ColocatedMotionAndLongCopiesFromThePreviousPicture) {
    // Block (64, 64): motion index 1 is the co-located block; (64, 80): index 4095 is 32 right, 32 down;
    // (64, 96): the long word h = 128, v = 64 is co-located too; (120, 632): its corner column wraps
    // to the same row's left edge; (200, 632): an area past the right edge continues on the next row.
    auto frame = BuildFrame(false, 50, [](QmvFrameWriter& f, int r, int c) {
        if (r == 64 && c == 64) return f.Motion(QmvTree::Block, 1), true;
        if (r == 64 && c == 80) return f.Motion(QmvTree::Block, 4095), true;
        if (r == 64 && c == 96) return f.Long(QmvTree::Block, 0, 64, 128), true;
        if (r == 120 && c == 632) return f.Long(QmvTree::Block, 0, 64, 0), true;      // column 632 + 128
        if (r == 200 && c == 632) return f.Long(QmvTree::Block, 0, 60, 124), true;    // column 636, row + 4
        return false;
    });
    ExpectDefaultBlocks(false, [](int, int) { return false; });
    RefCopy(expected, &prev, 64, 80, 8, 8, 0, Linear(96, 112));
    RefCopy(expected, &prev, 120, 632, 8, 8, 0, Linear(120, 120));
    RefCopy(expected, &prev, 200, 632, 8, 8, 0, Linear(204, 636));
    DecodeAndCompare(frame);
}

TEST_F(DecoderFrames, EverySymmetryOfEveryPieceSize) {
    // Seven blocks in a row: long words for the 8x8, 8x4, 4x8 and 4x4 pieces, short words for 4x2, 2x4 and
    // 2x2; each piece sits away from its block's corner where it can, since the source corner is reckoned
    // from the block's.
    const int R = 160, C = 320;
    const int v = 61, h = 133;                  // long corner (R + 3, block column - 5)
    const int shortIndex = 2015 - 64 * 2 - 5;   // short displacement (dx, dy) = (5, 2)
    for (int sym = 0; sym < 8; ++sym) {
        SetUp();
        auto frame = BuildFrame(false, 50, [&](QmvFrameWriter& f, int r, int c) {
            if (r != R || c < C || c >= C + 7 * 8) return false;
            switch ((c - C) / 8) {
            case 0: f.Long(QmvTree::Block, sym, v, h); break;
            case 1:  // bottom 8x4 half
                f.Split(QmvTree::Block, QmvSplit::TopBottom);
                f.Colocated(QmvTree::Half);
                f.Long(QmvTree::Half, sym, v, h);
                break;
            case 2:  // right 4x8 half
                f.Split(QmvTree::Block, QmvSplit::LeftRight);
                f.Colocated(QmvTree::Half);
                f.Long(QmvTree::Half, sym, v, h);
                break;
            case 3:  // bottom-right quarter
                f.Split(QmvTree::Block, QmvSplit::Quarters);
                for (int q = 0; q < 3; ++q) f.Colocated(QmvTree::Quarter);
                f.Long(QmvTree::Quarter, sym, v, h);
                break;
            case 4:  // bottom 4x2 of the top-right quarter
                f.Split(QmvTree::Block, QmvSplit::Quarters);
                f.Colocated(QmvTree::Quarter);
                f.Split(QmvTree::Quarter, QmvSplit::Rows4x2);
                f.Colocated(QmvTree::Small);
                f.Short(QmvTree::Small, shortIndex, sym);
                for (int q = 0; q < 2; ++q) f.Colocated(QmvTree::Quarter);
                break;
            case 5:  // right 2x4 of the bottom-left quarter
                f.Split(QmvTree::Block, QmvSplit::Quarters);
                for (int q = 0; q < 2; ++q) f.Colocated(QmvTree::Quarter);
                f.Split(QmvTree::Quarter, QmvSplit::Cols2x4);
                f.Colocated(QmvTree::Small);
                f.Short(QmvTree::Small, shortIndex, sym);
                f.Colocated(QmvTree::Quarter);
                break;
            default:  // bottom-right 2x2 of the top-left quarter
                f.Split(QmvTree::Block, QmvSplit::Quarters);
                f.Split(QmvTree::Quarter, QmvSplit::Tiny2x2);
                for (int t = 0; t < 3; ++t) f.Colocated(QmvTree::Tiny);
                f.Short(QmvTree::Tiny, shortIndex, sym);
                for (int q = 0; q < 3; ++q) f.Colocated(QmvTree::Quarter);
                break;
            }
            return true;
        });
        ExpectDefaultBlocks(false, [](int, int) { return false; });
        auto longCorner = [&](int k) { return Linear(R + 3, C + 8 * k - 5); };
        auto shortCorner = [&](int k) { return Linear(R + 2, C + 8 * k + 5); };
        RefCopy(expected, &prev, R, C, 8, 8, sym, longCorner(0));
        RefCopy(expected, &prev, R + 4, C + 8, 8, 4, sym, longCorner(1));
        RefCopy(expected, &prev, R, C + 20, 4, 8, sym, longCorner(2));
        RefCopy(expected, &prev, R + 4, C + 28, 4, 4, sym, longCorner(3));
        RefCopy(expected, &prev, R + 2, C + 36, 4, 2, sym, shortCorner(4));
        RefCopy(expected, &prev, R + 4, C + 42, 2, 4, sym, shortCorner(5));
        RefCopy(expected, &prev, R + 2, C + 50, 2, 2, sym, shortCorner(6));
        DecodeAndCompare(frame);
        if (HasFailure()) FAIL() << "symmetry " << sym;
    }
}

TEST_F(DecoderFrames, MotionAndColocatedCopiesOfEveryPiece) {
    const int R = 240, C = 160;
    const int m1 = SpiralIndex(3, -2), m2 = SpiralIndex(-7, 5), m3 = SpiralIndex(32, 32), m4 = SpiralIndex(-31, -31);
    auto frame = BuildFrame(false, 50, [&](QmvFrameWriter& f, int r, int c) {
        if (r == R && c == C) {
            f.Split(QmvTree::Block, QmvSplit::TopBottom);
            f.Motion(QmvTree::Half, m1);                     // top 8x4
            f.Split(QmvTree::Half);                          // bottom: two 4x4 quarters
            f.Motion(QmvTree::Quarter, m2);
            f.Colocated(QmvTree::Quarter);
            return true;
        }
        if (r == R && c == C + 8) {
            f.Split(QmvTree::Block, QmvSplit::LeftRight);
            f.Split(QmvTree::Half);                          // left: top and bottom quarters
            f.Split(QmvTree::Quarter, QmvSplit::Rows4x2);
            f.Motion(QmvTree::Small, m3);
            f.Split(QmvTree::Small);                         // two 2x2
            f.Motion(QmvTree::Tiny, m4);
            f.Colocated(QmvTree::Tiny);
            f.Split(QmvTree::Quarter, QmvSplit::Cols2x4);
            f.Colocated(QmvTree::Small);
            f.Split(QmvTree::Small);                         // top and bottom 2x2
            f.Colocated(QmvTree::Tiny);
            f.Motion(QmvTree::Tiny, m1);
            f.Motion(QmvTree::Half, m2);                     // right 4x8
            return true;
        }
        return false;
    });
    ExpectDefaultBlocks(false, [](int, int) { return false; });
    RefCopy(expected, &prev, R, C, 8, 4, 0, Linear(R - 2, C + 3));
    RefCopy(expected, &prev, R + 4, C, 4, 4, 0, Linear(R + 4 + 5, C - 7));
    const int c2 = C + 8;
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
        if (c == 80) return f.Long(QmvTree::Block, 3, 20, 150, true), true;        // (R - 20, C - 22)
        if (c == 88) {
            f.Split(QmvTree::Block, QmvSplit::Quarters);
            f.Long(QmvTree::Quarter, 6, 7, 120, true);                              // (R - 3, C + 8)
            for (int q = 0; q < 3; ++q) f.Colocated(QmvTree::Quarter);
            return true;
        }
        if (c == 96) return f.Long(QmvTree::Block, 0, 0, 129, true), true;         // (R, C - 1): overlaps
        if (c == 104) {
            f.Split(QmvTree::Block, QmvSplit::Quarters);
            f.Split(QmvTree::Quarter, QmvSplit::Tiny2x2);
            f.Short(QmvTree::Tiny, 831 - 128 * 2 + 1, 5, true);                     // (dx, dy) = (-1, 2)
            for (int t = 0; t < 3; ++t) f.Colocated(QmvTree::Tiny);
            for (int q = 0; q < 3; ++q) f.Colocated(QmvTree::Quarter);
            return true;
        }
        return false;
    });
    for (int r = 0; r < PH; r += 8)
        for (int c = 0; c < PW; c += 8) {
            if (r == R && c == 80) {
                RefCopy(expected, nullptr, R, c, 8, 8, 3, Linear(R - 20, c - 22));
            } else if (r == R && c == 88) {
                RefCopy(expected, nullptr, R, c, 4, 4, 6, Linear(R - 3, c + 8));
                RefCopy(expected, &prev, R, c + 4, 4, 4, 0, Linear(R, c + 4));
                RefCopy(expected, &prev, R + 4, c, 8, 4, 0, Linear(R + 4, c));
            } else if (r == R && c == 96) {
                RefCopy(expected, nullptr, R, c, 8, 8, 0, Linear(R, c - 1));
            } else if (r == R && c == 104) {
                // The source takes rows 82-83 of this block's first column before their co-located copy.
                RefCopy(expected, nullptr, R, c, 2, 2, 5, Linear(R + 2, c - 1));
                RefCopy(expected, &prev, R, c + 2, 6, 2, 0, Linear(R, c + 2));
                RefCopy(expected, &prev, R + 2, c, 8, 6, 0, Linear(R + 2, c));
            } else {
                RefCopy(expected, &prev, r, c, 8, 8, 0, Linear(r, c));
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
        if (r != R || c > 32) return false;
        switch (c / 8) {
        case 0:  // long word whose bit 15 makes the symmetry odd: 2 | 1 = 3, source (R - 100, C + 28)
            f.Long(QmvTree::Block, 3, 100, 100);
            break;
        case 1:  // top/bottom halves: a long copy and a split into quarters
            f.Split(QmvTree::Block, QmvSplit::TopBottom);
            f.Long(QmvTree::Half, 5, 30, 128);                                  // (R + 4 - 30, C)
            f.Split(QmvTree::Half);
            f.Long(QmvTree::Quarter, 0, 4, 126);                                // (R, C + 2)
            f.Split(QmvTree::Quarter, QmvSplit::Tiny2x2);                       // four words, no bits
            for (int t = 0; t < 4; ++t) f.Short(QmvTree::Tiny, 831 - 128 * t, t + 4);
            break;
        case 2:  // left/right halves split down to 4x2 and 2x4 pieces
            f.Split(QmvTree::Block, QmvSplit::LeftRight);
            f.Split(QmvTree::Half);
            f.Split(QmvTree::Quarter, QmvSplit::Rows4x2);
            f.Short(QmvTree::Small, 831 + 128 * 5, 1);                           // (0, -5)
            f.Split(QmvTree::Small);
            f.Short(QmvTree::Tiny, 831 + 128 * 9 + 3, 2);                       // (-3, -9)
            f.Short(QmvTree::Tiny, 831 + 128 * 9 + 3, 7);
            f.Split(QmvTree::Quarter, QmvSplit::Cols2x4);
            f.Short(QmvTree::Small, 831 + 128 * 6, 4);                           // (0, -6)
            f.Short(QmvTree::Small, 831 + 128 * 6, 0);
            f.Long(QmvTree::Half, 7, 64, 128);                                   // (R + 4 - 64, C)
            break;
        case 3:  // four quarters
            f.Split(QmvTree::Block, QmvSplit::Quarters);
            for (int q = 0; q < 4; ++q) f.Long(QmvTree::Quarter, 2 * q, 10 + q, 128 + q);
            break;
        default: {
            int coefficients[3][64] = {{40}, {-7}, {12}};
            f.Intra(coefficients);
            break;
        }
        }
        return true;
    });
    Picture wrongPrevious = Pattern(9);
    const int C = 0;
    RefCopy(expected, nullptr, R, C, 8, 8, 3, Linear(R - 100, C + 28));
    int c = 8;
    RefCopy(expected, nullptr, R, c, 8, 4, 5, Linear(R + 4 - 30, c));
    RefCopy(expected, nullptr, R + 4, c, 4, 4, 0, Linear(R, c + 2));
    const int tinyRow[4] = {0, 0, 2, 2}, tinyCol[4] = {0, 2, 0, 2};
    for (int t = 0; t < 4; ++t)
        RefCopy(expected, nullptr, R + 4 + tinyRow[t], c + 4 + tinyCol[t], 2, 2, t + 4, Linear(R + t, c));
    c = 16;
    RefCopy(expected, nullptr, R, c, 4, 2, 1, Linear(R - 5, c));
    RefCopy(expected, nullptr, R + 2, c, 2, 2, 2, Linear(R - 9, c - 3));
    RefCopy(expected, nullptr, R + 2, c + 2, 2, 2, 7, Linear(R - 9, c - 3));
    RefCopy(expected, nullptr, R + 4, c, 2, 4, 4, Linear(R - 6, c));
    RefCopy(expected, nullptr, R + 4, c + 2, 2, 4, 0, Linear(R - 6, c));
    RefCopy(expected, nullptr, R, c + 4, 4, 8, 7, Linear(R + 4 - 64, c));
    c = 24;
    const int qRow[4] = {0, 0, 4, 4}, qCol[4] = {0, 4, 0, 4};
    for (int q = 0; q < 4; ++q)
        RefCopy(expected, nullptr, R + qRow[q], c + qCol[q], 4, 4, 2 * q, Linear(R + 4 - 10 - q, c - q));
    ASSERT_EQ(Decode(frame, wrongPrevious, dst), QMVDEC_OK);
    for (int r = 0; r < PH; ++r)
        for (int col = 0; col < 32; ++col) ASSERT_EQ(At(dst, r, col), At(expected, r, col)) << r << "," << col;
    // The intra block of DC values only is flat.
    for (int r = 0; r < 8; ++r)
        for (int col = 32; col < 40; ++col) EXPECT_EQ(At(dst, R + r, col), At(dst, R, 32));
    for (int col = 40; col < PW; ++col) EXPECT_EQ(At(dst, R, col), At(expected, R, col));
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
        auto nib = [&](std::initializer_list<int> ns) {
            for (int n : ns) f.Nibble(n);
        };
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
    // A smooth colour picture coded as a key frame: every pixel near its source colour, and each block
    // equal to the float transform of its coefficients within the integer transform's error.
    std::vector<uint32_t> source(size_t(PW) * PH);
    for (int y = 0; y < PH; ++y)
        for (int x = 0; x < PW; ++x) {
            const int r = 40 + (x * 170) / PW, g = 60 + (y * 150) / PH, b = 128 + int(60 * std::sin(x / 40.0 + y / 60.0));
            source[size_t(y) * PW + size_t(x)] = 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        }
    QmvEncoder encoder(90);
    const auto frame = encoder.Encode(source, true);
    ASSERT_EQ(Decode(frame, prev, dst), QMVDEC_OK);
    int worst = 0;
    for (size_t i = 0; i < dst.size(); ++i) {
        const int r8 = (dst[i] >> 11) << 3, g8 = (dst[i] >> 5 & 63) << 2, b8 = (dst[i] & 31) << 3;
        const uint32_t s = source[i];
        worst = std::max({worst, std::abs(r8 - int(s >> 16 & 255)), std::abs(g8 - int(s >> 8 & 255)),
                          std::abs(b8 - int(s & 255))});
    }
    EXPECT_LE(worst, 24);
}
