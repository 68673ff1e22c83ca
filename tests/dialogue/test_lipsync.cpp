// Lip-sync: the voice analysis on synthetic voices, the mouth weights and the mouth of a stand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "dialogue/dlg_Anim.h"
#include "dialogue/dlg_LipSync.h"
#include "testdata/DbWriter.h"
#include "testdata/KsnWriter.h"
#include "tests/dialogue/DialogueTestUtil.h"

namespace {

// A square wave whose sign changes every `half` samples, starting positive.
std::vector<int16_t> Square(uint32_t count, uint32_t half, int16_t amplitude)
{
    std::vector<int16_t> s(count);
    for (uint32_t i = 0; i < count; ++i) s[i] = (i / half) % 2 ? int16_t(-amplitude) : amplitude;
    return s;
}

class LipSync : public DialogueTest {
protected:
    dlg_PersoDef def;
    dlg_VoiceAnalysis a;
    float w[7] = {};

    const float* Row(int k) const { return def.matrix + 7 * k; }
    void ExpectRow(int k, float tolerance) const
    {
        for (int i = 0; i < 7; ++i) EXPECT_NEAR(w[i], Row(k)[i], tolerance) << "row " << k << " weight " << i;
    }
    // Weights at 15 frames a second from t0 to t1.
    void Run(float t0, float t1)
    {
        for (float t = t0; t <= t1; t += 1.0f / 15.0f) dlg_ComputeVisemeWeights(a, w, t);
    }
    std::vector<uint8_t> Cells(uint32_t block) const
    {
        return {a.histograms.begin() + block * 8, a.histograms.begin() + block * 8 + 8};
    }
};

TEST_F(LipSync, CrossingDistancesFallIntoTheirBands)
{
    // Distance just inside and just outside each band's upper limit.
    const std::vector<std::pair<uint32_t, int>> cases = {{2, 0},  {3, 1},  {4, 1},  {5, 2},  {8, 2},  {9, 3},
                                                         {14, 3}, {15, 4}, {50, 4}, {51, 5}, {80, 5}, {81, 6}};
    for (auto [half, band] : cases) {
        SCOPED_TRACE(half);
        const std::vector<int16_t> pcm = Square(8192, half, 1000);
        a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.45f);
        ASSERT_EQ(a.blockCount, 8192u / 256 + 16);
        // Every crossing of a whole block in one band reads 255, not 256 wrapped to 0.
        std::vector<uint8_t> expected(8, 0);
        expected[size_t(band)] = 255;
        EXPECT_EQ(Cells(20), expected);
        EXPECT_EQ(a.energy[20], 256 * 1000);
    }
    // The longest distances, one crossing in the block.
    for (auto [half, band] : std::vector<std::pair<uint32_t, int>>{{100002, 6}, {100003, 7}, {100004, 7}}) {
        SCOPED_TRACE(half);
        const std::vector<int16_t> pcm = Square(half + 512, half, 1000);
        a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.45f);
        std::vector<uint8_t> expected(8, 0);
        expected[size_t(band)] = 255;
        EXPECT_EQ(Cells(8 + half / 256), expected);
    }
}

TEST_F(LipSync, BlocksHoldTheirEnergyAndTheEdgesNothing)
{
    std::vector<int16_t> pcm(22050, 0);
    for (size_t i = 256 * 5; i < 256 * 6; ++i) pcm[i] = int16_t(i % 2 ? -3000 : 3000);
    pcm[256 * 7 + 3] = -32768;
    a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.45f);
    EXPECT_EQ(a.blockCount, 22050u / 256 + 16);
    EXPECT_EQ(a.duration, 1.0f);
    EXPECT_EQ(a.energy[8 + 5], 256 * 3000);
    EXPECT_EQ(a.energy[8 + 7], 32768);
    EXPECT_EQ(a.maxEnergy, 256 * 3000);
    for (uint32_t b : {0u, 7u, a.blockCount - 8, a.blockCount - 1}) {
        EXPECT_EQ(a.energy[b], 0);
        EXPECT_EQ(Cells(b), std::vector<uint8_t>(8, 0));
    }
    // A silent block counts no crossing.
    EXPECT_EQ(Cells(8 + 20), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(dlg_VoiceBlock(a, 0.5f), 51);
    EXPECT_EQ(dlg_VoiceBlock(a, 0.0f), 8);
    EXPECT_EQ(dlg_VoiceBlock(a, 1.0f), int64_t(a.blockCount) - 16);
}

TEST_F(LipSync, AnEmptyOrMalformedVoiceGivesNoWeights)
{
    const std::vector<int16_t> pcm = Square(4096, 6, 8000);
    auto untouched = [&] {
        for (float& v : w) v = -7.0f;
        dlg_ComputeVisemeWeights(a, w, 0.05f);
        for (float v : w) EXPECT_EQ(v, -7.0f);
    };
    a.Analyse(7, def.matrix, nullptr, 4096, 0.45f);
    untouched();
    a.Analyse(7, nullptr, pcm.data(), 4096, 0.45f);
    untouched();
    a.Analyse(7, def.matrix, pcm.data(), 0, 0.45f);
    untouched();
    a.Analyse(1, def.matrix, pcm.data(), 4096, 0.45f);
    untouched();
    a.Analyse(8, def.matrix, pcm.data(), 4096, 0.45f);
    untouched();
    a.Analyse(7, def.matrix, pcm.data(), 4096, 0.45f);
    EXPECT_TRUE(a.HasArrays());
    DlgBuffers_Free(a);
    untouched();
}

TEST_F(LipSync, OutsideTheVoiceTheWeightsAreRow7)
{
    const std::vector<int16_t> pcm = Square(22050, 6, 8000);
    a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.45f);
    for (float t : {-0.01f, 1.01f, -5.0f, NAN}) {
        dlg_ComputeVisemeWeights(a, w, t);
        for (int i = 0; i < 7; ++i) EXPECT_EQ(w[i], Row(7)[i]) << t;
    }
    // The smoothing memory is untouched by them.
    for (float v : a.previous) EXPECT_EQ(v, 0.0f);
}

TEST_F(LipSync, TheFirstRequestIsAlmostTheLastWeights)
{
    const std::vector<int16_t> pcm(22050, 0);
    a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.45f);
    dlg_ComputeVisemeWeights(a, w, 0.3f);
    // dt is held at 0.001 frame: the weights move 1 - (0.45 / 1.45)^0.001 of the way from 0.
    const float step = 1.0f - std::pow(0.45f / 1.45f, 0.001f);
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(w[i], step * Row(9)[i], 1e-6f);
    EXPECT_LT(w[0], 0.001f);
}

TEST_F(LipSync, SilenceAndSteadyTonesTendToTheirBandsRow)
{
    // Silence (no crossing) tends to row 9; crossings 60 and 90 samples apart (bands 5 and 6) replace the base
    // shape.
    for (auto [half, row] :
         std::vector<std::pair<uint32_t, int>>{{0, 9}, {3, 1}, {6, 2}, {11, 3}, {30, 4}, {60, 5}, {90, 6}}) {
        SCOPED_TRACE(half);
        const std::vector<int16_t> pcm = half ? Square(22050 * 3, half, 12000) : std::vector<int16_t>(22050 * 3, 0);
        a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.45f);
        Run(0.0f, 2.5f);
        ExpectRow(row, 1e-3f);
    }
    // Band 0 mixes its row into the base shape by its share: all of it (255 of 256), then half.
    std::vector<int16_t> pcm = Square(22050 * 3, 2, 12000);
    a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.45f);
    Run(0.0f, 2.5f);
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(w[i], Row(1)[i] / 256.0f + Row(0)[i] * 255.0f / 256.0f, 1e-3f);
    pcm.clear();
    for (int i = 0; pcm.size() < 22050 * 3; ++i) pcm.insert(pcm.end(), i % 2 ? 6 : 2, int16_t(i % 2 ? -9000 : 9000));
    a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.45f);
    Run(0.0f, 2.5f);
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(w[i], 0.5f * (Row(2)[i] + Row(0)[i]), 1e-3f);
}

TEST_F(LipSync, TheBandsRememberTheirLastUnsmoothedValues)
{
    // Without temporal smoothing the weights are the base row itself. 1.5 s in band 2, then 1.5 s in band 3.
    std::vector<int16_t> pcm = Square(33075, 6, 12000);
    const std::vector<int16_t> second = Square(33075, 11, 12000);
    pcm.insert(pcm.end(), second.begin(), second.end());
    a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.0f);
    // Five frames apart, the bands keep (2/3)^5 of their new values: band 2 still leads.
    dlg_ComputeVisemeWeights(a, w, 1.3f);
    ExpectRow(2, 1e-6f);
    dlg_ComputeVisemeWeights(a, w, 1.3f + 5.0f / 15.0f);
    ExpectRow(2, 1e-6f);
    // Remembered as it was read, band 2 was already 0: band 3 leads.
    dlg_ComputeVisemeWeights(a, w, 1.3f + 10.0f / 15.0f);
    ExpectRow(3, 1e-6f);
}

TEST_F(LipSync, ALoudBurstAheadOfSilenceMixesRow8)
{
    // Rows that show which of them were mixed: row 8 alone gives weight 1, row 9 alone weight 2, rows 1
    // to 4 weight 3.
    const int column[10] = {0, 3, 3, 3, 3, 4, 5, 6, 1, 2};
    for (int k = 0; k < 70; ++k) def.matrix[k] = 0.0f;
    for (int k = 0; k < 10; ++k) def.matrix[7 * k + column[k]] = 1.0f;
    // One second of silence, then a voice whose crossings alternate 2 and 6 samples apart (bands 0 and 2).
    std::vector<int16_t> pcm(22050, 0);
    for (int i = 0; pcm.size() < 44100; ++i) pcm.insert(pcm.end(), i % 2 ? 6 : 2, int16_t(i % 2 ? -9000 : 9000));
    a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.0f);
    // Block 90, four blocks before the voice: silent now, loud three blocks ahead.
    const float t = a.duration * (82.5f * 256.0f / 44100.0f);
    ASSERT_EQ(dlg_VoiceBlock(a, t / a.duration), 90);
    dlg_ComputeVisemeWeights(a, w, t);
    EXPECT_GT(w[1], 0.5f);
    EXPECT_GT(w[2], 0.0f);
    EXPECT_NEAR(w[1] + w[2] + w[3], 1.0f, 1e-5f);
    // Seven blocks before the voice the six blocks of the onset ratio are empty while the band
    // window reaches the voice: no 0 / 0 reaches the weights.
    const float before = a.duration * (79.5f * 256.0f / float(a.sampleCount));
    ASSERT_EQ(dlg_VoiceBlock(a, before / a.duration), 87);
    dlg_ComputeVisemeWeights(a, w, before);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(w[i], Row(9)[i]) << i;
    // In the middle of the silence nothing is ahead.
    dlg_ComputeVisemeWeights(a, w, 0.2f);
    EXPECT_EQ(w[1], 0.0f);
    EXPECT_NEAR(w[2], 1.0f, 1e-6f);
    // A pure tone ahead has no burst in band 0: no closure.
    const std::vector<int16_t> tone = Square(22050, 6, 9000);
    std::copy(tone.begin(), tone.end(), pcm.begin() + 22050);
    a.Analyse(7, def.matrix, pcm.data(), uint32_t(pcm.size()), 0.0f);
    dlg_ComputeVisemeWeights(a, w, t);
    EXPECT_EQ(w[1], 0.0f);
}

TEST_F(LipSync, AnyVoiceStaysInsideItsArrays)
{
    // Every length up to 4096 samples, short voices reading windows past both ends.
    uint32_t seed = 12345;
    std::vector<int16_t> pcm(4096);
    for (int16_t& s : pcm) {
        seed = seed * 1103515245u + 12345u;
        s = int16_t(seed >> 16);
    }
    for (uint32_t n = 1; n <= pcm.size(); ++n) {
        a.Analyse(7, def.matrix, pcm.data(), n, 0.45f);
        ASSERT_TRUE(a.HasArrays());
        for (float t : {0.0f, a.duration * 0.5f, a.duration}) {
            dlg_ComputeVisemeWeights(a, w, t);
            for (float v : w) ASSERT_TRUE(std::isfinite(v)) << n << " at " << t;
        }
    }
}

TEST_F(LipSync, AVoiceNotAt22050HzMonoIsAnalysedWithAWarning)
{
    const std::vector<int16_t> pcm = Square(8000, 6, 5000);
    const std::string ok = dir.Path() + "ok.ksn", stereo = dir.Path() + "st.ksn";
    ASSERT_TRUE(KsnWriter_Save(ok, pcm, 1, 22050));
    ASSERT_TRUE(KsnWriter_Save(stereo, pcm, 2, 11025));
    AdpcmStream voice;
    voice.Open(ok.c_str());
    a.AnalyseVoice(voice, def);
    EXPECT_EQ(a.sampleCount, 8000u);
    EXPECT_EQ(a.smooth, def.smooth);
    EXPECT_TRUE(Warnings().empty());
    voice.Open(stereo.c_str());
    a.AnalyseVoice(voice, def);
    EXPECT_EQ(a.sampleCount, 8000u);
    ASSERT_TRUE(KsnWriter_Save(stereo, pcm, 2, 22050));
    voice.Open(stereo.c_str());
    a.AnalyseVoice(voice, def);
    EXPECT_EQ(Warnings(), (std::vector<std::string>{
                              "dlg_VoiceAnalysis::Analyse() ATTENTION: voix de 11025 Hz (stéréo) analysée comme 22050 "
                              "Hz mono",
                              "dlg_VoiceAnalysis::Analyse() ATTENTION: voix de 22050 Hz (stéréo) analysée comme 22050 "
                              "Hz mono"}));
}

// ---- The mouth of a stand ----

class Mouth : public DialogueTest {
protected:
    DlgCharacterDesc ch;
    dlg_Perso perso;
    dlg_Anim* anim = nullptr;
    dlg_VoiceAnalysis noArrays;

    void SetUp() override
    {
        DialogueTest::SetUp();
        ch.grid = 8;
        perso.name = "Marco";
        g_PersoDefs["Marco"].mesh = ch.mesh;
        ASSERT_TRUE(DlgCharacter_Save(Dir3D(), ch));
        ASSERT_TRUE(perso.AddAnime(0));
        anim = perso.GetAnime(0);
    }
    const std::vector<CTVector3>& Vertices() const { return anim->Face()->mesh->vertices; }
    void ExpectVertices(const std::vector<CTVector3>& want, float tolerance = 1e-6f) const
    {
        ASSERT_EQ(Vertices().size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_NEAR(Vertices()[i].x, want[i].x, tolerance) << i;
            EXPECT_NEAR(Vertices()[i].y, want[i].y, tolerance) << i;
            EXPECT_NEAR(Vertices()[i].z, want[i].z, tolerance) << i;
        }
    }
};

TEST_F(Mouth, TheWeightsGiveTheMeanOfTheirTargets)
{
    float w[7] = {0, 0, 0.5f, 0, 0, 0.5f, 0};
    perso.UpdateMouth(0, 3, &noArrays, w, 0.5f);
    const std::vector<CTVector3> a = DlgCharacter_Target(ch, 3, 'a'), s = DlgCharacter_Target(ch, 3, 's');
    std::vector<CTVector3> mean;
    for (size_t i = 0; i < a.size(); ++i) mean.push_back(Vec3_Scale(Vec3_Add(a[i], s[i]), 0.5f));
    ExpectVertices(mean);
    EXPECT_EQ(anim->TargetName(), "mar3-s");

    // No positive weight leaves the "a" target of the mood.
    float none[7] = {0, -1, 0, 0, NAN, 0, 0};
    perso.UpdateMouth(0, 5, &noArrays, none, 0.5f);
    ExpectVertices(DlgCharacter_Target(ch, 5, 'a'));

    // One weight alone gives its target whole.
    float one[7] = {0, 0, 0, 0, 0.2f, 0, 0};
    perso.UpdateMouth(0, 1, &noArrays, one, 0.5f);
    ExpectVertices(DlgCharacter_Target(ch, 1, 'b'));
}

TEST_F(Mouth, AMissingTargetMovesNothing)
{
    CTDataBase db = DlgCharacter_Stand(ch, 0);
    auto& keys = db.animations.at("morphing").morphKeys;
    keys.erase(std::remove_if(keys.begin(), keys.end(), [](const CTDbMorphKey& k) { return k.target[3] == '4'; }),
               keys.end());
    ASSERT_TRUE(DbWriter_Save(Dir3D() + "mas2.db", db));
    ASSERT_TRUE(perso.AddAnime(1));
    anim = perso.GetAnime(1);
    const std::vector<CTVector3> before = Vertices();
    float w[7] = {0.3f, 0, 0, 0.7f, 0, 0, 0};
    perso.UpdateMouth(1, 4, &noArrays, w, 0.5f);
    ExpectVertices(before);
    perso.UpdateMouth(1, 4, nullptr, nullptr, 0.5f);
    ExpectVertices(before);
}

TEST_F(Mouth, WithoutAVoiceTheMouthWanders)
{
    orv_srand(99);
    std::vector<int> draws;
    for (int i = 0; i < 5; ++i) draws.push_back(orv_rand() * 6 / 32767);
    orv_srand(99);
    perso.ResetMouth(0);
    std::vector<CTVector3> expect = Vertices();
    char letter = 'd';
    for (int frame = 1; frame <= 10; ++frame) {
        SCOPED_TRACE(frame);
        // The target changes every second frame; the mouth moves half-way towards it each frame.
        if (frame % 2 == 0) letter = "diaobsv"[draws[size_t(frame / 2 - 1)]];
        perso.UpdateMouth(0, 2, nullptr, nullptr, 0.0f);
        EXPECT_EQ(anim->TargetName(), std::string("mar2-") + letter);
        const std::vector<CTVector3> target = DlgCharacter_Target(ch, 2, letter);
        for (size_t i = 0; i < expect.size(); ++i) expect[i] = Vec3_Lerp(expect[i], target[i], 0.5f);
        ExpectVertices(expect, 1e-5f);
    }
    // A new reply starts the timer again: the next frame keeps the target.
    perso.ResetMouth(0);
    perso.UpdateMouth(0, 2, nullptr, nullptr, 0.0f);
    EXPECT_EQ(anim->TargetName(), std::string("mar2-") + letter);
}

}  // namespace
