// Replies played by the dialogue object: when each starts and ends, its voice, its stand video and face,
// the residents, and the speaker's sprite and focal.
#include <gtest/gtest.h>

#include "dialogue/Orv_Dial.h"
#include "framework/Input.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "testdata/KsnWriter.h"
#include "testdata/QmvWriter.h"
#include "tests/dialogue/DialogueTestUtil.h"

namespace {

constexpr uint32_t kBackground = 0xFF304050;
constexpr uint32_t kRobe = 0xFFA02020;

// A stand video: a robe band across the bottom (alpha 31), nothing elsewhere (alpha 0); the band rises by a
// pixel a frame.
void SaveStandVideo(const std::string& path, int frames)
{
    std::vector<std::vector<uint32_t>> pictures;
    std::vector<std::vector<uint8_t>> alpha;
    for (int f = 0; f < frames; ++f) {
        pictures.emplace_back(size_t(640) * 480, kRobe);
        alpha.emplace_back(size_t(640) * 480, 0);
        for (int y = 400 - 8 * f; y < 480; ++y)
            for (int x = 0; x < 640; ++x) alpha.back()[size_t(y) * 640 + size_t(x)] = 31;
    }
    const std::vector<uint8_t> video = QmvWriter_Video(pictures, 90, alpha);
    ASSERT_TRUE(WriteFileBytes(path, video.data(), video.size()));
}

class Replies : public DialogueScreenTest {
protected:
    DlgScriptDesc desc;

    void SetUp() override
    {
        DialogueScreenTest::SetUp();
        DlgPersoDesc marco = Perso("Marco", "ma");
        marco.idTexts = {"VEILLEUR", "GARDIEN"};
        marco.focals[0] = {50.0f, 60.0f};
        desc.persos = {marco, Perso("Lia", "li")};
        DlgCharacterDesc ch;
        ch.grid = 8;
        ch.stands = 2;
        ASSERT_TRUE(DlgCharacter_Save(Dir3D(), ch));
        ch.mesh = "li";
        ch.stands = 1;
        ASSERT_TRUE(DlgCharacter_Save(Dir3D(), ch));
        std::filesystem::create_directories(dir.Path() + "datas_q2/qmv/dial");
        SaveStandVideo(dir.Path() + "datas_q2/qmv/dial/mas1c1.qmv", 3);
    }
    // A voice of that many seconds for a reply.
    void Voice(int dialogue, int reply, double seconds)
    {
        ASSERT_TRUE(KsnWriter_Save(dir.Path() + "datas_q2/ksn/dial/" + DlgScript_Code(dialogue, reply) + ".ksn",
                                   KsnWriter_TestSignal(uint32_t(seconds * 22050), 1, uint32_t(reply)), 1, 22050));
    }
    // The index of the current reply, -1 when none.
    int Current() const
    {
        const dlg_Replique* r = dialog->GetCurrentReplique();
        for (size_t i = 0; r && i < dialog->GetRepliqueCount(); ++i)
            if (dialog->GetRepliqueAt(i) == r) return int(i);
        return -1;
    }
};

TEST_F(Replies, TheFirstStepStartsReplyOneAndAReplyEndsWhenItsVoiceHasPlayed)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand1 camera1", "Bonjour."),
                  DlgScript_Reply(12, 2, "Lia", "voixoff", "Bonsoir.")};
    Voice(12, 1, 0.3);
    Voice(12, 2, 0.2);
    dlg_Dialog& d = Build(desc);
    EXPECT_EQ(d.GetCurrentMode(), -1);
    EXPECT_EQ(d.GetCurrentPersoName(), "");
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(Current(), 0);
    EXPECT_EQ(d.GetFrameCounter(), -1) << "starting a reply counts no frame";
    EXPECT_TRUE(d.IsVoiceOpen());
    EXPECT_EQ(OrvSound_get_voice_state(1), 1);
    EXPECT_EQ(d.GetCurrentPersoName(), "Marco");
    // Steps while the voice plays keep the reply.
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(d.Update());
    EXPECT_EQ(Current(), 0);
    Play(0.25);
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(Current(), 0);
    Play(0.1);
    ASSERT_TRUE(d.Update());  // the voice is over: the reply is finished
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(Current(), 1);
    EXPECT_EQ(d.GetCurrentMode(), DLG_MODE_VOIXOFF);
    Play(0.3);
    ASSERT_TRUE(d.Update());
    EXPECT_FALSE(d.Update());
    EXPECT_EQ(d.GetCurrentMode(), -1);
    EXPECT_EQ(d.GetCurrentPersoName(), "");
    EXPECT_EQ(OrvSound_get_voice_state(1), 0);
    EXPECT_TRUE(d.IsInitialised()) << "over, not taken down";
    d.Remove();
    EXPECT_FALSE(d.IsInitialised());
}

TEST_F(Replies, CinemaRepliesCountStepsAcrossRepliesAndAClickEndsAReplyWithoutVoice)
{
    desc.lines = {DlgScript_Reply(12, 1, "Lia", "cinema to0", "a"), DlgScript_Reply(12, 2, "Lia", "cinema from1 to3", "b"),
                  DlgScript_Reply(12, 3, "Marco", "voixoff0", "c")};
    dlg_Dialog& d = Build(desc);
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(Current(), 0);
    ASSERT_TRUE(d.Update());  // counts 0: not past 0
    EXPECT_EQ(d.GetFrameCounter(), 0);
    EXPECT_EQ(Current(), 0);
    ASSERT_TRUE(d.Update());  // 1 ends it, and the next starts at once
    EXPECT_EQ(d.GetFrameCounter(), 1);
    EXPECT_EQ(Current(), 1);
    for (int count = 2; count <= 3; ++count) {
        ASSERT_TRUE(d.Update());
        EXPECT_EQ(Current(), 1) << count;
    }
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(d.GetFrameCounter(), 4);
    EXPECT_EQ(Current(), 2);
    // Without a voice the reply waits for a click.
    EXPECT_FALSE(d.IsVoiceOpen());
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(d.Update());
    EXPECT_EQ(Current(), 2);
    EXPECT_EQ(d.GetFrameCounter(), 4);
    d.EndReplique();
    EXPECT_FALSE(d.Update());
}

TEST_F(Replies, WithoutASoundCardAVoicedReplyWaitsForAClick)
{
    OrvSound_MainClose();
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "voixoff", "a")};
    Voice(12, 1, 0.1);
    dlg_Dialog& d = Build(desc);
    ASSERT_TRUE(d.Update());
    EXPECT_FALSE(d.IsVoiceOpen());
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(d.Update());
    EXPECT_EQ(Current(), 0);
    d.EndReplique();
    EXPECT_FALSE(d.Update());
}

TEST_F(Replies, RepliesOfOneStandVideoAdvanceItAndAnotherVideoIsOpened)
{
    SaveStandVideo(dir.Path() + "datas_q2/qmv/dial/mas1c2.qmv", 2);
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand1 camera1", "a"), DlgScript_Reply(12, 2, "Marco", "stand1 camera1", "b"),
                  DlgScript_Reply(12, 3, "Marco", "stand1 camera2", "c")};
    dlg_Dialog& d = Build(desc);
    ASSERT_TRUE(d.Update());
    ASSERT_TRUE(d.Video().IsOpen());
    EXPECT_EQ(d.Video().GetFrame(), 1) << "opening decodes two frames";
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(d.Video().GetFrame(), 2);
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(d.Video().GetFrame(), 1) << "after the last frame, the first again";
    d.EndReplique();
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(Current(), 1);
    EXPECT_EQ(d.Video().GetFrame(), 2) << "advanced, not reopened";
    EXPECT_EQ(CountInLog("Ouverture QMV"), 1);
    d.EndReplique();
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(CountInLog("Ouverture QMV"), 2);
    EXPECT_NE(d.Video().GetName().find("mas1c2.qmv"), std::string::npos);
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(Replies, ResidentsKeepTheirStandsOverRemoveAndChangesDuringADialogueAreRefused)
{
    desc.lines = {DlgScript_Reply(12, 1, "Lia", "stand1 camera1", "a"), DlgScript_Reply(12, 2, "Marco", "stand2", "b")};
    ASSERT_TRUE(DlgScript_Save(dir.Path(), "IR", desc));
    dlg_Dialog::LoadScript("dialIR.txt", "comIR.txt", "infoIR.txt");
    dialog = std::make_unique<dlg_Dialog>();
    dlg_Dialog& d = *dialog;
    ASSERT_TRUE(d.AddResident("Marco"));
    ASSERT_EQ(d.GetPersoCount(), 1u);
    const dlg_Perso* marco = d.GetPersoAt(0);
    EXPECT_TRUE(marco->IsResident());
    EXPECT_NE(marco->GetAnime(0), nullptr);
    EXPECT_NE(marco->GetAnime(1), nullptr);
    EXPECT_EQ(marco->GetAnime(2), nullptr);
    EXPECT_TRUE(Warnings().empty()) << "the stands end at the first missing file, silently";

    d.Initialise(12);
    ASSERT_EQ(d.GetPersoCount(), 2u);
    EXPECT_EQ(d.FindPerso("Marco"), 0) << "residents first";
    EXPECT_FALSE(d.AddResident("Lia"));
    EXPECT_FALSE(d.RemoveResidents());
    EXPECT_EQ(Warnings(), (std::vector<std::string>{
                              "dlg_Dialog::AddResident(string&) ERROR : le mode dialogue est encore actif.",
                              "dlg_Dialog::RemoveResidents() ERROR : le mode dialogue est encore actif."}));
    d.Remove();
    ASSERT_EQ(d.GetPersoCount(), 1u);
    EXPECT_EQ(d.GetPersoAt(0), marco);
    EXPECT_NE(marco->GetAnime(1), nullptr);
    EXPECT_EQ(d.GetRepliqueCount(), 0u);
    d.Remove();
    EXPECT_EQ(Warnings().back(), "dlg_Dialog::Remove() ERROR : le dialogue est déja fermé");
    EXPECT_TRUE(d.RemoveResidents());
    EXPECT_EQ(d.GetPersoCount(), 0u);
}

TEST_F(Replies, TheSpeakersSpriteIsTheFirstShownCharacterSlotOfHisNames)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand1 camera2", "a"), DlgScript_Reply(12, 2, "Lia", "stand1", "b"),
                  DlgScript_Reply(12, 3, "Marco", "voixoff", "c")};
    dlg_Dialog& d = Build(desc);
    EXPECT_EQ(d.FindSpeakerSprite(), -1);
    EXPECT_FLOAT_EQ(d.GetFocal(), 76.0f);
    ASSERT_TRUE(d.Update());
    const int32_t veilleur = DefName_GetIdName(DEFNAME_PERSONNAGES, "VEILLEUR");
    const int32_t gardien = DefName_GetIdName(DEFNAME_PERSONNAGES, "GARDIEN");
    auto slot = [](int i, int32_t type, int32_t elem, int32_t anim, uint8_t shown) {
        OrvSpw_Visibles[i] = ST_spw_visible{};
        OrvSpw_Visibles[i].type = type;
        OrvSpw_Visibles[i].elem_id = elem;
        OrvSpw_Visibles[i].anim_id = anim;
        OrvSpw_Visibles[i].shown = shown;
    };
    // An object of the same id, a hidden slot, a slot whose animation number is the id, then the guardian
    // and the watcher: the first [IdText] name with a shown slot wins, whatever the slots' order.
    slot(0, 2, veilleur, 1, 1);
    slot(1, 1, veilleur, 1, 0);
    slot(2, 1, 0, veilleur, 1);
    slot(3, 1, gardien, 1, 1);
    slot(4, 3, veilleur, 1, 1);
    slot(5, 1, veilleur, 1, 1);
    OrvSpw_NbVisibles = 5;
    EXPECT_EQ(d.FindSpeakerSprite(), 4);
    OrvSpw_NbVisibles = 4;
    EXPECT_EQ(d.FindSpeakerSprite(), 3) << "slots past the count are not in use";
    OrvSpw_Visibles[3].shown = 0;
    EXPECT_EQ(d.FindSpeakerSprite(), -1);
    // Stand 1, camera 2: the second focal of his first list.
    EXPECT_FLOAT_EQ(d.GetFocal(), 60.0f);
    d.EndReplique();
    ASSERT_TRUE(d.Update());
    EXPECT_EQ(d.FindSpeakerSprite(), -1) << "Lia names no character";
    EXPECT_FLOAT_EQ(d.GetFocal(), 76.0f);
    d.EndReplique();
    ASSERT_TRUE(d.Update());
    EXPECT_FLOAT_EQ(d.GetFocal(), 76.0f) << "a voice-over has no stand";
    OrvSpw_NbVisibles = 0;
}

TEST_F(Replies, AReplyOnScreenDrawsItsStandVideoTheFaceAndTheSubtitle)
{
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "stand1 camera1 humeur2", "Bonjour, voyageur.")};
    Voice(12, 1, 2.0);
    dlg_Dialog& d = Build(desc);
    ASSERT_TRUE(d.Update());
    ASSERT_TRUE(d.Update());  // the video's third frame: its band starts at y 384
    clock->Advance(0.5);
    Play(0.5);
    Clear(kBackground);
    d.Display(false);
    EXPECT_EQ(OrvDisplay_GetLockCount(), 0);
    // The panorama's picture where the video is transparent, the video's robe where it is not, the face
    // between them.
    const CPixelFormat& format = OrvDisplay_GetRenderSurface()->format;
    EXPECT_EQ(Pixel(20, 20), UnpackColor(format, PackColor(format, kBackground)));
    const uint32_t robe = Pixel(600, 390);
    EXPECT_GT(robe >> 16 & 255, 0x90u);
    EXPECT_LT(robe >> 8 & 255, 0x30u);
    EXPECT_EQ(Pixel(600, 380), Pixel(20, 20)) << "the third frame's band starts at 384";
    EXPECT_NE(Pixel(320, 240), Pixel(20, 20));
    EXPECT_EQ(Checksum(), 0xb6d5d7e98b15bf12ull);
    auto whiteText = [] {
        int n = 0;
        for (int y = 440; y < 470; ++y)
            for (int x = 10; x < 300; ++x) n += Pixel(x, y) == 0xFFFFFFFFu;
        return n;
    };
    EXPECT_EQ(whiteText(), 0);
    // Each frame starts with an empty depth buffer: a buffer left full of the nearest depth hides nothing.
    const uint64_t without = Checksum();
    CSystemMemorySurface& depth = d.DepthBuffer();
    depth.Lock();
    std::memset(depth.pixels, 0xFF, size_t(depth.PitchBytes()) * size_t(depth.height));
    depth.Unlock();
    Clear(kBackground);
    d.Display(false);
    EXPECT_EQ(Checksum(), without);
    Clear(kBackground);
    d.Display(true);
    EXPECT_GT(whiteText(), 50);
    Clear(kBackground);
    d.Display(false);
    EXPECT_EQ(Checksum(), without);
}

}  // namespace

TEST_F(Replies, ACharactersVoiceOverBeforeTheHeroSpeaksArrangesNothing)
{
    // Marco first without turning the view ("voixoff0"), the hero not having spoken yet, then on screen.
    desc.persos.push_back(Perso("H1", "li"));
    desc.lines = {DlgScript_Reply(12, 1, "Marco", "voixoff0", "a"),
                  DlgScript_Reply(12, 2, "Marco", "stand1 camera1", "b")};
    ASSERT_TRUE(DlgScript_Save(dir.Path(), "IR", desc));
    dial_maininit();
    OrvDial_InitWorld("dialIR.txt", "comIR.txt", "infoIR.txt", 1);
    // His picture in the view.
    OrvSpw_Visibles[0] = ST_spw_visible{};
    OrvSpw_Visibles[0].type = 1;
    OrvSpw_Visibles[0].elem_id = DefName_GetIdName(DEFNAME_PERSONNAGES, "VEILLEUR");
    OrvSpw_Visibles[0].shown = 1;
    OrvSpw_NbVisibles = 1;
    OrvWarp_SetViewAngles(0.7f, 0.2f);
    float yaw0, pitch0, yaw, pitch;
    OrvWarp_GetViewAngles(&yaw0, &pitch0);
    ASSERT_NE(pitch0, 0.0f);
    const float fov0 = OrvWarp_GetFieldOfView();

    ASSERT_TRUE(OrvDial_start(12));
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_TRUE(OrvDial_continue());
        ASSERT_EQ(OrvDial_GetCurrentMode(), DLG_MODE_VOIXOFF0);
        OrvWarp_GetViewAngles(&yaw, &pitch);
        EXPECT_EQ(yaw, yaw0) << tick;
        EXPECT_EQ(pitch, pitch0) << tick;
        EXPECT_EQ(OrvWarp_GetFieldOfView(), fov0) << tick;
        EXPECT_EQ(OrvSpw_Visibles[0].shown, 1) << tick;
    }
    // On screen he is the first speaker arranged: the view levelled, his focal, his picture hidden.
    MouseClickFlags.click = 1;
    ASSERT_TRUE(OrvDial_continue());
    ASSERT_EQ(OrvDial_GetCurrentMode(), DLG_MODE_SCREEN);
    OrvWarp_GetViewAngles(&yaw, &pitch);
    EXPECT_NEAR(yaw, yaw0, 1e-6f);
    EXPECT_NEAR(pitch, 0.0f, 1e-6f);
    EXPECT_NEAR(OrvWarp_GetFieldOfView(), 50.0f * WARP_PI / 180.0f, 1e-6f);
    EXPECT_EQ(OrvSpw_Visibles[0].shown, 0);
    OrvDial_stop();
    EXPECT_EQ(OrvSpw_Visibles[0].shown, 1);
    OrvDial_close();
    OrvSpw_NbVisibles = 0;
    OrvWarp_SetViewAngles(0.0f, 0.0f);
    OrvWarp_SetFieldOfView(WARP_FOV);
    EXPECT_EQ(Warnings(), std::vector<std::string>{});
    EXPECT_EQ(Fatals(), std::vector<std::string>{});
}
