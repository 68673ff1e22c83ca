// Streamed music: seamless refills, loops, chained musics, marks, fades, volume rules, bad files.
#include <cstring>
#include <memory>

#include "AudioTestUtil.h"
#include "app/Clock.h"

namespace {

constexpr uint32_t kFrames = 140000;  // 560000 bytes of PCM: more than the buffer

struct HookScript {
    std::vector<std::string> names;
    std::vector<int> marks;
    int calls = 0;
} g_hook;

int scriptedHook(std::string& name, int& mark, int& loops) {
    const size_t i = size_t(g_hook.calls++);
    if (i >= g_hook.names.size()) return 0;
    name = g_hook.names[i];
    mark = g_hook.marks[i];
    loops = 0;
    return int(i) + 2;
}

class MuzikTest : public AudioTest {
protected:
    std::unique_ptr<CTManualClock> clock;

    void SetUp() override {
        AudioTest::SetUp();
        g_Config.musicMaxVolume = 127;
        g_hook = HookScript{};
        clock = std::make_unique<CTManualClock>(100.0);
    }
    void TearDown() override {
        AudioTest::TearDown();
        clock.reset();
    }

    std::vector<int16_t> MakeMusic(const std::string& name, uint32_t frames, uint32_t seed,
                                   const std::vector<uint32_t>& marks = {}) {
        EXPECT_TRUE(KsnWriter_Save(Music(name), KsnWriter_TestSignal(frames, 2, seed), 2, 22050, marks));
        return Decode(Music(name));
    }
    // Plays frames through the offline device, running the loader before each callback's worth.
    static std::vector<int16_t> Listen(int frames) {
        std::vector<int16_t> out;
        while (frames > 0) {
            const int n = std::min(frames, 1024);
            OrvMuzik_Run();
            const auto part = Render(n);
            out.insert(out.end(), part.begin(), part.end());
            frames -= n;
        }
        return out;
    }
    // The frames [from, from + count) of a stereo stream.
    static std::vector<int16_t> Frames(const std::vector<int16_t>& pcm, size_t from, size_t count) {
        return std::vector<int16_t>(pcm.begin() + long(2 * from), pcm.begin() + long(2 * (from + count)));
    }
    static std::vector<int16_t> Join(std::initializer_list<std::vector<int16_t>> parts) {
        std::vector<int16_t> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    }
    // First stereo frame where the two streams differ, or -1.
    static long Mismatch(const std::vector<int16_t>& out, const std::vector<int16_t>& expected) {
        if (out.size() != expected.size()) return -2;
        for (size_t i = 0; i < out.size(); ++i)
            if (out[i] != expected[i]) return long(i / 2);
        return -1;
    }
    static void Fade(double seconds) {
        CTClock::Wait(seconds);
        OrvMuzik_Step();
    }
};

}  // namespace

TEST_F(MuzikTest, PlaysSeamlesslyAcrossRefillsAndLoops) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1);
    ASSERT_TRUE(OrvMuzik_Play("muzik01.ksn"));
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_START);  // idle: starts at once
    OrvMuzik_Run();
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_PLAYING);
    EXPECT_EQ(OrvMuzik_GetMusicPosition(), MUSIC_BUFFER_SIZE);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 127);
    const auto out = Listen(2 * kFrames + 20000);
    EXPECT_EQ(Mismatch(out, Join({a, a, Frames(a, 0, 20000)})), -1);
    EXPECT_TRUE(fatals.empty());
    EXPECT_TRUE(warnings.empty());
}

TEST_F(MuzikTest, LoopCountThenTheHookChainsTheNextMusic) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1);
    const auto b = MakeMusic("muzik02.ksn", kFrames + 10000, 2);
    g_hook.names = {"muzik02.ksn"};
    g_hook.marks = {0};
    OrvMuzik_SetLoadHook(scriptedHook);
    ASSERT_TRUE(OrvMuzik_Start("muzik01.ksn", 0, 3));
    const auto out = Listen(3 * kFrames + (kFrames + 10000) + 10000);
    EXPECT_EQ(Mismatch(out, Join({a, a, a, b, Frames(b, 0, 10000)})), -1);
    EXPECT_EQ(g_hook.calls, 2);  // after the third play of the first, then at the end of the second
    const std::string log = ReadFileText(dir / "quillmar2.log");
    EXPECT_NE(log.find("--- loop :OrvMuzik_nb_loop = 2"), std::string::npos);
    EXPECT_NE(log.find("--- loop :OrvMuzik_nb_loop = 1"), std::string::npos);
    EXPECT_TRUE(fatals.empty());
}

TEST_F(MuzikTest, StartsAtMarksAndJumps) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1, {40000, 90000});
    ASSERT_TRUE(OrvMuzik_Start("muzik01.ksn", 1, 0));
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_START_AT_MARK);
    auto out = Listen(110000);
    EXPECT_EQ(OrvMuzik_GetMarkCount(), 2);
    EXPECT_EQ(Mismatch(out, Join({Frames(a, 40000, 100000), Frames(a, 0, 10000)})), -1);
    // A jump takes effect at once; the music then goes on from the mark.
    ASSERT_TRUE(OrvMuzik_GotoMark(2));
    EXPECT_EQ(OrvMuzik_GetCurrentMark(), 2);
    out = Listen(60000);
    EXPECT_EQ(Mismatch(out, Join({Frames(a, 90000, 50000), Frames(a, 0, 10000)})), -1);
    ASSERT_TRUE(OrvMuzik_GotoMark(0));
    out = Listen(20000);
    EXPECT_EQ(Mismatch(out, Frames(a, 0, 20000)), -1);
    // The hook may chain a music at a mark; the same music named again starts from its beginning.
    g_hook.names = {"muzik01.ksn"};
    g_hook.marks = {2};
    OrvMuzik_SetLoadHook(scriptedHook);
    out = Listen(kFrames);
    EXPECT_EQ(Mismatch(out, Join({Frames(a, 20000, kFrames - 20000), Frames(a, 0, 20000)})), -1);
    EXPECT_TRUE(fatals.empty());
}

TEST_F(MuzikTest, RandomMarksAvoidTheCurrentOne) {
    MakeMusic("muzik01.ksn", kFrames, 1, {20000, 50000, 80000});
    ASSERT_TRUE(OrvMuzik_Start("muzik01.ksn", 2, 0));
    OrvMuzik_Run();
    ASSERT_EQ(OrvMuzik_GetCurrentMark(), 2);
    orv_srand(99);
    int seen[4] = {0, 0, 0, 0};
    for (int i = 0; i < 400; ++i) {
        const int m = OrvMuzik_GetRandomMark();
        ASSERT_GE(m, 0);
        ASSERT_LE(m, 3);
        seen[m]++;
    }
    EXPECT_EQ(seen[2], 0);
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[3], 0);
    ASSERT_TRUE(OrvMuzik_GotoMark(-1));
    EXPECT_NE(OrvMuzik_GetCurrentMark(), 2);
}

TEST_F(MuzikTest, MarkFiles) {
    MakeMusic("muzik01.ksn", kFrames, 1, {20000, 50000});
    const std::string spp = ReadFileText(Music("muzik01.spp"));
    ASSERT_EQ(spp.size(), 112u);
    auto open = [](const char* name) {
        OrvMuzik_MainInit();
        OrvMuzik_Play(name);
        OrvMuzik_Run();
        return OrvMuzik_GetMarkCount();
    };
    EXPECT_EQ(open("muzik01.ksn"), 2);
    WriteFileBytes(Music("muzik01.spp"), spp.data(), 100);
    EXPECT_EQ(open("muzik01.ksn"), 0);
    EXPECT_TRUE(Fatal("Load_Spp() : fichier SPP invalide : "));
    EXPECT_TRUE(Fatal("(sizeof(ST_tbl_mark)=56)"));
    // Marks that no decoder of this music could have written are refused whole.
    const size_t fieldAt[] = {56 + 0, 56 + 4 + 20, 56 + 4 + 32, 56 + 4 + 12};
    const uint32_t value[] = {kFrames, 1, 99, 44100};
    for (int i = 0; i < 4; ++i) {
        std::string bad = spp;
        std::memcpy(bad.data() + fieldAt[i], &value[i], 4);
        WriteFileBytes(Music("muzik01.spp"), bad.data(), bad.size());
        warnings.clear();
        EXPECT_EQ(open("muzik01.ksn"), 0) << i;
        EXPECT_TRUE(Warned("Load_Spp() : marque 2 invalide : ")) << i;
    }
    WriteFileBytes(Music("muzik01.spp"), "", 0);
    EXPECT_EQ(open("muzik01.ksn"), 0);

    std::string out;
    EXPECT_TRUE(music_name_to_spp_name("music/muzik07.ksn", &out));
    EXPECT_EQ(out, "music/muzik07.SPP");
    EXPECT_FALSE(music_name_to_spp_name("music/muzik07.wav", &out));
    EXPECT_TRUE(Warned("music_name_to_spp_name(): music filename non KSN:music/muzik07.wav"));
    EXPECT_FALSE(music_name_to_spp_name("ksn", &out));
    EXPECT_TRUE(Fatal("music_name_to_spp_name(len<4)"));
    EXPECT_EQ(music_number_from_name("music/muzik07.ksn"), 7);
    EXPECT_EQ(music_number_from_name("muzik12.ksn"), 12);
    EXPECT_EQ(music_number_from_name("theme.ksn"), -1);
}

TEST_F(MuzikTest, FadesAndVolumeRules) {
    EXPECT_FALSE(OrvMuzik_SetMaxVol(128));
    EXPECT_FALSE(OrvMuzik_SetMaxVol(-1));
    EXPECT_EQ(OrvMuzik_GetMaxVol(), 127);
    MakeMusic("muzik01.ksn", kFrames, 1);
    const auto b = MakeMusic("muzik02.ksn", kFrames, 2);
    OrvMuzik_Play("muzik01.ksn");
    OrvMuzik_Run();
    Listen(5000);

    // A start while playing waits for the fade-out: 127 steps a second.
    OrvMuzik_Play("muzik02.ksn");
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_FADING);
    Fade(0.0);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 127);
    Fade(0.5);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 64);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_FADING);
    Fade(0.6);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 0);
    Fade(0.0);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_START);
    // Opened at full volume without a fade-in.
    EXPECT_EQ(Mismatch(Listen(3000), Frames(b, 0, 3000)), -1);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 127);

    OrvMuzik_SetVolumePercent(20);
    Fade(0.0);
    Fade(0.5);
    Fade(0.5);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 25);
    Fade(0.0);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_PLAYING);

    // A fade left for more than two seconds starts again from where it is.
    OrvMuzik_SetVolumePercent(100);
    Fade(0.0);
    Fade(0.25);
    const int reached = OrvMuzik_GetCurrentVol();
    EXPECT_GT(reached, 25);
    Fade(3.0);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), reached);
    Fade(0.0);
    Fade(0.2);
    EXPECT_GT(OrvMuzik_GetCurrentVol(), reached);

    // The low-volume flag waits for the next start.
    OrvMuzik_SetLowVolume(true);
    Fade(1.5);
    Fade(0.0);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 127);
    OrvMuzik_Stop();
    Fade(0.0);
    Fade(1.1);
    Fade(0.0);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_STOP);
    OrvMuzik_Step();
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_IDLE);
    EXPECT_EQ(OrvSound_GetVoiceHandle(VOICE_MUSIC), ORVSOUND_NO_HANDLE);
    OrvMuzik_Play("muzik01.ksn");
    OrvMuzik_Run();
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), MUSIC_LOW_VOLUME);
    EXPECT_TRUE(fatals.empty());
}

TEST_F(MuzikTest, BadMusicsLeaveTheMachineIdle) {
    auto start = [](const char* name, int mark = 0) {
        OrvMuzik_MainInit();
        OrvMuzik_Start(name, mark, 0);
        OrvMuzik_Run();
        return OrvMuzik_GetState();
    };
    EXPECT_EQ(start("absent.ksn"), MUZIK_IDLE);
    EXPECT_TRUE(fatals.empty());

    ASSERT_TRUE(KsnWriter_Save(Music("muzik02.ksn"), KsnWriter_TestSignal(300000, 1, 1), 1, 22050));
    EXPECT_EQ(start("muzik02.ksn"), MUZIK_IDLE);
    EXPECT_TRUE(Warned("init_read_music_data() : musique mono refusée"));

    MakeMusic("muzik03.ksn", kFrames, 3);
    const std::string bytes = ReadFileText(Music("muzik03.ksn"));
    WriteFileBytes(Music("muzik03.ksn"), bytes.data(), bytes.size() - 100);
    EXPECT_EQ(start("muzik03.ksn"), MUZIK_IDLE);
    EXPECT_TRUE(Warned(
        "init_read_music_data(): Fichier musique corrompu: taille datas fichier*4=559600, taille header=560000"));
    EXPECT_FALSE(OrvFile_Exists(Music("muzik03.ksn").c_str()));  // deleted for a fresh copy

    MakeMusic("muzik04.ksn", 100000, 4);
    EXPECT_EQ(start("muzik04.ksn"), MUZIK_IDLE);
    EXPECT_TRUE(Fatal("init_read_music_data() : musique trop courte (400000 octets PCM)"));
    EXPECT_EQ(OrvSound_GetVoiceHandle(VOICE_MUSIC), ORVSOUND_NO_HANDLE);

    MakeMusic("muzik05.ksn", kFrames, 5, {50000, 125000});
    fatals.clear();
    EXPECT_EQ(start("muzik05.ksn", 2), MUZIK_IDLE);
    EXPECT_TRUE(Fatal("OrvMuzik_GotoMark(): trop pres de la fin"));
    EXPECT_EQ(start("muzik05.ksn", 5), MUZIK_IDLE);
    EXPECT_TRUE(Fatal("OrvMuzik_GotoMark(5) invalide  tbl_mark="));
    EXPECT_FALSE(OrvMuzik_GotoMark(1));
    EXPECT_TRUE(Warned("OrvMuzik_GotoMark(1) : music_file=NULL!!"));
    EXPECT_EQ(OrvFile_OpenCount(), 0);
}

TEST_F(MuzikTest, AChainedMusicThatCannotOpenEndsTheMusicAfterWhatIsBuffered) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1);
    g_hook.names = {"absent.ksn"};
    g_hook.marks = {0};
    OrvMuzik_SetLoadHook(scriptedHook);
    OrvMuzik_Play("muzik01.ksn");
    const auto out = Listen(kFrames + 40000);
    EXPECT_EQ(Mismatch(out, Join({a, std::vector<int16_t>(80000, 0)})), -1);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_IDLE);
    // Nothing stale is replayed.
    EXPECT_EQ(Listen(MUSIC_BUFFER_SIZE / 4), std::vector<int16_t>(size_t(MUSIC_BUFFER_SIZE / 2), 0));
    EXPECT_EQ(OrvFile_OpenCount(), 0);
}

TEST_F(MuzikTest, RawPcmMusic) {
    auto pcm = KsnWriter_TestSignal(kFrames, 2, 9);
    ASSERT_TRUE(WriteFileBytes(Music("theme.wav"), pcm.data(), pcm.size() * 2));
    OrvMuzik_Play("theme.wav");
    EXPECT_EQ(Mismatch(Listen(kFrames + 1000), Join({pcm, Frames(pcm, 0, 1000)})), -1);
    EXPECT_EQ(OrvMuzik_GetMarkCount(), 0);
}

TEST_F(MuzikTest, AnInactiveWindowPausesTheOutput) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1);
    OrvMuzik_Play("muzik01.ksn");
    auto before = Listen(10000);
    SysSnd_PauseDevice(true);
    // The main loop no longer refills: the device must not run on into stale data.
    EXPECT_EQ(Render(200000), std::vector<int16_t>(400000, 0));
    SysSnd_PauseDevice(false);
    const auto after = Listen(kFrames - 10000);
    before.insert(before.end(), after.begin(), after.end());
    EXPECT_EQ(Mismatch(before, a), -1);
}

TEST_F(MuzikTest, DemoSoundsLoadAndPlay) {
    ASSERT_TRUE(DemoAudio_Write(dir.Path()));
    ASSERT_TRUE(OrvMuzik_Start("muzik01.ksn", 2, 0));
    const auto out = Listen(22050);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_PLAYING);
    EXPECT_EQ(OrvMuzik_GetMarkCount(), 2);
    EXPECT_EQ(Mismatch(out, Frames(Decode(Music("muzik01.ksn")), 8 * 22050, 22050)), -1);
    for (const char* name : {"vent.ksn", "oiseau.ksn", "gouttes.ksn"}) {
        const int id = OrvSound_load(name, nullptr);
        ASSERT_GE(id, 0) << name;
        EXPECT_EQ(OrvSound_play(id, 4), 4);
    }
    EXPECT_TRUE(warnings.empty());
    EXPECT_TRUE(fatals.empty());
}
