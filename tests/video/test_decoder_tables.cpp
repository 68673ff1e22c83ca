// Frame decoder tables and arithmetic: motion spiral, IDCT against floating-point references, colour conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "DecoderTestUtil.h"
#include "video/QmvTables.h"

class DecoderTables : public ::testing::Test {
protected:
    void SetUp() override { QmvDec_Init565(); }
};

TEST_F(DecoderTables, SpiralCoversEveryDisplacementOnceFromTheCentreOut) {
    const int expected[5][3] = {{0, 1, 0}, {1, 0, 0}, {2, 0, 1}, {3, 1, 1}, {4095, 32, 32}};
    for (const auto& e : expected) {
        EXPECT_EQ(QmvDec_SpiralEntry(e[0]).dx, e[1]) << e[0];
        EXPECT_EQ(QmvDec_SpiralEntry(e[0]).dy, e[2]) << e[0];
    }
    std::set<std::pair<int, int>> seen;
    int maxRing = 0;
    for (int i = 0; i < 4096; ++i) {
        const QmvDisplacement d = QmvDec_SpiralEntry(i);
        ASSERT_TRUE(d.dx >= -31 && d.dx <= 32 && d.dy >= -31 && d.dy <= 32) << i;
        EXPECT_TRUE(seen.insert({d.dx, d.dy}).second) << "repeated at " << i;
        // Rings around the (+0.5, +0.5) centre never shrink as the index grows.
        const int ring = std::max(std::abs(2 * d.dx - 1), std::abs(2 * d.dy - 1));
        EXPECT_GE(ring, maxRing) << i;
        maxRing = std::max(maxRing, ring);
    }
}

TEST_F(DecoderTables, TransformOrderFollowsTheMasksAsSignedBytes) {
    // Rows first when the row mask is the smaller signed byte; random values only where both masks allow,
    // drawn until the two orders round differently.
    const int cases[5][3] = {{0x81, 0x03, 1}, {0x03, 0x0F, 1}, {0x0F, 0x03, 0}, {0x07, 0x07, 0}, {0x03, 0x81, 0}};
    std::mt19937 rng(7);
    for (const auto& c : cases) {
        bool distinguished = false;
        for (int attempt = 0; attempt < 200 && !distinguished; ++attempt) {
            int32_t got[64] = {}, order[2][64];  // columns first, rows first
            for (int i = 0; i < 64; ++i)
                if ((c[0] >> (i / 8) & 1) && (c[1] >> (i % 8) & 1)) got[i] = int32_t(rng() % 2001) - 1000;
            for (int rowsFirst = 0; rowsFirst < 2; ++rowsFirst) {
                std::copy(got, got + 64, order[rowsFirst]);
                for (int pass = 0; pass < 2; ++pass)
                    for (int l = 0; l < 8; ++l)
                        (pass == 0) == (rowsFirst == 1) ? QmvDec_Idct1D(order[rowsFirst] + 8 * l, 1)
                                                        : QmvDec_Idct1D(order[rowsFirst] + l, 8);
            }
            QmvDec_Idct(got, uint8_t(c[0]), uint8_t(c[1]));
            distinguished = !std::equal(order[0], order[0] + 64, order[1]);
            if (distinguished) {
                EXPECT_TRUE(std::equal(got, got + 64, order[c[2]])) << c[0] << " " << c[1];
            }
        }
        EXPECT_TRUE(distinguished);
    }
    // The DC alone fills the block with the dequantised DC.
    int32_t dc[64] = {-517};
    QmvDec_Idct(dc, 1, 1);
    for (int32_t v : dc) EXPECT_EQ(v, -517);
}

namespace {
// The transform's flow graph in floating point, with exact factors (sqrt 2, 1.847759065, 1.082392200,
// 2.613125930) or the integer one's (3/2, 30/16, 17/16, 40/16) without its truncating shifts.
void FloatIdct1D(double* d, int s, bool exact) {
    const double r2 = exact ? std::sqrt(2.0) : 1.5, f5 = exact ? 1.847759065 : 30.0 / 16;
    const double f10 = exact ? 1.082392200 : 17.0 / 16, f12 = exact ? 2.613125930 : 40.0 / 16;
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
            int32_t block[64] = {(int32_t(rng() % 256) - 128) * luma[0]};
            uint8_t rm = 1, cm = 1;
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
            for (int pass = 0; pass < 2; ++pass)
                for (int l = 0; l < 8; ++l) {
                    const bool rows = (pass == 0) == rowsFirst;
                    FloatIdct1D(rows ? same + 8 * l : same + l, rows ? 1 : 8, false);
                    FloatIdct1D(rows ? exact + 8 * l : exact + l, rows ? 1 : 8, true);
                }
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
    // In sample units (outputs / 16) the truncations cost less than one; the factors' error stays a fraction
    // of the block's amplitude.
    EXPECT_LT(worstShifts, 1.0);
    EXPECT_LT(worstFactors, 0.3);
}

TEST_F(DecoderTables, ColourConversionAndSaturation) {
    // Outputs 0 are grey 128; overshoot saturates, green stopping at 62 in 5-6-5.
    EXPECT_EQ(QmvDec_ConvertPixel(0, 0, 0), uint16_t(16 << 11 | 32 << 5 | 16));
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
