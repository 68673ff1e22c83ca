// KSN codec: decoding against golden samples, nibble order, streams in pieces, header checks, codes and texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AdpcmGolden.h"
#include "audio/Adpcm.h"

namespace {

std::vector<uint8_t> ksnFile(const uint8_t* data, size_t bytes, uint32_t frames, int32_t predL, int32_t predR,
                             bool stereo, uint32_t rate = 22050) {
    std::vector<uint8_t> f(32);
    std::memcpy(f.data(), "VELK_KSN1.20", 12);
    auto put = [&](size_t at, uint32_t v) { std::memcpy(f.data() + at, &v, 4); };
    put(12, frames);
    put(16, rate);
    put(20, uint32_t(predL));
    put(24, uint32_t(predR));
    put(28, stereo ? 1 : 0);
    f.insert(f.end(), data, data + bytes);
    return f;
}

template <size_t N>
std::vector<uint8_t> monoFile(const uint8_t (&data)[N], int32_t pred) {
    return ksnFile(data, N, uint32_t(2 * N), pred, 0, false);
}

std::vector<int16_t> decodeWhole(const std::vector<uint8_t>& f) {
    uint32_t pcm = 0, freq = 0, stereo = 0;
    EXPECT_EQ(Adpcm_GetPcmSize(f.data(), f.size(), &pcm, &freq, &stereo), ADPCM_OK);
    std::vector<int16_t> out(pcm / 2);
    EXPECT_EQ(Adpcm_Decode(f.data(), f.size(), out.data(), pcm), ADPCM_OK);
    return out;
}

class AdpcmTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Adpcm_Init(ADPCM_LIB_VERSION), ADPCM_OK); }
};

}  // namespace

TEST_F(AdpcmTest, DecodesLikeAnIndependentDecoder) {
    const auto mono = decodeWhole(monoFile(kGoldenMonoAdpcm, kGoldenMonoPredictor));
    EXPECT_EQ(mono, std::vector<int16_t>(std::begin(kGoldenMonoPcm), std::end(kGoldenMonoPcm)));

    const auto st = ksnFile(kGoldenStereoAdpcm, sizeof kGoldenStereoAdpcm, sizeof kGoldenStereoAdpcm,
                            kGoldenStereoPredictorL, kGoldenStereoPredictorR, true);
    EXPECT_EQ(decodeWhole(st), std::vector<int16_t>(std::begin(kGoldenStereoPcm), std::end(kGoldenStereoPcm)));

    // The predictor saturates at both ends of the 16-bit range.
    EXPECT_EQ(decodeWhole(monoFile(kGoldenUpAdpcm, 32000)),
              std::vector<int16_t>(std::begin(kGoldenUpPcm), std::end(kGoldenUpPcm)));
    EXPECT_EQ(decodeWhole(monoFile(kGoldenDownAdpcm, -32000)),
              std::vector<int16_t>(std::begin(kGoldenDownPcm), std::end(kGoldenDownPcm)));
}

TEST_F(AdpcmTest, NibbleOrderHighFirstAndLeftFirst) {
    // Code 7 from step 7 moves the predictor by 7/8 + 7 + 7/2 + 7/4 = 11; code 0 by 0.
    const uint8_t byte[] = {0x70};
    const auto st = decodeWhole(ksnFile(byte, 1, 1, 100, -100, true));
    ASSERT_EQ(st.size(), 2u);
    EXPECT_EQ(st[0], 111);   // left: high nibble
    EXPECT_EQ(st[1], -100);  // right: low nibble
    const auto mono = decodeWhole(ksnFile(byte, 1, 2, 100, 0, false));
    ASSERT_EQ(mono.size(), 2u);
    EXPECT_EQ(mono[0], 111);
    EXPECT_EQ(mono[1], 113);  // code 0 after the step grew to 16: +2

    // An odd mono frame count uses only the high nibble of the last byte.
    const uint8_t two[] = {0x70, 0x7F};
    const auto odd = decodeWhole(ksnFile(two, 2, 3, 0, 0, false));
    EXPECT_EQ(odd.size(), 3u);
}

TEST_F(AdpcmTest, StreamInPiecesEqualsWholeFile) {
    const auto mono = monoFile(kGoldenMonoAdpcm, kGoldenMonoPredictor);
    AdpcmStreamState s;
    ASSERT_EQ(Adpcm_InitStream(mono.data(), mono.size(), &s), ADPCM_OK);
    EXPECT_EQ(s.dataOffset, 32u);
    EXPECT_EQ(s.step[0], 7);
    std::vector<int16_t> out(sizeof kGoldenMonoPcm / 2 + 8, 0x5A5A);
    int16_t* p = out.data();
    const uint32_t pieces[] = {1, 3, 7, 2, 5, 11, 1, 1, 13};
    uint32_t done = 0;
    for (int i = 0; done < s.totalFrames; ++i) {
        const uint32_t n = pieces[i % 9];
        uint32_t shortfall = 99;
        ASSERT_EQ(Adpcm_DecodeStream(&p, &s, n, &shortfall, mono.data(), mono.size()), ADPCM_OK);
        done += n - shortfall;
        // An odd number of mono samples leaves the low nibble pending.
        EXPECT_EQ(s.phase, done % 2);
    }
    EXPECT_EQ(p - out.data(), ptrdiff_t(std::size(kGoldenMonoPcm)));
    out.resize(std::size(kGoldenMonoPcm));
    EXPECT_EQ(out, std::vector<int16_t>(std::begin(kGoldenMonoPcm), std::end(kGoldenMonoPcm)));

    // Stereo fed from separate input pieces, the way the music reader points the stream at each one.
    const auto st = ksnFile(kGoldenStereoAdpcm, sizeof kGoldenStereoAdpcm, sizeof kGoldenStereoAdpcm,
                            kGoldenStereoPredictorL, kGoldenStereoPredictorR, true);
    ASSERT_EQ(Adpcm_InitStream(st.data(), 32, &s), ADPCM_OK);
    std::vector<int16_t> sout(std::size(kGoldenStereoPcm));
    p = sout.data();
    for (size_t at = 0; at < sizeof kGoldenStereoAdpcm; at += 37) {
        const size_t n = std::min<size_t>(37, sizeof kGoldenStereoAdpcm - at);
        std::vector<uint8_t> piece(kGoldenStereoAdpcm + at, kGoldenStereoAdpcm + at + n);
        s.dataOffset = 0;
        uint32_t shortfall = 0;
        ASSERT_EQ(Adpcm_DecodeStream(&p, &s, uint32_t(n), &shortfall, piece.data(), piece.size()), ADPCM_OK);
        EXPECT_EQ(shortfall, 0u);
    }
    EXPECT_EQ(sout, std::vector<int16_t>(std::begin(kGoldenStereoPcm), std::end(kGoldenStereoPcm)));
}

TEST_F(AdpcmTest, StreamShortfallAndInputEnd) {
    const auto mono = monoFile(kGoldenMonoAdpcm, kGoldenMonoPredictor);
    AdpcmStreamState s;
    ASSERT_EQ(Adpcm_InitStream(mono.data(), mono.size(), &s), ADPCM_OK);
    std::vector<int16_t> out(std::size(kGoldenMonoPcm) + 100);
    int16_t* p = out.data();
    uint32_t shortfall = 0;
    ASSERT_EQ(Adpcm_DecodeStream(&p, &s, 390, &shortfall, mono.data(), mono.size()), ADPCM_OK);
    ASSERT_EQ(Adpcm_DecodeStream(&p, &s, 50, &shortfall, mono.data(), mono.size()), ADPCM_OK);
    EXPECT_EQ(shortfall, 40u);
    EXPECT_EQ(s.framesLeft, 0u);
    EXPECT_EQ(out[399], kGoldenMonoPcm[399]);
    int16_t* before = p;
    ASSERT_EQ(Adpcm_DecodeStream(&p, &s, 25, &shortfall, mono.data(), mono.size()), ADPCM_OK);
    EXPECT_EQ(shortfall, 25u);
    EXPECT_EQ(p, before);

    // Input shorter than the frames left: decodes what is there and never reads past it.
    ASSERT_EQ(Adpcm_InitStream(mono.data(), mono.size(), &s), ADPCM_OK);
    std::vector<uint8_t> input(mono.begin(), mono.begin() + 32 + 10);
    p = out.data();
    ASSERT_EQ(Adpcm_DecodeStream(&p, &s, 100, &shortfall, input.data(), input.size()), ADPCM_OK);
    EXPECT_EQ(shortfall, 80u);
    EXPECT_EQ(s.framesLeft, 380u);
}

TEST_F(AdpcmTest, HeaderChecksAgainstTheFile) {
    uint32_t pcm = 0, freq = 0, stereo = 0;
    const auto good = ksnFile(kGoldenStereoAdpcm, 100, 100, 0, 0, true, 11025);
    ASSERT_EQ(Adpcm_GetPcmSize(good.data(), good.size(), &pcm, &freq, &stereo), ADPCM_OK);
    EXPECT_EQ(pcm, 400u);
    EXPECT_EQ(freq, 11025u);
    EXPECT_EQ(stereo, 1u);

    auto bad = good;
    bad[0] = 'X';
    bad[9] = '5';
    EXPECT_EQ(Adpcm_GetPcmSize(bad.data(), bad.size(), &pcm, &freq, &stereo), ADPCM_ERR_NOT_KSN);  // magic first
    bad = good;
    std::memcpy(bad.data() + 8, "1.50", 4);
    EXPECT_EQ(Adpcm_GetPcmSize(bad.data(), bad.size(), &pcm, &freq, &stereo), ADPCM_ERR_KSN_VERSION);
    EXPECT_EQ(Adpcm_GetPcmSize(good.data(), 31, &pcm, &freq, &stereo), ADPCM_ERR_NOT_KSN);
    // One frame more than the data holds, a stray flag bit, a zero rate, an impossible predictor.
    EXPECT_EQ(Adpcm_GetPcmSize(good.data(), good.size() - 1, &pcm, &freq, &stereo), ADPCM_ERR_NOT_KSN);
    const int fieldAt[] = {28, 16, 20};
    const uint32_t value[] = {3, 0, 40000};
    for (int i = 0; i < 3; ++i) {
        bad = good;
        std::memcpy(bad.data() + fieldAt[i], &value[i], 4);
        EXPECT_EQ(Adpcm_GetPcmSize(bad.data(), bad.size(), &pcm, &freq, &stereo), ADPCM_ERR_NOT_KSN) << i;
        std::vector<int16_t> out(200);
        EXPECT_EQ(Adpcm_Decode(bad.data(), bad.size(), out.data(), 400), ADPCM_ERR_NOT_KSN) << i;
    }

    // The whole-file decoder stops at the output's capacity.
    std::vector<int16_t> out(210, 0x1234);
    ASSERT_EQ(Adpcm_Decode(good.data(), good.size(), out.data(), 20), ADPCM_OK);
    EXPECT_NE(out[9], 0x1234);
    EXPECT_EQ(out[10], 0x1234);
}

TEST_F(AdpcmTest, ReturnCodes) {
    const auto f = monoFile(kGoldenMonoAdpcm, 0);
    uint32_t pcm = 0, freq = 0, stereo = 0;
    AdpcmStreamState s;
    std::vector<int16_t> out(400);
    int16_t* p = out.data();
    int16_t* none = nullptr;
    uint32_t shortfall = 0;
    char text[128];

    EXPECT_EQ(Adpcm_Init(179), ADPCM_ERR_VERSION);
    Adpcm_ResetForTests();
    EXPECT_EQ(Adpcm_GetPcmSize(f.data(), f.size(), &pcm, &freq, &stereo), ADPCM_ERR_NOT_INIT);
    EXPECT_EQ(Adpcm_Decode(f.data(), f.size(), out.data(), 800), ADPCM_ERR_NOT_INIT);
    EXPECT_EQ(Adpcm_InitStream(f.data(), f.size(), &s), ADPCM_ERR_NOT_INIT);
    EXPECT_EQ(Adpcm_DecodeStream(&p, &s, 1, &shortfall, f.data(), f.size()), ADPCM_ERR_NOT_INIT);
    EXPECT_EQ(Adpcm_GetErrorText(0, text, sizeof text), ADPCM_ERR_NOT_INIT);
    ASSERT_EQ(Adpcm_Init(ADPCM_LIB_VERSION), ADPCM_OK);

    EXPECT_EQ(Adpcm_GetPcmSize(nullptr, 0, &pcm, &freq, &stereo), ADPCM_ERR_BUFFER_NULL);
    EXPECT_EQ(Adpcm_GetPcmSize(f.data(), f.size(), nullptr, &freq, &stereo), ADPCM_ERR_PCMSIZE_NULL);
    EXPECT_EQ(Adpcm_GetPcmSize(f.data(), f.size(), &pcm, nullptr, &stereo), ADPCM_ERR_FREQUENCY_NULL);
    EXPECT_EQ(Adpcm_GetPcmSize(f.data(), f.size(), &pcm, &freq, nullptr), ADPCM_ERR_STEREO_NULL);
    EXPECT_EQ(Adpcm_InitStream(nullptr, 32, &s), ADPCM_ERR_BUFFER_NULL);
    EXPECT_EQ(Adpcm_InitStream(f.data(), f.size(), nullptr), ADPCM_ERR_STREAM_NULL);
    ASSERT_EQ(Adpcm_InitStream(f.data(), f.size(), &s), ADPCM_OK);
    EXPECT_EQ(Adpcm_DecodeStream(&none, &s, 1, &shortfall, f.data(), f.size()), ADPCM_ERR_PCMSIZE_ZERO);
    EXPECT_EQ(Adpcm_DecodeStream(&p, nullptr, 1, &shortfall, f.data(), f.size()), ADPCM_ERR_BUFFER_NULL);
    // Nothing decoded is not a success.
    EXPECT_EQ(Adpcm_Decode(nullptr, 0, out.data(), 800), ADPCM_ERR_BUFFER_NULL);
    EXPECT_EQ(Adpcm_Decode(f.data(), f.size(), nullptr, 800), ADPCM_ERR_PCMSIZE_ZERO);
    // A record that no stream can hold (a mark file gone wrong) is refused.
    s.stepIndex[1] = 89;
    EXPECT_EQ(Adpcm_DecodeStream(&p, &s, 1, &shortfall, f.data(), f.size()), ADPCM_ERR_NOT_KSN);
    s.stepIndex[1] = 0;
    s.step[0] = 8;
    EXPECT_EQ(Adpcm_DecodeStream(&p, &s, 1, &shortfall, f.data(), f.size()), ADPCM_ERR_NOT_KSN);
}

TEST_F(AdpcmTest, ErrorTexts) {
    const char* const texts[17] = {
        "The request completed successfully.",
        "Wrong Adpcm library version.",
        "You must call Adpcm_Init() first.",
        "PcmSize parameter must be even (Pcm samples are 16 bits).",
        "PcmSize parameter must not be 0.",
        "PcmSize parameter must not be NULL.",
        "AdpcmBuf parameter must not be NULL.",
        "Frequency parameter must not be NULL.",
        "AdpcmSize parameter must not be 0.",
        "AdpcmSize parameter must not be NULL.",
        "AdpcmBuf parameter must not be NULL.",
        "fStereo parameter must not be NULL.",
        "StreamDatas parameter must not be NULL.",
        "File is not a valid KSN file.",
        "Invalid KSN file version.",
        "Unknown ErrorCode parameter",
        "szOutStr parameter must not be NULL.",
    };
    char text[128];
    for (int code = 0; code < 17; ++code) {
        ASSERT_EQ(Adpcm_GetErrorText(code, text, sizeof text), ADPCM_OK);
        EXPECT_EQ(std::string(text), std::string("Adpcm Error : ") + texts[code]);
    }
    EXPECT_EQ(Adpcm_GetErrorText(17, text, sizeof text), ADPCM_ERR_UNKNOWN_CODE);
    EXPECT_EQ(Adpcm_GetErrorText(-1, text, sizeof text), ADPCM_ERR_UNKNOWN_CODE);
    EXPECT_EQ(Adpcm_GetErrorText(0, nullptr, 0), ADPCM_ERR_OUTSTR_NULL);
    // A short buffer is cut, not overrun.
    char small[8];
    ASSERT_EQ(Adpcm_GetErrorText(13, small, sizeof small), ADPCM_OK);
    EXPECT_EQ(std::string(small), "Adpcm E");
}
