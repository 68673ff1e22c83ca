// Frame decoder on bad streams: each exhausted stream, bad codes, bad sources and mutated frames end cleanly.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "DecoderTestUtil.h"

namespace {

uint32_t Crc32(const Picture& p) {
    uint32_t crc = 0xFFFFFFFFu;
    const auto* bytes = reinterpret_cast<const uint8_t*>(p.data());
    for (size_t i = 0; i < p.size() * 2; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void Set32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + size_t(i)] = uint8_t(v >> (8 * i));
}

class DecoderErrors : public ::testing::Test {
protected:
    void SetUp() override {
        QmvDec_Init565();
        prev = Pattern(3);
        dst = Pattern(4);
    }
    int Run(const std::vector<uint8_t>& frame) { return Decode(frame, prev, dst); }
    Picture prev, dst;
};

}  // namespace

TEST_F(DecoderErrors, HeaderQualityAndOffsets) {
    auto good = BuildFrame(false, 50, [](QmvFrameWriter&, int, int) { return false; });
    ASSERT_EQ(Run(good), QMVDEC_OK);
    EXPECT_EQ(QmvDec_DecodeFrame(good.data(), 23, prev.data(), dst.data()), QMVDEC_ERR_HEADER);
    EXPECT_EQ(QmvDec_DecodeFrame(nullptr, 100, prev.data(), dst.data()), QMVDEC_ERR_HEADER);
    EXPECT_EQ(QmvDec_DecodeFrame(good.data(), uint32_t(good.size()), nullptr, dst.data()), QMVDEC_ERR_SOURCE);

    auto f = good;
    Set32(f, 0, 0);
    EXPECT_EQ(Run(f), QMVDEC_ERR_QUALITY);
    Set32(f, 0, 0x80000000u);  // the most negative quality: a key frame of quality 100, not an overflow
    EXPECT_NE(Run(f), QMVDEC_ERR_QUALITY);
    f = good;
    Set32(f, 20, uint32_t(good.size()) + 1);  // nibble end past the chunk
    EXPECT_EQ(Run(f), QMVDEC_ERR_HEADER);
    f = good;
    Set32(f, 8, 20);  // copy words before the header's end
    EXPECT_EQ(Run(f), QMVDEC_ERR_HEADER);
    f = good;
    uint32_t motionAt;
    std::memcpy(&motionAt, &f[12], 4);
    Set32(f, 8, motionAt + 1);  // copy words after the motion indexes
    EXPECT_EQ(Run(f), QMVDEC_ERR_HEADER);
}

TEST_F(DecoderErrors, EachStreamReadPastItsEnd) {
    // Codes for only part of the frame, ending on a word boundary (32 codes of 3 bits).
    QmvFrameWriter few(false, 50);
    for (int i = 0; i < 32; ++i) few.Colocated(QmvTree::Block);
    EXPECT_EQ(Run(few.Finish()), QMVDEC_ERR_CODES);

    auto missing = [&](const std::function<void(QmvFrameWriter&)>& first) {
        bool done = false;
        return Run(BuildFrame(false, 50, [&](QmvFrameWriter& f, int, int) {
            if (done) return false;
            done = true;
            first(f);
            return true;
        }));
    };
    EXPECT_EQ(missing([](QmvFrameWriter& f) { f.Bits(0b010, 3), f.Bits(5, 3); }), QMVDEC_ERR_COPYWORDS);
    EXPECT_EQ(missing([](QmvFrameWriter& f) { f.Bits(0b00, 2); }), QMVDEC_ERR_MOTION);
    EXPECT_EQ(missing([](QmvFrameWriter& f) { f.IntraCode(), f.Nibble(1), f.Nibble(2), f.Nibble(0); }),
              QMVDEC_ERR_NIBBLES);
    // An intra block may need more nibbles than a window's refill mark leaves: they are read on.
    QmvFrameWriter many(true, 50);
    int coefficients[3][64];
    for (auto& comp : coefficients)
        for (int k = 0; k < 64; ++k) comp[k] = k % 2 ? 100 : -100;  // code 15 everywhere: 191 nibbles each
    for (int b = 0; b < 4800; ++b) many.Intra(coefficients);
    EXPECT_EQ(Run(many.Finish()), QMVDEC_OK);
}

TEST_F(DecoderErrors, BadCodesCoefficientsAndSources) {
    auto firstBlock = [&](int row, int col, const std::function<void(QmvFrameWriter&)>& write, bool key = false) {
        return Run(BuildFrame(key, 50, [&](QmvFrameWriter& f, int r, int c) {
            if (r != row || c != col) return false;
            write(f);
            return true;
        }));
    };
    EXPECT_EQ(firstBlock(0, 0, [](QmvFrameWriter& f) { f.Bits(0b1111, 4); }), QMVDEC_ERR_CODE);
    // A pair at positions 61 and 62, then three values from 63: the second lies past 63.
    EXPECT_EQ(firstBlock(0, 0, [](QmvFrameWriter& f) {
                  f.IntraCode();
                  f.NibbleByte(3);
                  for (int i = 0; i < 12; ++i) f.Nibble(1);
                  f.Nibble(10), f.Nibble(0), f.Nibble(13), f.Nibble(0), f.Nibble(0), f.Nibble(0);
              }),
              QMVDEC_ERR_COEFF);
    // Sources before the first pixel and past the last one.
    EXPECT_EQ(firstBlock(0, 0, [](QmvFrameWriter& f) { f.Motion(QmvTree::Block, SpiralIndex(-1, 0)); }),
              QMVDEC_ERR_SOURCE);
    EXPECT_EQ(firstBlock(472, 632, [](QmvFrameWriter& f) { f.Motion(QmvTree::Block, 4095); }), QMVDEC_ERR_SOURCE);
    EXPECT_EQ(firstBlock(472, 624, [](QmvFrameWriter& f) { f.Motion(QmvTree::Block, SpiralIndex(8, 0)); }),
              QMVDEC_OK);  // ends on the last pixel
    EXPECT_EQ(firstBlock(472, 624, [](QmvFrameWriter& f) { f.Motion(QmvTree::Block, SpiralIndex(9, 0)); }),
              QMVDEC_ERR_SOURCE);
    EXPECT_EQ(firstBlock(8, 0, [](QmvFrameWriter& f) { f.Long(QmvTree::Block, 0, 127, 128, true); }),
              QMVDEC_ERR_SOURCE);
    EXPECT_EQ(firstBlock(0, 0, [](QmvFrameWriter& f) { f.Long(QmvTree::Block, 4, 1, 128); }, true),
              QMVDEC_ERR_SOURCE);
}

TEST_F(DecoderErrors, MutatedFramesEndCleanly) {
    QmvEncoder encoder(70);
    const auto scene = MovingSquare(3);
    std::vector<std::vector<uint8_t>> frames;
    for (size_t i = 0; i < scene.size(); ++i) frames.push_back(encoder.Encode(scene[i], i == 0));
    std::mt19937 rng(1234);
    int errors = 0;
    for (int trial = 0; trial < 240; ++trial) {
        auto f = frames[size_t(trial) % frames.size()];
        switch (trial % 4) {
        case 0:  // truncation
            f.resize(size_t(rng() % f.size()));
            break;
        case 1:  // scattered byte changes
            for (int i = 0; i < 8; ++i) f[rng() % f.size()] = uint8_t(rng());
            break;
        case 2:  // a header word
            Set32(f, 4 * (rng() % 6), rng() % (uint32_t(f.size()) + 64));
            break;
        default:  // a run of random bytes in the streams
            for (size_t i = rng() % f.size(), n = 0; i < f.size() && n < 64; ++i, ++n) f[i] = uint8_t(rng());
            break;
        }
        const int r = QmvDec_DecodeFrame(f.data(), uint32_t(f.size()), prev.data(), dst.data());
        ASSERT_GE(r, QMVDEC_OK);
        ASSERT_LE(r, QMVDEC_ERR_SOURCE);
        errors += r != QMVDEC_OK;
    }
    EXPECT_GT(errors, 60);
}

TEST_F(DecoderErrors, DecodedSequenceChecksums) {
    // Regression: CRC-32 of each decoded picture of a fixed scene (key, co-located, motion and intra
    // blocks), in both output formats.
    QmvEncoder encoder(60);
    const auto scene = MovingSquare(4);
    std::vector<std::vector<uint8_t>> frames;
    for (size_t i = 0; i < scene.size(); ++i) frames.push_back(encoder.Encode(scene[i], i == 0));
    for (bool is565 : {true, false}) {
        is565 ? QmvDec_Init565() : QmvDec_Init555();
        Picture a(size_t(PW) * PH, 0), b(size_t(PW) * PH, 0);
        std::vector<uint32_t> crcs;
        for (size_t i = 0; i < frames.size(); ++i) {
            Picture& out = i % 2 ? a : b;
            ASSERT_EQ(Decode(frames[i], i % 2 ? b : a, out), QMVDEC_OK);
            crcs.push_back(Crc32(out));
        }
        const std::vector<uint32_t> expected565 = {0x6300ae06, 0x0f499930, 0x5bc0e716, 0xdf12fb60};
        const std::vector<uint32_t> expected555 = {0x46a111e7, 0x0ab3e0f3, 0x0af8892c, 0xa2aeb939};
        EXPECT_EQ(crcs, is565 ? expected565 : expected555) << std::hex << crcs[0] << " " << crcs[1] << " "
                                                           << crcs[2] << " " << crcs[3];
    }
    QmvDec_Init565();
}
