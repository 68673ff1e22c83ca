// The frame decoder against its plain form on random input, at every vector level the processor has:
// the transform, the colour conversion, and whole frames (every coefficient code, copies, bad streams).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "DecoderTestUtil.h"
#include "tests/support/SimdLevels.h"

namespace {

class DecoderLanes : public ::testing::Test {
protected:
    void SetUp() override { QmvDec_Init565(); }
    void TearDown() override { QmvDec_Init565(); }
};

// A random intra component in zig-zag order: runs of zeros, values of every size the codes carry.
void RandomComponent(std::mt19937& rng, int (&zigzag)[64]) {
    const int kind = int(rng() % 4);
    for (int k = 0; k < 64; ++k) {
        const uint32_t r = rng();
        if (kind == 0 && k > 0 && r % 3) zigzag[k] = 0;           // sparse
        else if (kind == 1) zigzag[k] = r % 2 ? 1 : -1;          // +-1 everywhere
        else if (kind == 2) zigzag[k] = int(r % 17) - 8;         // the value table
        else zigzag[k] = int(r % 256) - 128;                     // 8-bit values
        if (k > 0 && rng() % 8 == 0) zigzag[k] = 0;
    }
    if (rng() % 10 == 0) std::fill(zigzag + 1, zigzag + 64, 0);  // DC alone
}

// A component of random codes, every one of the sixteen with random arguments, written nibble by
// nibble: it ends with code 0 or at the 64th position; overflow lets a value fall past position 63 now
// and then (a bad stream).
void RandomCodes(std::mt19937& rng, QmvFrameWriter& f, bool overflow) {
    f.NibbleByte(int(rng() % 256) - 128);
    for (int k = 1; k < 64;) {
        const int code = rng() % 40 == 0 ? 0 : int(1 + rng() % 15);
        const int a = int(rng() % 16);
        int skip = 0, values = 0, args = 0;
        switch (code) {
        case 0: break;
        case 1: skip = 5; break;
        case 2: case 3: case 4: case 5: case 6: case 7: skip = code >> 1, values = 1; break;
        case 8: skip = (a >> 2 & 3) + 1, values = 2 * ((a & 3) >= 2 ? 2 : 1) + (a & 1), args = 1 + values / 2 + (a & 1); break;
        case 9: skip = (a >> 2 & 3) + 1, values = (a & 3) + 1, args = 1 + values; break;
        case 10: values = 2, args = 1; break;
        case 11: case 12: case 13: values = code - 10, args = values; break;
        case 14: skip = 1; break;
        default: values = 1, args = 2; break;
        }
        if (!overflow && k + skip + values > 64) continue;
        f.Nibble(code);
        if (code == 0) return;
        if (code == 8 || code == 9) {
            f.Nibble(a);
            --args;
        }
        for (int i = 0; i < args; ++i) f.Nibble(int(rng() % 16));
        k += skip + values;
    }
}

// A key frame of random trees: intra blocks of coded coefficients or of random codes, copies of the
// picture being decoded.
std::vector<uint8_t> RandomKeyFrame(std::mt19937& rng, bool overflow) {
    QmvFrameWriter f(true, int(1 + rng() % 100));
    for (int r = 0; r < PH; r += 8)
        for (int c = 0; c < PW; c += 8) {
            if (rng() % 4 == 0 && r >= 8) {
                f.Long(QmvTree::Block, int(rng() % 8), 8, 128);
            } else if (rng() % 2) {
                f.IntraCode();
                for (int comp = 0; comp < 3; ++comp) RandomCodes(rng, f, overflow && rng() % 500 == 0);
            } else {
                int co[3][64];
                for (auto& comp : co) RandomComponent(rng, comp);
                f.Intra(co);
            }
        }
    return f.Finish();
}

}  // namespace

// The transform eight lines at a time equals the plain one on blocks of random positions and values (up
// to the largest dequantised value, 127 x 707), both orders, the DC alone and full blocks.
TEST_F(DecoderLanes, TransformEqualsThePlainTransform) {
    std::mt19937 rng(17);
    AtEverySimdLevel([&] {
        for (int iter = 0; iter < 3000; ++iter) {
            alignas(16) int32_t block[64] = {};
            uint8_t rowMask = 1, colMask = 1;
            const int count = iter % 10 == 0 ? 64 : int(rng() % 12);
            block[0] = int32_t(rng() % 179579) - 89789;
            for (int i = 0; i < count; ++i) {
                const int pos = iter % 10 == 0 ? i : int(rng() % 64);
                block[pos] = int32_t(rng() % 179579) - 89789;
                rowMask |= uint8_t(1u << (pos >> 3));
                colMask |= uint8_t(1u << (pos & 7));
            }
            int32_t plain[64], lanes[64];
            std::copy(block, block + 64, plain);
            QmvDec_Idct(plain, rowMask, colMask);
            QmvDec_IdctLanes(block, rowMask, colMask, lanes);
            ASSERT_TRUE(std::equal(plain, plain + 64, lanes)) << iter << " masks " << int(rowMask) << "," << int(colMask);
        }
    });
}

// The conversion eight pixels at a time equals the plain one in both formats: outputs in the ranges a
// picture gives, beyond the conversion tables' ends, and anywhere in 32 bits.
TEST_F(DecoderLanes, ConversionEqualsThePlainConversion) {
    std::mt19937 rng(29);
    for (int format = 0; format < 2; ++format) {
        format == 0 ? QmvDec_Init565() : QmvDec_Init555();
        AtEverySimdLevel([&] {
            for (int iter = 0; iter < 20000; ++iter) {
                const int64_t span = iter % 3 == 0 ? 16 * 600 : iter % 3 == 1 ? 1 << 17 : int64_t(1) << 32;
                int32_t out[3][8];
                for (auto& o : out)
                    for (int32_t& v : o) v = int32_t(int64_t(rng() % uint64_t(span)) - span / 2);
                uint16_t lanes[8];
                QmvDec_ConvertLanes(out[0], out[1], out[2], lanes);
                for (int i = 0; i < 8; ++i)
                    ASSERT_EQ(lanes[i], QmvDec_ConvertPixel(out[0][i], out[1][i], out[2][i]))
                        << "format " << format << " outputs " << out[0][i] << "," << out[1][i] << "," << out[2][i];
            }
        });
    }
}

// Whole frames give the plain decoder's results and pictures, bit for bit: random key frames of every
// coefficient code with random arguments (the last blocks of each read with the checked reader, the
// rest without), some with a value past position 63, encoded difference frames, and frames cut,
// scrambled anywhere or with a header word changed, which end in the same error with the same partial picture.
TEST_F(DecoderLanes, FramesEqualThePlainDecoder) {
    std::mt19937 rng(41);
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 4; ++i) frames.push_back(RandomKeyFrame(rng, false));
    for (auto& f : MovingSquareFrames(3, 70)) frames.push_back(f);
    const size_t whole = frames.size();
    for (int i = 0; i < 4; ++i) frames.push_back(RandomKeyFrame(rng, true));
    for (int trial = 0; trial < 80; ++trial) {
        auto f = frames[size_t(trial) % whole];
        if (trial % 4 == 0) f.resize(size_t(rng() % f.size()));
        else if (trial % 4 == 1) for (size_t i = rng() % f.size(), n = 0; i < f.size() && n < 48; ++i, ++n) f[i] = uint8_t(rng());
        else if (trial % 4 == 2) for (int i = 0; i < 6; ++i) f[24 + rng() % (f.size() - 24)] = uint8_t(rng());
        else Set32(f, 4 * (rng() % 6), rng() % (uint32_t(f.size()) + 64));  // a header word
        frames.push_back(f);
    }
    AtEverySimdLevel([&] {
        int errors = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            const auto& f = frames[i];
            const Picture prev = Pattern(uint32_t(i));
            Picture fast = Pattern(uint32_t(i) + 100), plain = fast;
            const int a = QmvDec_DecodeFrame(f.data(), uint32_t(f.size()), prev.data(), fast.data());
            const int b = QmvDec_DecodeFramePlain(f.data(), uint32_t(f.size()), prev.data(), plain.data());
            ASSERT_EQ(a, b) << "frame " << i;
            ASSERT_TRUE(a >= QMVDEC_OK && a <= QMVDEC_ERR_SOURCE) << a;
            ASSERT_TRUE(fast == plain) << "frame " << i;
            errors += a != QMVDEC_OK;
            if (i < whole) {
                EXPECT_EQ(a, QMVDEC_OK) << "frame " << i;
            } else if (i < whole + 4) {
                EXPECT_EQ(a, QMVDEC_ERR_COEFF) << "frame " << i;
            }
        }
        EXPECT_GT(errors, 20);
    });
}
