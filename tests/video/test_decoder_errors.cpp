// Frame decoder on bad streams: bad headers, each exhausted stream, bad codes, bad sources and
// damaged frames; the checksums of a decoded scene.
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
    const auto good = BuildFrame(false, 50, [](QmvFrameWriter&, int, int) { return false; });
    ASSERT_EQ(Run(good), QMVDEC_OK);
    EXPECT_EQ(QmvDec_DecodeFrame(good.data(), 23, prev.data(), dst.data()), QMVDEC_ERR_HEADER);
    EXPECT_EQ(QmvDec_DecodeFrame(nullptr, 100, prev.data(), dst.data()), QMVDEC_ERR_HEADER);
    EXPECT_EQ(QmvDec_DecodeFrame(good.data(), uint32_t(good.size()), nullptr, dst.data()), QMVDEC_ERR_SOURCE);
    uint32_t motionAt;
    std::memcpy(&motionAt, &good[12], 4);
    const struct {
        size_t at;
        uint32_t value;
        int result;
    } cases[] = {
        {0, 0, QMVDEC_ERR_QUALITY},
        {0, 0x80000000u, QMVDEC_OK},  // the most negative quality: a key frame of quality 100, not an overflow
        {20, uint32_t(good.size()) + 1, QMVDEC_ERR_HEADER},  // nibble end past the chunk
        {8, 20, QMVDEC_ERR_HEADER},                           // copy words before the header's end
        {8, motionAt + 1, QMVDEC_ERR_HEADER},                 // copy words after the motion indexes
    };
    for (const auto& c : cases) {
        auto f = good;
        Set32(f, c.at, c.value);
        const int r = Run(f);
        EXPECT_TRUE(c.result == QMVDEC_OK ? r != QMVDEC_ERR_QUALITY : r == c.result) << c.at << " " << c.value;
    }
}

TEST_F(DecoderErrors, ExhaustedStreamsBadCodesAndSources) {
    // Codes for only part of the frame, ending on a word boundary (32 codes of 3 bits).
    QmvFrameWriter few(false, 50);
    for (int i = 0; i < 32; ++i) few.Colocated(QmvTree::Block);
    EXPECT_EQ(Run(few.Finish()), QMVDEC_ERR_CODES);

    // One block written, the others left to the default.
    const struct {
        const char* what;
        int row, col;
        bool key;
        std::function<void(QmvFrameWriter&)> write;
        int result;
    } cases[] = {
        {"copy words", 0, 0, false, [](QmvFrameWriter& f) { f.Bits(0b010, 3), f.Bits(5, 3); }, QMVDEC_ERR_COPYWORDS},
        {"motion indexes", 0, 0, false, [](QmvFrameWriter& f) { f.Bits(0b00, 2); }, QMVDEC_ERR_MOTION},
        {"nibbles", 0, 0, false, [](QmvFrameWriter& f) { f.IntraCode(), f.Nibble(1), f.Nibble(2), f.Nibble(0); },
         QMVDEC_ERR_NIBBLES},
        {"undefined code", 0, 0, false, [](QmvFrameWriter& f) { f.Bits(0b1111, 4); }, QMVDEC_ERR_CODE},
        // A pair at positions 61 and 62, then three values from 63: the second lies past 63.
        {"coefficient past 63", 0, 0, false, [](QmvFrameWriter& f) {
             f.IntraCode();
             f.NibbleByte(3);
             for (int i = 0; i < 12; ++i) f.Nibble(1);
             for (int n : {10, 0, 13, 0, 0, 0}) f.Nibble(n);
         }, QMVDEC_ERR_COEFF},
        {"before the first pixel", 0, 0, false, [](QmvFrameWriter& f) { f.Motion(QmvTree::Block, SpiralIndex(-1, 0)); },
         QMVDEC_ERR_SOURCE},
        {"past the last pixel", 472, 632, false, [](QmvFrameWriter& f) { f.Motion(QmvTree::Block, 4095); },
         QMVDEC_ERR_SOURCE},
        {"ends on the last pixel", 472, 624, false, [](QmvFrameWriter& f) { f.Motion(QmvTree::Block, SpiralIndex(8, 0)); },
         QMVDEC_OK},
        {"one past the last pixel", 472, 624, false,
         [](QmvFrameWriter& f) { f.Motion(QmvTree::Block, SpiralIndex(9, 0)); }, QMVDEC_ERR_SOURCE},
        {"decoded picture above", 8, 0, false, [](QmvFrameWriter& f) { f.Long(QmvTree::Block, 0, 127, 128, true); },
         QMVDEC_ERR_SOURCE},
        {"key frame above", 0, 0, true, [](QmvFrameWriter& f) { f.Long(QmvTree::Block, 4, 1, 128); }, QMVDEC_ERR_SOURCE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(BuildFrame(c.key, 50, [&](QmvFrameWriter& f, int r, int col) {
                      if (r != c.row || col != c.col) return false;
                      c.write(f);
                      return true;
                  })),
                  c.result)
            << c.what;
    }
    // An intra block may need more nibbles than a window's refill mark leaves: they are read on.
    QmvFrameWriter many(true, 50);
    int coefficients[3][64];
    for (auto& comp : coefficients)
        for (int k = 0; k < 64; ++k) comp[k] = k % 2 ? 100 : -100;  // code 15 everywhere: 191 nibbles each
    for (int b = 0; b < 4800; ++b) many.Intra(coefficients);
    EXPECT_EQ(Run(many.Finish()), QMVDEC_OK);
}

TEST_F(DecoderErrors, MutatedFramesEndCleanly) {
    const auto frames = MovingSquareFrames(3, 70);
    std::mt19937 rng(1234);
    int errors = 0;
    for (int trial = 0; trial < 240; ++trial) {
        auto f = frames[size_t(trial) % frames.size()];
        switch (trial % 4) {
        case 0: f.resize(size_t(rng() % f.size())); break;                                  // truncation
        case 1: for (int i = 0; i < 8; ++i) f[rng() % f.size()] = uint8_t(rng()); break;  // scattered bytes
        case 2: Set32(f, 4 * (rng() % 6), rng() % (uint32_t(f.size()) + 64)); break;       // a header word
        default:  // a run of random bytes in the streams
            for (size_t i = rng() % f.size(), n = 0; i < f.size() && n < 64; ++i, ++n) f[i] = uint8_t(rng());
        }
        const int r = QmvDec_DecodeFrame(f.data(), uint32_t(f.size()), prev.data(), dst.data());
        ASSERT_TRUE(r >= QMVDEC_OK && r <= QMVDEC_ERR_SOURCE) << r;
        errors += r != QMVDEC_OK;
    }
    EXPECT_GT(errors, 60);
}

TEST_F(DecoderErrors, DecodedSequenceChecksums) {
    // Regression: CRC-32 of each decoded picture of a fixed scene (key, co-located, motion and intra
    // blocks), in both output formats.
    const auto frames = MovingSquareFrames(4, 60);
    const std::vector<uint32_t> expected[2] = {{0x6300ae06, 0x0f499930, 0x5bc0e716, 0xdf12fb60},
                                               {0x46a111e7, 0x0ab3e0f3, 0x0af8892c, 0xa2aeb939}};
    for (int format = 0; format < 2; ++format) {
        format == 0 ? QmvDec_Init565() : QmvDec_Init555();
        Picture pics[2] = {Picture(size_t(PW) * PH, 0), Picture(size_t(PW) * PH, 0)};
        std::vector<uint32_t> crcs;
        for (size_t i = 0; i < frames.size(); ++i) {
            ASSERT_EQ(Decode(frames[i], pics[i % 2], pics[(i + 1) % 2]), QMVDEC_OK);
            crcs.push_back(Crc32(pics[(i + 1) % 2]));
        }
        EXPECT_EQ(crcs, expected[format]) << std::hex << crcs[0] << " " << crcs[1] << " " << crcs[2] << " " << crcs[3];
    }
    QmvDec_Init565();
}
