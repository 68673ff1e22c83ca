// KSN codec: decoding against golden samples, nibble order, streams in pieces, header checks, codes and texts.
#include <gtest/gtest.h>

#include <algorithm>
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
    const uint32_t fields[] = {frames, rate, uint32_t(predL), uint32_t(predR), stereo ? 1u : 0u};
    std::memcpy(f.data() + 12, fields, sizeof fields);
    f.insert(f.end(), data, data + bytes);
    return f;
}
std::vector<uint8_t> monoGolden(uint32_t frames = 2 * sizeof kGoldenMonoAdpcm) {
    return ksnFile(kGoldenMonoAdpcm, sizeof kGoldenMonoAdpcm, frames, kGoldenMonoPredictor, 0, false);
}
std::vector<uint8_t> stereoGolden() {
    return ksnFile(kGoldenStereoAdpcm, sizeof kGoldenStereoAdpcm, sizeof kGoldenStereoAdpcm,
                   kGoldenStereoPredictorL, kGoldenStereoPredictorR, true);
}
template <size_t N>
std::vector<int16_t> pcm(const int16_t (&a)[N], size_t n = N) {
    return std::vector<int16_t>(a, a + n);
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

// Mono is high nibble first; stereo is high nibble left. Both goldens saturate at each end of the 16-bit range.
TEST_F(AdpcmTest, DecodesLikeAnIndependentDecoder) {
    EXPECT_EQ(decodeWhole(monoGolden()), pcm(kGoldenMonoPcm));
    EXPECT_EQ(decodeWhole(stereoGolden()), pcm(kGoldenStereoPcm));
    // An odd mono frame count uses only the high nibble of the last byte.
    EXPECT_EQ(decodeWhole(monoGolden(399)), pcm(kGoldenMonoPcm, 399));
}

TEST_F(AdpcmTest, StreamInPiecesEqualsWholeFile) {
    const auto mono = monoGolden();
    AdpcmStreamState s;
    ASSERT_EQ(Adpcm_InitStream(mono.data(), mono.size(), &s), ADPCM_OK);
    std::vector<int16_t> out(std::size(kGoldenMonoPcm) + 8, 0x5A5A);
    int16_t* p = out.data();
    const uint32_t pieces[] = {1, 3, 7, 2, 5, 11, 1, 1, 13};  // odd pieces leave a low nibble pending
    uint32_t done = 0;
    for (int i = 0; done < s.totalFrames; ++i) {
        uint32_t shortfall = 99;
        ASSERT_EQ(Adpcm_DecodeStream(&p, &s, pieces[i % 9], &shortfall, mono.data(), mono.size()), ADPCM_OK);
        done += pieces[i % 9] - shortfall;
    }
    EXPECT_EQ(p - out.data(), ptrdiff_t(std::size(kGoldenMonoPcm)));
    out.resize(std::size(kGoldenMonoPcm));
    EXPECT_EQ(out, pcm(kGoldenMonoPcm));

    // Stereo fed from separate input pieces, the way the music reader points the stream at each one.
    const auto st = stereoGolden();
    ASSERT_EQ(Adpcm_InitStream(st.data(), 32, &s), ADPCM_OK);
    std::vector<int16_t> sout(std::size(kGoldenStereoPcm));
    p = sout.data();
    for (size_t at = 0; at < sizeof kGoldenStereoAdpcm; at += 37) {
        const size_t n = std::min<size_t>(37, sizeof kGoldenStereoAdpcm - at);
        std::vector<uint8_t> piece(kGoldenStereoAdpcm + at, kGoldenStereoAdpcm + at + n);
        s.dataOffset = 0;
        uint32_t shortfall = 1;
        ASSERT_EQ(Adpcm_DecodeStream(&p, &s, uint32_t(n), &shortfall, piece.data(), piece.size()), ADPCM_OK);
        EXPECT_EQ(shortfall, 0u);
    }
    EXPECT_EQ(sout, pcm(kGoldenStereoPcm));

    // Input shorter than the frames asked for: decodes what is there and never reads past it.
    ASSERT_EQ(Adpcm_InitStream(mono.data(), mono.size(), &s), ADPCM_OK);
    std::vector<uint8_t> input(mono.begin(), mono.begin() + 32 + 10);
    p = out.data();
    uint32_t shortfall = 0;
    ASSERT_EQ(Adpcm_DecodeStream(&p, &s, 100, &shortfall, input.data(), input.size()), ADPCM_OK);
    EXPECT_EQ(shortfall, 80u);
    EXPECT_EQ(s.framesLeft, 380u);
}

// The stream decoder against the plain one on random input: codes of every kind, records in every
// consistent state (predictors at and near the ends, step indexes at both ends, a pending low nibble in
// mono and stereo), pieces of odd and even lengths; samples and records equal bit for bit.
TEST_F(AdpcmTest, StreamDecoderEqualsThePlainDecoder) {
    uint64_t seed = 0x9E3779B97F4A7C15ull;
    auto next = [&] {
        seed ^= seed << 13, seed ^= seed >> 7, seed ^= seed << 17;
        return seed;
    };
    const int32_t predictors[] = {-32768, -32767, -1, 0, 1, 32766, 32767};
    std::vector<uint8_t> input(4096);
    for (int iter = 0; iter < 400; ++iter) {
        SCOPED_TRACE(iter);
        for (uint8_t& b : input) b = uint8_t(next());
        // Runs of loud codes drive the predictor into the clamps and the index to 88, quiet ones back to 0.
        if (iter % 3 == 0) std::fill(input.begin() + 100, input.begin() + 300, uint8_t(iter % 2 ? 0x77 : 0xFF));
        if (iter % 3 == 1) std::fill(input.begin() + 100, input.begin() + 400, uint8_t(0x00));
        AdpcmStreamState s{};
        s.stereo = uint32_t(iter % 2);
        s.phase = uint32_t(iter / 2 % 2);
        s.pendingByte = uint8_t(next());
        s.totalFrames = s.framesLeft = 1000000;
        for (int c = 0; c < 2; ++c) {
            s.predictor[c] = iter % 5 == 0 ? predictors[next() % 7] : int32_t(next() % 65536) - 32768;
            s.stepIndex[c] = iter % 7 == 0 ? (next() % 2 ? 88 : 0) : int32_t(next() % 89);
            s.step[c] = Adpcm_StepOf(s.stepIndex[c]);
        }
        AdpcmStreamState plain = s;
        std::vector<int16_t> got(8192, 0x1111), want(8192, 0x1111);
        int16_t* p = got.data();
        int16_t* q = want.data();
        while (s.dataOffset + 600 < input.size()) {
            const uint32_t frames = uint32_t(next() % 300);
            uint32_t shortfall = 7;
            ASSERT_EQ(Adpcm_DecodeStream(&p, &s, frames, &shortfall, input.data(), input.size()), ADPCM_OK);
            ASSERT_EQ(shortfall, 0u);
            Adpcm_DecodeFramesPlain(q, &plain, frames, input.data());
            q += frames * (plain.stereo + 1);
            plain.framesLeft -= frames;
            ASSERT_EQ(std::memcmp(&s, &plain, sizeof s), 0) << "record after " << s.dataOffset << " bytes";
        }
        ASSERT_EQ(got, want);
    }
}

TEST_F(AdpcmTest, TruncatedAndCorruptHeadersAreRefused) {
    uint32_t pcm = 0, freq = 0, stereo = 0;
    const auto good = ksnFile(kGoldenStereoAdpcm, 100, 100, 0, 0, true, 11025);
    ASSERT_EQ(Adpcm_GetPcmSize(good.data(), good.size(), &pcm, &freq, &stereo), ADPCM_OK);
    EXPECT_EQ(pcm, 400u);
    EXPECT_EQ(freq, 11025u);
    EXPECT_EQ(stereo, 1u);
    // Bytes written at an offset; a negative size cuts the file by that much instead.
    struct Case {
        int at;
        std::string bytes;
        int code;
    } cases[] = {
        {0, "XELK_KSN1.50", ADPCM_ERR_NOT_KSN},                              // the magic is checked first
        {8, "1.50", ADPCM_ERR_KSN_VERSION}, {-1, "", ADPCM_ERR_NOT_KSN},     // one frame more than the data holds
        {-int(good.size() - 31), "", ADPCM_ERR_NOT_KSN},                     // header cut
        {28, std::string("\3\0\0\0", 4), ADPCM_ERR_NOT_KSN},                // a stray flag bit
        {16, std::string(4, '\0'), ADPCM_ERR_NOT_KSN},                       // a zero rate
        {20, std::string("\x40\x9c\0\0", 4), ADPCM_ERR_NOT_KSN},            // predictor 40000
    };
    for (const Case& c : cases) {
        auto bad = good;
        if (c.at < 0) bad.resize(bad.size() - size_t(-c.at));
        std::memcpy(bad.data() + std::max(c.at, 0), c.bytes.data(), c.bytes.size());
        EXPECT_EQ(Adpcm_GetPcmSize(bad.data(), bad.size(), &pcm, &freq, &stereo), c.code) << c.at;
        std::vector<int16_t> out(200);
        EXPECT_EQ(Adpcm_Decode(bad.data(), bad.size(), out.data(), 400), c.code) << c.at;
    }

    // Mono holds two frames a byte: an odd frame count needs its last byte whole, so 399 frames need
    // all 200 bytes and a file one byte short is refused before anything is read past its end.
    for (const auto& [bytes, code] : {std::pair{200, ADPCM_OK}, {199, ADPCM_ERR_NOT_KSN}}) {
        const auto mono = ksnFile(kGoldenMonoAdpcm, size_t(bytes), 399, kGoldenMonoPredictor, 0, false);
        EXPECT_EQ(Adpcm_GetPcmSize(mono.data(), mono.size(), &pcm, &freq, &stereo), code) << bytes;
        std::vector<int16_t> out(399);
        EXPECT_EQ(Adpcm_Decode(mono.data(), mono.size(), out.data(), 2 * out.size()), code) << bytes;
    }

    // The whole-file decoder stops at the output's capacity.
    std::vector<int16_t> out(210, 0x1234);
    ASSERT_EQ(Adpcm_Decode(good.data(), good.size(), out.data(), 20), ADPCM_OK);
    EXPECT_NE(out[9], 0x1234);
    EXPECT_EQ(out[10], 0x1234);
}

TEST_F(AdpcmTest, ReturnCodes) {
    const auto f = monoGolden();
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
        "The request completed successfully.", "Wrong Adpcm library version.", "You must call Adpcm_Init() first.",
        "PcmSize parameter must be even (Pcm samples are 16 bits).", "PcmSize parameter must not be 0.",
        "PcmSize parameter must not be NULL.", "AdpcmBuf parameter must not be NULL.",
        "Frequency parameter must not be NULL.", "AdpcmSize parameter must not be 0.",
        "AdpcmSize parameter must not be NULL.", "AdpcmBuf parameter must not be NULL.",
        "fStereo parameter must not be NULL.", "StreamDatas parameter must not be NULL.",
        "File is not a valid KSN file.", "Invalid KSN file version.", "Unknown ErrorCode parameter",
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
