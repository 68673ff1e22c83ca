// Frame decoder tables and arithmetic: spiral, short-word tables, wrap, quantisers, IDCT, colour conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "DecoderTestUtil.h"
#include "app/FloatToInt.h"
#include "video/QmvTables.h"

class DecoderTables : public ::testing::Test {
protected:
    void SetUp() override { QmvDec_Init565(); }
};

TEST_F(DecoderTables, SpiralCoversEveryDisplacementOnceFromTheCentreOut) {
    const QmvDisplacement expected[4] = {{1, 0}, {0, 0}, {0, 1}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(QmvDec_SpiralEntry(i).dx, expected[i].dx) << i;
        EXPECT_EQ(QmvDec_SpiralEntry(i).dy, expected[i].dy) << i;
    }
    EXPECT_EQ(QmvDec_SpiralEntry(4095).dx, 32);
    EXPECT_EQ(QmvDec_SpiralEntry(4095).dy, 32);
    std::set<std::pair<int, int>> seen;
    int maxRing = 0;
    for (int i = 0; i < 4096; ++i) {
        const QmvDisplacement d = QmvDec_SpiralEntry(i);
        ASSERT_GE(d.dx, -31);
        ASSERT_LE(d.dx, 32);
        ASSERT_GE(d.dy, -31);
        ASSERT_LE(d.dy, 32);
        EXPECT_TRUE(seen.insert({d.dx, d.dy}).second) << "repeated at " << i;
        // Rings around the (+0.5, +0.5) centre never shrink as the index grows.
        const int ring = std::max(std::abs(2 * d.dx - 1), std::abs(2 * d.dy - 1));
        EXPECT_GE(ring, maxRing) << i;
        maxRing = std::max(maxRing, ring);
    }
    EXPECT_EQ(seen.size(), 4096u);
}

TEST_F(DecoderTables, ShortWordDisplacementsAndHorizontalWrap) {
    auto eq = [](QmvDisplacement d, int dx, int dy) { return d.dx == dx && d.dy == dy; };
    EXPECT_TRUE(eq(QmvDec_ShortDisplacement(2015, false), 0, 0));
    EXPECT_TRUE(eq(QmvDec_ShortDisplacement(0, false), 31, 31));
    EXPECT_TRUE(eq(QmvDec_ShortDisplacement(4095, false), -32, -32));
    EXPECT_TRUE(eq(QmvDec_ShortDisplacement(831, true), 0, 0));
    EXPECT_TRUE(eq(QmvDec_ShortDisplacement(0, true), 63, 6));
    EXPECT_TRUE(eq(QmvDec_ShortDisplacement(4095, true), -64, -25));

    // Column C + 128 - h modulo 640, for C - h from -255 to 632.
    EXPECT_EQ(QmvDec_WrapColumn(0), 128);
    EXPECT_EQ(QmvDec_WrapColumn(-128), 0);
    EXPECT_EQ(QmvDec_WrapColumn(-255), 513);
    EXPECT_EQ(QmvDec_WrapColumn(511), 639);
    EXPECT_EQ(QmvDec_WrapColumn(512), 0);
    EXPECT_EQ(QmvDec_WrapColumn(632), 120);
}

TEST_F(DecoderTables, QuantisersScaleTheJpegTablesWithTheAanFactors) {
    int32_t luma[64], chroma[64];
    // Quality 50 keeps the base tables; the first row's factors are the worked ones.
    QmvDec_QuantTables(50, luma, chroma);
    const int row0Base[8] = {16, 11, 10, 16, 24, 40, 51, 61};
    const int row0Aan[8] = {16384, 22725, 21407, 19266, 16384, 12873, 8867, 4520};
    for (int k = 0; k < 64; ++k) {
        const int pos = QMV_ZIGZAG[k];
        if (pos < 8) {
            EXPECT_EQ(luma[k], (row0Base[pos] * row0Aan[pos]) >> 13) << pos;
        }
    }
    EXPECT_EQ(chroma[0], (17 * 16384) >> 13);
    // The last zig-zag entry is position 63: 99 * round(16384 * s(7)^2) >> 13.
    const double s7 = std::sqrt(2.0) * std::cos(7 * M_PI / 16.0);
    EXPECT_EQ(luma[63], (99 * Orv_RoundSat(16384.0 * s7 * s7)) >> 13);

    // Quality 75: scale 50, so the luminance DC 16 becomes 8, the lower limit.
    QmvDec_QuantTables(75, luma, chroma);
    EXPECT_EQ(luma[0], (8 * 16384) >> 13);
    // Quality 100 puts every entry on the lower limit 8, quality 1 on the upper limit 255.
    QmvDec_QuantTables(100, luma, chroma);
    EXPECT_EQ(chroma[63], (8 * Orv_RoundSat(16384.0 * s7 * s7)) >> 13);
    QmvDec_QuantTables(1, luma, chroma);
    EXPECT_EQ(luma[0], (255 * 16384) >> 13);
    EXPECT_EQ(chroma[0], (255 * 16384) >> 13);
}

TEST_F(DecoderTables, OneDimensionalTransformWorkedVectors) {
    struct Case {
        int32_t in[8];
        int32_t out[8];
    } cases[] = {
        {{0, 16, 0, 0, 0, 0, 0, 0}, {16, 14, 10, 3, -3, -10, -14, -16}},
        {{0, 1, 0, 0, 0, 0, 0, 0}, {1, 0, 1, 0, 0, -1, 0, -1}},
        {{0, -1, 0, 0, 0, 0, 0, 0}, {-1, -1, -1, 1, -1, 1, 1, 1}},
        {{0, 0, 16, 0, 0, 0, 0, 0}, {16, 8, -8, -16, -16, -8, 8, 16}},
    };
    for (const Case& c : cases) {
        // Strided as in a column pass.
        int32_t block[64] = {};
        for (int i = 0; i < 8; ++i) block[i * 8 + 3] = c.in[i];
        QmvDec_Idct1D(block + 3, 8);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(block[i * 8 + 3], c.out[i]) << "input " << c.in[1] << "," << c.in[2];
    }
}

namespace {
void TwoPass(int32_t b[64], bool rowsFirst) {
    for (int l = 0; l < 8; ++l) QmvDec_Idct1D(rowsFirst ? b + 8 * l : b + l, rowsFirst ? 1 : 8);
    for (int l = 0; l < 8; ++l) QmvDec_Idct1D(rowsFirst ? b + l : b + 8 * l, rowsFirst ? 8 : 1);
}
}  // namespace

TEST_F(DecoderTables, TransformOrderFollowsTheMasksAsSignedBytes) {
    struct Case {
        uint8_t rowMask, colMask;
        bool rowsFirst;
    } cases[] = {{0x81, 0x03, true}, {0x03, 0x0F, true}, {0x0F, 0x03, false}, {0x07, 0x07, false}, {0x03, 0x81, false}};
    std::mt19937 rng(7);
    for (const Case& c : cases) {
        // Values only where both masks allow, chosen until the two orders round differently.
        bool distinguished = false;
        for (int attempt = 0; attempt < 200 && !distinguished; ++attempt) {
            int32_t in[64] = {};
            for (int r = 0; r < 8; ++r)
                for (int col = 0; col < 8; ++col)
                    if ((c.rowMask >> r & 1) && (c.colMask >> col & 1)) in[r * 8 + col] = int32_t(rng() % 2001) - 1000;
            int32_t got[64], rows[64], cols[64];
            std::copy(in, in + 64, got);
            std::copy(in, in + 64, rows);
            std::copy(in, in + 64, cols);
            QmvDec_Idct(got, c.rowMask, c.colMask);
            TwoPass(rows, true);
            TwoPass(cols, false);
            if (std::equal(rows, rows + 64, cols)) continue;
            distinguished = true;
            EXPECT_TRUE(std::equal(got, got + 64, c.rowsFirst ? rows : cols))
                << std::hex << int(c.rowMask) << " " << int(c.colMask);
        }
        EXPECT_TRUE(distinguished);
    }
    // The DC alone fills the block with the dequantised DC.
    int32_t dc[64] = {-517};
    QmvDec_Idct(dc, 1, 1);
    for (int32_t v : dc) EXPECT_EQ(v, -517);
}

namespace {
// The transform's flow graph in floating point, with exact factors: sqrt 2, 1.847759065, 1.082392200 and
// 2.613125930 where the integer one uses 3/2, 30/16, 17/16 and 40/16 and truncating shifts.
void FloatIdct1D(double* d, int s, bool exactFactors) {
    const double r2 = exactFactors ? std::sqrt(2.0) : 1.5;
    const double f5 = exactFactors ? 1.847759065 : 30.0 / 16;
    const double f10 = exactFactors ? 1.082392200 : 17.0 / 16;
    const double f12 = exactFactors ? 2.613125930 : 40.0 / 16;
    const double t13 = d[2 * s] + d[6 * s], t12 = r2 * (d[2 * s] - d[6 * s]) - t13;
    const double t10 = d[0] + d[4 * s], t11 = d[0] - d[4 * s];
    const double e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;
    const double z13 = d[5 * s] + d[3 * s], z10 = d[5 * s] - d[3 * s], z11 = d[s] + d[7 * s], z12 = d[s] - d[7 * s];
    const double o7 = z11 + z13, o11 = r2 * (z11 - z13), z5 = f5 * (z10 + z12);
    const double o10 = f10 * z12 - z5, o12 = z5 - f12 * z10;
    const double o6 = o12 - o7, o5 = o11 - o6, o4 = o10 + o5;
    d[0] = e0 + o7, d[7 * s] = e0 - o7, d[s] = e1 + o6, d[6 * s] = e1 - o6;
    d[2 * s] = e2 + o5, d[5 * s] = e2 - o5, d[4 * s] = e3 + o4, d[3 * s] = e3 - o4;
}
void FloatIdct(double* b, bool rowsFirst, bool exactFactors) {
    for (int l = 0; l < 8; ++l) FloatIdct1D(rowsFirst ? b + 8 * l : b + l, rowsFirst ? 1 : 8, exactFactors);
    for (int l = 0; l < 8; ++l) FloatIdct1D(rowsFirst ? b + l : b + 8 * l, rowsFirst ? 8 : 1, exactFactors);
}
}  // namespace

TEST_F(DecoderTables, IntegerTransformAgainstFloatingPointReferences) {
    // Two references on random dequantised blocks: the same flow graph without truncation bounds the
    // shifts' error; with exact factors it is the true DCT, which the integer factors only approximate.
    std::mt19937 rng(11);
    int32_t luma[64], chroma[64];
    double worstShifts = 0.0, worstFactors = 0.0;
    for (int quality : {10, 50, 90}) {
        QmvDec_QuantTables(quality, luma, chroma);
        for (int trial = 0; trial < 300; ++trial) {
            int32_t block[64] = {};
            uint8_t rm = 1, cm = 1;
            block[0] = (int32_t(rng() % 256) - 128) * luma[0];
            for (int k = 1; k < 64; ++k)
                if (rng() % 4 == 0) {
                    const int pos = QMV_ZIGZAG[k];
                    block[pos] = (int32_t(rng() % 17) - 8) * luma[k];
                    rm |= uint8_t(1 << (pos >> 3));
                    cm |= uint8_t(1 << (pos & 7));
                }
            double same[64], exact[64];
            std::copy(block, block + 64, same);
            std::copy(block, block + 64, exact);
            const bool rowsFirst = int8_t(rm) < int8_t(cm);
            FloatIdct(same, rowsFirst, false);
            FloatIdct(exact, rowsFirst, true);
            QmvDec_Idct(block, rm, cm);
            double peak = 0.0, errFactors = 0.0;
            for (int i = 0; i < 64; ++i) {
                worstShifts = std::max(worstShifts, std::fabs(block[i] - same[i]) / 16.0);
                peak = std::max(peak, std::fabs(exact[i]));
                errFactors = std::max(errFactors, std::fabs(block[i] - exact[i]));
            }
            worstFactors = std::max(worstFactors, errFactors / (peak + 16.0));
        }
    }
    // In sample units (outputs / 16): the truncations cost a few units at most.
    EXPECT_LT(worstShifts, 1.0);
    // The factors' error stays a fraction of the block's amplitude.
    EXPECT_LT(worstFactors, 0.3);
}

TEST_F(DecoderTables, ColourConversionAndSaturation) {
    // Outputs 0 are grey 128: index 32 in every table.
    EXPECT_EQ(QmvDec_ConvertPixel(0, 0, 0), uint16_t(16 << 11 | 32 << 5 | 16));
    // Overshoot saturates: green stops at 62 in 5-6-5.
    EXPECT_EQ(QmvDec_ConvertPixel(1 << 20, 0, 0), uint16_t(31 << 11 | 62 << 5 | 31));
    EXPECT_EQ(QmvDec_ConvertPixel(-(1 << 20), 0, 0), 0);
    EXPECT_EQ(QmvDec_ConvertPixel(INT32_MAX, INT32_MAX, INT32_MAX) & 0x1F, 31);
    EXPECT_EQ(QmvDec_ConvertPixel(INT32_MIN, INT32_MIN, INT32_MIN) >> 11, 0);
    // Blue reads the output shifted right by 3 (not twice the output shifted by 4): y = 133,
    // 133 + 3 = 136 gives blue 17 where 133 + 2 would give 16.
    EXPECT_EQ(QmvDec_ConvertPixel(80, 24, 0) & 0x1F, 17);
    // Red follows v = (16 c2 + 8) / 10 rounding toward zero: c2 = -1 gives v = 0, c2 = -2 gives -2.
    EXPECT_EQ(QmvDec_ConvertPixel(0, 0, -16) >> 11, 16);
    EXPECT_EQ(QmvDec_ConvertPixel(0, 0, -32) >> 11, 15);

    QmvDec_Init555();
    EXPECT_EQ(QmvDec_ConvertPixel(0, 0, 0), uint16_t(16 << 10 | 16 << 5 | 16));
    EXPECT_EQ(QmvDec_ConvertPixel(1 << 20, 0, 0), uint16_t(31 << 10 | 30 << 5 | 31));
    QmvDec_Init565();
}
