// Sound effects and voices: the shared sound table, volume tables, voices, video soundtrack, voice stream.
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
    static int Loaded() {
        OrvSoundInfo info;
        int n = 0;
        for (int id = 0; id < ORVSOUND_MAX_SOUNDS; ++id) n += OrvSound_GetInfo(id, &info);
        return n;
    }
};

}  // namespace

TEST_F(SoundTest, EntriesAreSharedByExactNameAndFreedWithTheLastShare) {
    const std::string longA = "un_nom_de_son_bien_plus_long_A.ksn", longB = "un_nom_de_son_bien_plus_long_B.ksn";
    for (const std::string& n : {std::string("vent.ksn"), longA, longB}) MakeSound(n, 300, 1);
    ST_wam_son_pos first{}, second{};
    const int id = OrvSound_load("vent.ksn", &first);
    ASSERT_GE(id, 0);
    EXPECT_EQ(OrvSound_load("vent.ksn", &second), id);
    OrvSoundInfo info;
    ASSERT_TRUE(OrvSound_GetInfo(id, &info));
    EXPECT_EQ(info.shares, 2);
    EXPECT_EQ(info.pos, &first);
    // Names are kept whole and compared exactly.
    const int a = OrvSound_load(longA.c_str(), nullptr), b = OrvSound_load(longB.c_str(), nullptr);
    ASSERT_GE(a, 0);
    EXPECT_NE(a, b);
    EXPECT_NE(OrvSound_load("VENT.ksn", nullptr), id);

    // Each free stops the caller's voice and gives back one share.
    ASSERT_EQ(OrvSound_play(id, 5), 5);
    OrvSound_free(id, 5);
    EXPECT_EQ(OrvSound_get_voice_state(5), 0);
    ASSERT_TRUE(OrvSound_GetInfo(id, &info));
    EXPECT_EQ(info.shares, 1);
    OrvSound_free(id, 6);
    EXPECT_FALSE(OrvSound_GetInfo(id, &info));
    OrvSound_free(50, 6);
    EXPECT_TRUE(Warned("OrvSound_free:ID_son invalide:50"));

    // The table holds fifty sounds.
    for (int i = Loaded(); i < ORVSOUND_MAX_SOUNDS; ++i) {
        const std::string name = "s" + std::to_string(i) + ".ksn";
        MakeSound(name, 10, 1);
        ASSERT_GE(OrvSound_load(name.c_str(), nullptr), 0);
    }
    EXPECT_FALSE(AnyFatal());
    EXPECT_EQ(OrvSound_load("vent.ksn", nullptr), -1);
    EXPECT_TRUE(Fatal("find_free_sound: Sound overflow"));
}

TEST_F(SoundTest, MissingTruncatedAndEmptyFilesAreRefused) {
    EXPECT_EQ(OrvSound_load("absent.ksn", nullptr), -1);
    EXPECT_TRUE(Warned("### ERREUR lecture impossible fichier : "));
    MakeSound("court.ksn", 400, 1);
    const std::string bytes = ReadFileText(Ksn("court.ksn"));
    WriteFileBytes(Ksn("court.ksn"), bytes.data(), bytes.size() - 1);
    EXPECT_EQ(OrvSound_load("court.ksn", nullptr), -1);
    EXPECT_TRUE(Warned("### ERREUR sur Adpcm_GetPcmSize in Orv_Sound : fichier : "));
    WriteFileBytes(Ksn("entete.ksn"), bytes.data(), 20);
    EXPECT_EQ(OrvSound_load("entete.ksn", nullptr), -1);
    // A header of no frames loads, but playing it is refused.
    ASSERT_TRUE(KsnWriter_Save(Ksn("rien.ksn"), {}, 1, 22050));
    const int id = OrvSound_load("rien.ksn", nullptr);
    ASSERT_GE(id, 0);
    EXPECT_EQ(OrvSound_play(id, 3), -1);
    EXPECT_TRUE(Warned("OrvSound_play: Son vide ID_son=" + std::to_string(id) + " "));
    EXPECT_EQ(OrvSound_play(-1, 3), -1);
    EXPECT_TRUE(Warned("OrvSound_play:ID_son invalide:-1"));
    EXPECT_FALSE(AnyFatal());
}

TEST_F(SoundTest, AttenuationAndPanFromLevels) {
    EXPECT_EQ(OrvSound_VolumeToAttenuation(0), -10000);
    EXPECT_EQ(OrvSound_VolumeToAttenuation(500), 0);
    int last = -10000;
    for (int v = 1; v <= 127; ++v) {
        EXPECT_GE(OrvSound_VolumeToAttenuation(v), last) << v;
        last = OrvSound_VolumeToAttenuation(v);
    }
    EXPECT_EQ(last, 0);
    struct Case {
        float left, right;
        int volume, pan;
    } cases[] = {
        {200, 200, 100, 0}, {200, 0, 100, -10000}, {0, 254, 127, 10000}, {100, 300, 127, 5000},
        {0, 0, 0, 0},  // both silent: centred, without dividing by zero
    };
    for (const Case& c : cases) {
        int att = 1, pan = 1;
        OrvSound_LevelsToVolumePan(c.left, c.right, &att, &pan);
        EXPECT_EQ(pan, c.pan) << c.left << " " << c.right;
        EXPECT_EQ(att, OrvSound_VolumeToAttenuation(c.volume)) << c.left << " " << c.right;
    }
    int att = 0, pan = 0;
    g_Config.effectsVolume = 0;
    OrvSound_LevelsToVolumePan(255, 100, &att, &pan);
    EXPECT_EQ(att, -10000);
    // The master volume scales the index in 256ths.
    const int half = OrvSound_VolumeToAttenuation(63);
    g_Config.masterVolume = 128;
    EXPECT_EQ(OrvSound_VolumeToAttenuation(127), half);
    g_Config.masterVolume = 0;
    EXPECT_EQ(OrvSound_VolumeToAttenuation(127), -10000);
}

TEST_F(SoundTest, PlaysDecodedSamplesAndReplacesTheVoicesSound) {
    const auto a = MakeSound("a.ksn", 3000, 1);
    const auto b = MakeSound("b.ksn", 1000, 2, 2);
    const int ia = OrvSound_load("a.ksn", nullptr), ib = OrvSound_load("b.ksn", nullptr);
    OrvSound_SetLoop(ia, 1);
    ASSERT_EQ(OrvSound_play(ia, 2), 2);
    const auto out = Render(100);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(out[2 * i], a[size_t(i)]);
        ASSERT_EQ(out[2 * i + 1], a[size_t(i)]);
    }
    ASSERT_EQ(OrvSound_play(ib, 2), 2);
    const auto out2 = Render(1200);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(out2[size_t(2 * i)], b[size_t(2 * i)]) << i;
    EXPECT_EQ(out2[2 * 1100], 0);
    EXPECT_EQ(OrvSound_get_voice_state(2), 0);  // the one-shot has ended

    // A positioned sound takes its level and pan from the record.
    ST_wam_son_pos pos{};
    pos.leftLevel = 254;
    pos.rightLevel = 0;
    const auto c = MakeSound("c.ksn", 100, 3);
    ASSERT_EQ(OrvSound_play(OrvSound_load("c.ksn", &pos), 7), 7);
    EXPECT_EQ(Gain(7, true), 1.0f);
    EXPECT_EQ(Gain(7, false), 0.0f);

    EXPECT_EQ(OrvSound_play_raw(c.data(), 200, 12, 22050, 16, 1, 0), 0);
    EXPECT_TRUE(Warned("OrvSound_play_raw: NumVoix incorrect 12"));
    // An empty play succeeds without starting anything; a start offset positions the buffer.
    EXPECT_EQ(OrvSound_play_set(c.data(), 0, 8, 0, 22050, 16, 1, 0, 0, 0), 1);
    EXPECT_EQ(OrvSound_GetVoiceHandle(8), ORVSOUND_NO_HANDLE);
    ASSERT_EQ(OrvSound_play_set(c.data(), 200, 9, 0, 22050, 16, 1, 0, 0, 100), 1);
    int play = 0;
    SysSnd_GetSoundPosition(OrvSound_GetVoiceHandle(9), &play, nullptr);
    EXPECT_EQ(play, 100);
    EXPECT_FALSE(AnyFatal());
    // Shut-down frees every buffer and sound.
    OrvSound_FreeAll();
    EXPECT_TRUE(NoBuffers());
    EXPECT_EQ(Loaded(), 0);
}

TEST_F(SoundTest, VideoSoundtrackSharesAreGivenBack) {
    MakeSound("qmv.ksn", 200, 1);
    MakeSound("script.ksn", 200, 2);
    OrvSound_SetQmvSoundName("absent.ksn");
    OrvSound_ReloadQmvSound();
    EXPECT_EQ(QmvSoundLoaded, 0);  // nothing loaded is not reported as loaded
    OrvSound_LoadQmvSound("qmv.ksn");
    // The soundtrack's share is given back for the script sound, and that one's once it has played.
    OrvSound_PlayQmvSound("script.ksn");
    OrvSound_CheckQmvSound();
    EXPECT_EQ(Loaded(), 1);
    Render(300);
    OrvSound_CheckQmvSound();
    EXPECT_EQ(Loaded(), 0);
}

TEST_F(SoundTest, VoiceStreamPlaysAFileAndRefusesACorruptOne) {
    const auto mono = MakeSound("voix.ksn", 501, 4, 1, 11025);
    AdpcmStream s;
    s.Open(Ksn("voix.ksn").c_str());
    ASSERT_TRUE(s.IsOpen());
    // A mono file plays on both channels at its own rate: twice as many output frames.
    ASSERT_EQ(s.Play(6, 0, 0), 1);
    const auto out = Render(1010);
    for (size_t i = 0; i < 501; ++i) ASSERT_EQ(out[4 * i + 1], mono[i]) << i;
    EXPECT_EQ(OrvSound_get_voice_state(6), 0);

    WriteFileText(Ksn("faux.ksn"), "RIFF....WAVEfmt pas un fichier KSN");
    s.Open(Ksn("faux.ksn").c_str());
    EXPECT_TRUE(Fatal("void AdpcmStream::Open() ERROR: Erreur lors de GetPcmSize()."));
    EXPECT_FALSE(s.IsOpen());
    EXPECT_EQ(s.Play(6, 0, 0), 1);  // closed: nothing to play
}
