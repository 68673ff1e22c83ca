// End to end: a generated character read from the scripts speaks a generated voice, its face drawn
// through the portable rasteriser frame after frame under a test clock.
#include <gtest/gtest.h>

#include "app/Clock.h"
#include "audio/AdpcmStream.h"
#include "dialogue/dlg_Anim.h"
#include "testdata/FaceStage.h"
#include "testdata/KsnWriter.h"
#include "tests/dialogue/DialogueTestUtil.h"

namespace {

constexpr uint32_t kBackground = 0xFF203848;

class SpeakingFace : public DialogueTest {
protected:
    DlgCharacterDesc ch;
    FaceStage stage;  // portable rows; the portable vertex stages are the fixture's

    void SetUp() override
    {
        DialogueTest::SetUp();
        DlgScriptDesc desc;
        DlgPersoDesc marco;
        marco.name = "Marco";
        marco.mesh = ch.mesh;
        desc.persos = {marco};
        desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand1 camera1 humeur2", "Bonjour.")};
        ASSERT_TRUE(DlgScript_Save(dir.Path(), "IR", desc));
        ASSERT_TRUE(DlgCharacter_Save(Dir3D(), ch));
        // A second of silence, a second of a loud voice (crossings 6 samples apart), a second of silence.
        std::vector<int16_t> pcm(22050, 0);
        for (int i = 0; i < 22050; ++i) pcm.push_back(int16_t((i / 6) % 2 ? -12000 : 12000));
        pcm.resize(22050 * 3, 0);
        ASSERT_TRUE(KsnWriter_Save(dir.Path() + "datas_q2/ksn/dial/" + DlgScript_Code(12, 1) + ".ksn", pcm, 1, 22050));
        ASSERT_TRUE(stage.Open());
    }
    // Pixels showing the inside of the mouth.
    int MouthInside() const
    {
        const auto inside = uint16_t(PackColor(stage.target.format, 0xFF300810));
        int n = 0;
        for (int y = 0; y < 480; ++y) {
            const auto* row = reinterpret_cast<const uint16_t*>(stage.target.Row(y));
            for (int x = 0; x < 640; ++x) n += row[x] == inside;
        }
        return n;
    }
};

TEST_F(SpeakingFace, TheMouthFollowsTheVoiceAndTheEyesBlink)
{
    dlg_Dialog dialog;
    dlg_Dialog::LoadScript("dialIR.txt", "comIR.txt", "infoIR.txt");
    orv_srand(5);
    dialog.Initialise(12);
    ASSERT_EQ(dialog.GetRepliqueCount(), 1u);
    const dlg_Replique& reply = *dialog.GetRepliqueAt(0);
    dlg_Perso& perso = *dialog.GetPersoAt(size_t(reply.GetPerso()));
    ASSERT_EQ(perso.GetCameraCount(reply.GetStand()), 2u);
    EXPECT_EQ(reply.GetCamera(), 0);

    AdpcmStream voice;
    voice.Open(reply.GetVoicePath().c_str());
    ASSERT_TRUE(voice.IsOpen());
    const dlg_PersoDef& def = g_PersoDefs.at("Marco");
    dlg_VoiceAnalysis analysis;
    analysis.AnalyseVoice(voice, def);
    float weights[7] = {};

    CTManualClock clock(50.0);
    const double started = CTClock::GetTime();
    perso.ResetMouth(reply.GetStand());
    perso.PlayAnime(reply.GetStand(), 0);
    struct Frame {
        float t;
        uint64_t picture;
        int inside;
        int blink;
    };
    std::vector<Frame> frames;
    for (int k = 1; k <= 45; ++k) {
        clock.Advance(1.0 / 15.0);
        const float t = float(CTClock::GetTime() - started) + def.offset;
        perso.UpdateMouth(reply.GetStand(), reply.GetHumeur(), &analysis, weights, t);
        stage.Frame(kBackground, [&](CTPolygonPipeline& p) {
            perso.DisplayFace(reply.GetStand(), p, uint32_t(reply.GetCamera()));
        });
        frames.push_back({t, stage.Checksum(), MouthInside(), perso.GetAnime(reply.GetStand())->BlinkState()});
    }
    EXPECT_TRUE(Fatals().empty());
    EXPECT_TRUE(Warnings().empty());

    // In silence the mouth is all but closed; loud, it is wide open.
    const Frame& quiet = frames[8];
    const Frame& loud = frames[21];
    EXPECT_LT(quiet.t, 0.9f);
    EXPECT_GT(loud.t, 1.5f);
    EXPECT_LT(quiet.inside * 3, loud.inside);
    EXPECT_GT(loud.inside, 2000);
    // After the voice the weights are those of no voice: the mouth closes.
    const Frame& after = frames[44];
    EXPECT_GT(after.t, 3.0f);
    EXPECT_LT(after.inside * 8, loud.inside);

    // The closed eyes of a blink (state 2 just after the closed copy).
    auto blink = std::find_if(frames.begin(), frames.end(), [](const Frame& f) { return f.blink == 2; });
    ASSERT_NE(blink, frames.end());
    EXPECT_NE(blink->picture, (blink - 1)->picture);

    // Golden pictures (5-6-5, portable rows), inspected once.
    EXPECT_EQ(quiet.picture, 0x07e819f2f43dd839ull);
    EXPECT_EQ(loud.picture, 0xe02f492954d059dfull);
    EXPECT_EQ(blink->picture, 0x871bb4d1d3ce1783ull);
}

}  // namespace
