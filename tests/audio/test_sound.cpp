// Sound effects and voices: the shared sound table, volume tables, voices, video soundtrack, voice stream.
#include <cmath>

#include "AudioTestUtil.h"
#include "audio/AdpcmStream.h"

namespace {

class SoundTest : public AudioTest {
protected:
    void SetUp() override {
        AudioTest::SetUp();
        g_Config.effectsVolume = 127;
        g_Config.masterVolume = 256;
    }
    // A sound of the CD (mono unless told otherwise); returns its decoded samples.
    std::vector<int16_t> MakeSound(const std::string& name, uint32_t frames, uint32_t seed, int channels = 1,
                                   uint32_t rate = 22050) {
        EXPECT_TRUE(KsnWriter_Save(Ksn(name), KsnWriter_TestSignal(frames, channels, seed), channels, rate));
        return Decode(Ksn(name));
    }
    static float Gain(int voice, bool left) {
        float l = -1, r = -1;
        SysSnd_Mixer().GetGains(OrvSound_GetVoiceHandle(voice), &l, &r);
        return left ? l : r;
    }
};

}  // namespace

TEST_F(SoundTest, EntriesAreSharedByExactNameAndFreedWithTheLastShare) {
    MakeSound("vent.ksn", 300, 1);
    ST_wam_son_pos first{}, second{};
    const int id = OrvSound_load("vent.ksn", &first);
    ASSERT_GE(id, 0);
    EXPECT_EQ(OrvSound_load("vent.ksn", &second), id);
    OrvSoundInfo info;
    ASSERT_TRUE(OrvSound_GetInfo(id, &info));
    EXPECT_EQ(info.shares, 2);
    EXPECT_EQ(info.pos, &first);
    EXPECT_EQ(info.length, 600);
    EXPECT_EQ(info.channels, 1);

    // Names are kept whole and compared exactly.
    const std::string longA = "un_nom_de_son_bien_plus_long_A.ksn", longB = "un_nom_de_son_bien_plus_long_B.ksn";
    MakeSound(longA, 100, 2);
    MakeSound(longB, 100, 3);
    const int a = OrvSound_load(longA.c_str(), nullptr), b = OrvSound_load(longB.c_str(), nullptr);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    EXPECT_NE(a, b);
    ASSERT_TRUE(OrvSound_GetInfo(b, &info));
    EXPECT_EQ(info.name, longB);
    EXPECT_NE(OrvSound_load("VENT.ksn", nullptr), id);

    // Each free stops the caller's voice and gives back one share.
    ASSERT_EQ(OrvSound_play(id, 5), 5);
    OrvSound_free(id, 5);
    EXPECT_EQ(OrvSound_get_voice_state(5), 0);
    ASSERT_TRUE(OrvSound_GetInfo(id, &info));
    EXPECT_EQ(info.shares, 1);
    OrvSound_free(id, 6);
    EXPECT_FALSE(OrvSound_GetInfo(id, &info));
    OrvSound_free(id, 6);  // nothing left: no effect
    OrvSound_free(50, 6);
    EXPECT_TRUE(Warned("OrvSound_free:ID_son invalide:50"));
    EXPECT_TRUE(fatals.empty());
}

TEST_F(SoundTest, FiftyFirstSoundIsFatal) {
    for (int i = 0; i < ORVSOUND_MAX_SOUNDS; ++i) {
        const std::string name = "s" + std::to_string(i) + ".ksn";
        ASSERT_TRUE(KsnWriter_Save(Ksn(name), KsnWriter_TestSignal(10, 1, 1), 1, 22050));
        ASSERT_EQ(OrvSound_load(name.c_str(), nullptr), i);
    }
    ASSERT_TRUE(KsnWriter_Save(Ksn("t.ksn"), KsnWriter_TestSignal(10, 1, 1), 1, 22050));
    EXPECT_EQ(OrvSound_load("t.ksn", nullptr), -1);
    EXPECT_TRUE(Fatal("find_free_sound: Sound overflow"));
}

TEST_F(SoundTest, MissingTruncatedAndEmptyFiles) {
    EXPECT_EQ(OrvSound_load("absent.ksn", nullptr), -1);
    EXPECT_TRUE(Warned("### ERREUR lecture impossible fichier : "));
    MakeSound("court.ksn", 400, 1);
    std::string bytes = ReadFileText(Ksn("court.ksn"));
    WriteFileBytes(Ksn("court.ksn"), bytes.data(), bytes.size() - 1);
    EXPECT_EQ(OrvSound_load("court.ksn", nullptr), -1);
    EXPECT_TRUE(Warned("### ERREUR sur Adpcm_GetPcmSize in Orv_Sound : fichier : "));
    WriteFileBytes(Ksn("entete.ksn"), bytes.data(), 20);
    EXPECT_EQ(OrvSound_load("entete.ksn", nullptr), -1);
    WriteFileBytes(Ksn("vide.ksn"), "", 0);
    EXPECT_EQ(OrvSound_load("vide.ksn", nullptr), -1);
    // A header of no frames loads, but playing it is refused.
    ASSERT_TRUE(KsnWriter_Save(Ksn("rien.ksn"), {}, 1, 22050));
    const int id = OrvSound_load("rien.ksn", nullptr);
    ASSERT_GE(id, 0);
    EXPECT_EQ(OrvSound_play(id, 3), -1);
    EXPECT_TRUE(Warned("OrvSound_play: Son vide ID_son=" + std::to_string(id) + " "));
    EXPECT_EQ(OrvSound_play(-1, 3), -1);
    EXPECT_TRUE(Warned("OrvSound_play:ID_son invalide:-1"));
    EXPECT_EQ(OrvSound_play(49, 3), -1);
    EXPECT_TRUE(fatals.empty());
}

TEST_F(SoundTest, AttenuationTable) {
    EXPECT_EQ(OrvSound_VolumeToAttenuation(127), 0);
    EXPECT_EQ(OrvSound_VolumeToAttenuation(0), -10000);
    EXPECT_EQ(OrvSound_VolumeToAttenuation(-20), -10000);
    EXPECT_EQ(OrvSound_VolumeToAttenuation(500), 0);
    EXPECT_NEAR(OrvSound_VolumeToAttenuation(1), -5279, 10);
    int last = -10000;
    for (int v = 1; v <= 127; ++v) {
        const int a = OrvSound_VolumeToAttenuation(v);
        EXPECT_GE(a, last) << v;
        last = a;
    }
    // The master volume scales the index in 256ths.
    const int half = OrvSound_VolumeToAttenuation(63);
    g_Config.masterVolume = 128;
    EXPECT_EQ(OrvSound_VolumeToAttenuation(127), half);
    g_Config.masterVolume = 0;
    EXPECT_EQ(OrvSound_VolumeToAttenuation(127), -10000);
}

TEST_F(SoundTest, LevelsGiveVolumeAndPan) {
    int att = 1, pan = 1;
    OrvSound_LevelsToVolumePan(200, 200, &att, &pan);
    EXPECT_EQ(pan, 0);
    EXPECT_EQ(att, OrvSound_VolumeToAttenuation(100));
    OrvSound_LevelsToVolumePan(200, 0, &att, &pan);
    EXPECT_EQ(pan, -10000);
    OrvSound_LevelsToVolumePan(0, 254, &att, &pan);
    EXPECT_EQ(pan, 10000);
    EXPECT_EQ(att, 0);
    OrvSound_LevelsToVolumePan(100, 300, &att, &pan);
    EXPECT_EQ(pan, 5000);
    // Both levels 0: centred and silent, every ambient start goes this way.
    OrvSound_LevelsToVolumePan(0, 0, &att, &pan);
    EXPECT_EQ(pan, 0);
    EXPECT_EQ(att, -10000);
    g_Config.effectsVolume = 0;
    OrvSound_LevelsToVolumePan(255, 100, &att, &pan);
    EXPECT_EQ(pan, 0);
    EXPECT_EQ(att, -10000);
}

TEST_F(SoundTest, PlaysDecodedSamplesAndReplacesTheVoicesSound) {
    const auto a = MakeSound("a.ksn", 3000, 1);
    const auto b = MakeSound("b.ksn", 1000, 2, 2);
    const int ia = OrvSound_load("a.ksn", nullptr), ib = OrvSound_load("b.ksn", nullptr);
    OrvSound_SetLoop(ia, 1);
    ASSERT_EQ(OrvSound_play(ia, 2), 2);
    EXPECT_EQ(Gain(2, true), 1.0f);
    const auto out = Render(100);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(out[2 * i], a[size_t(i)]);
        ASSERT_EQ(out[2 * i + 1], a[size_t(i)]);
    }
    ASSERT_EQ(OrvSound_play(ib, 2), 2);
    const auto out2 = Render(1200);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(out2[size_t(2 * i)], b[size_t(2 * i)]) << i;
    EXPECT_EQ(out2[2 * 1100], 0);
    // The one-shot has ended: the voice says so once asked.
    EXPECT_EQ(OrvSound_get_voice_state(2), 0);

    // A positioned sound takes its level and pan from the record.
    ST_wam_son_pos pos{};
    pos.leftLevel = 254;
    pos.rightLevel = 0;
    const int ic = OrvSound_load("a.ksn", &pos);
    ASSERT_EQ(ic, ia);  // already loaded without a record: keeps none
    const auto c = MakeSound("c.ksn", 100, 3);
    const int id = OrvSound_load("c.ksn", &pos);
    ASSERT_EQ(OrvSound_play(id, 7), 7);
    EXPECT_EQ(Gain(7, true), 1.0f);
    EXPECT_EQ(Gain(7, false), 0.0f);
    EXPECT_EQ(OrvSound_get_voice_state(7), 1);

    EXPECT_EQ(OrvSound_play_raw(c.data(), 200, 12, 22050, 16, 1, 0), 0);
    EXPECT_TRUE(Warned("OrvSound_play_raw: NumVoix incorrect 12"));
    EXPECT_EQ(OrvSound_stop_voice(-1), 0);
    EXPECT_TRUE(Warned("OrvSound_stop_voice: NumVoix incorrect:-1"));
    EXPECT_EQ(OrvSound_get_voice_state(12), 0);
    EXPECT_TRUE(Warned("OrvSound_get_voice_state: NumVoix incorrect:12"));
    // An empty play succeeds without starting anything.
    EXPECT_EQ(OrvSound_play_set(c.data(), 0, 8, 0, 22050, 16, 1, 0, 0, 0), 1);
    EXPECT_EQ(OrvSound_GetVoiceHandle(8), ORVSOUND_NO_HANDLE);
    EXPECT_TRUE(fatals.empty());

    // Start offset, then shut-down frees every buffer.
    ASSERT_EQ(OrvSound_play_set(c.data(), 200, 9, 0, 22050, 16, 1, 0, 0, 100), 1);
    int play = 0;
    SysSnd_GetSoundPosition(OrvSound_GetVoiceHandle(9), &play, nullptr);
    EXPECT_EQ(play, 100);
    OrvSound_FreeAll();
    for (SoundHandle h = 1; h < 256; ++h) ASSERT_FALSE(SysSnd_HasBuffer(h));
    OrvSoundInfo info;
    EXPECT_FALSE(OrvSound_GetInfo(ia, &info));
}

TEST_F(SoundTest, VideoSoundtrackAndScriptSounds) {
    MakeSound("qmv.ksn", 200, 1);
    MakeSound("script.ksn", 200, 2);
    OrvSound_LoadQmvSound("absent.ksn");
    EXPECT_EQ(QmvSoundLoaded, 0);
    OrvSound_LoadQmvSound("qmv.ksn");
    EXPECT_EQ(QmvSoundLoaded, 1);
    OrvSound_FreeQmvSound();
    OrvSoundInfo info;
    EXPECT_FALSE(OrvSound_GetInfo(0, &info));

    OrvSound_SetQmvSoundName("absent.ksn");
    OrvSound_ReloadQmvSound();
    EXPECT_EQ(QmvSoundLoaded, 0);  // nothing loaded is not reported as loaded
    OrvSound_SetQmvSoundName("qmv.ksn");
    OrvSound_ReloadQmvSound();
    EXPECT_EQ(QmvSoundLoaded, 1);
    OrvSound_ClearQmvSoundName();

    OrvSound_PlayQmvSound("absent.ksn");
    OrvSound_PlayQmvSound("script.ksn");
    EXPECT_EQ(OrvSound_get_voice_state(VOICE_QMV), 1);
    OrvSound_CheckQmvSound();
    int loaded = 0;
    for (int id = 0; id < ORVSOUND_MAX_SOUNDS; ++id) loaded += OrvSound_GetInfo(id, &info);
    EXPECT_EQ(loaded, 1);  // the soundtrack's share was given back for the script sound
    Render(300);
    OrvSound_CheckQmvSound();
    loaded = 0;
    for (int id = 0; id < ORVSOUND_MAX_SOUNDS; ++id) loaded += OrvSound_GetInfo(id, &info);
    EXPECT_EQ(loaded, 0);
}

TEST_F(SoundTest, VoiceStreamDecodesAndPlaysAFile) {
    const auto mono = MakeSound("voix.ksn", 501, 4, 1, 11025);
    AdpcmStream s;
    s.Open(Ksn("voix.ksn").c_str());
    ASSERT_TRUE(s.IsOpen());
    EXPECT_EQ(s.GetPcmSize(), 1002);
    EXPECT_EQ(s.GetFrequency(), 11025);
    EXPECT_EQ(std::vector<int16_t>(s.GetPcmBuffer(), s.GetPcmBuffer() + 501), mono);
    // A mono file plays on one channel at its own rate: twice as many output frames.
    ASSERT_EQ(s.Play(6, 0, 0), 1);
    const auto out = Render(1000);
    EXPECT_EQ(out[0], mono[0]);
    EXPECT_EQ(out[1], mono[0]);
    EXPECT_EQ(out[4], mono[1]);
    EXPECT_EQ(OrvSound_get_voice_state(6), 1);
    Render(10);
    EXPECT_EQ(OrvSound_get_voice_state(6), 0);

    s.Open(Ksn("absent.ksn").c_str());
    EXPECT_FALSE(s.IsOpen());
    EXPECT_EQ(s.GetPcmBuffer(), nullptr);
    EXPECT_EQ(s.GetPcmSize(), 0);
    EXPECT_TRUE(fatals.empty());
    WriteFileText(Ksn("faux.ksn"), "RIFF....WAVEfmt pas un fichier KSN");
    s.Open(Ksn("faux.ksn").c_str());
    EXPECT_TRUE(Fatal("void AdpcmStream::Open() ERROR: Erreur lors de GetPcmSize()."));
    EXPECT_FALSE(s.IsOpen());
    EXPECT_EQ(s.Play(6, 0, 0), 1);  // closed: nothing to play
}
