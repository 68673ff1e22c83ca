// Streamed music: seamless refills, loops, chained musics, marks, fades, volume rules, bad files.
#include <algorithm>
#include <filesystem>
#include <cstring>
#include <memory>

#include "AudioTestUtil.h"
#include "app/Clock.h"
#include "menus/Orv_MenuHooks.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kFrames = 140000;  // 560000 bytes of PCM: more than the buffer

// The music the hook chains once, and how many times it was asked.
struct HookScript {
    std::string name;
    int mark = 0, calls = 0;
} g_hook;

int scriptedHook(std::string& name, int& mark, int& loops) {
    if (g_hook.calls++ > 0) return 0;
    name = g_hook.name;
    mark = g_hook.mark;
    loops = 0;
    return 2;
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
    static void Chain(const char* name, int mark) {
        g_hook = HookScript{name, mark};
        OrvMuzik_SetLoadHook(scriptedHook);
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
    // A fresh machine told to start a music; returns the state once the loader has run.
    static int32_t Restart(const char* name, int mark = 0) {
        OrvMuzik_MainInit();
        OrvMuzik_Start(name, mark, 0);
        OrvMuzik_Run();
        return OrvMuzik_GetState();
    }
    static void Fade(double seconds) {
        CTClock::Wait(seconds);
        OrvMuzik_Step();
    }
};

}  // namespace

TEST_F(MuzikTest, PlaysSeamlesslyAcrossRefillsLoopsAndAPause) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1);
    ASSERT_TRUE(OrvMuzik_Play("muzik01.ksn"));
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_START);  // idle: starts at once
    auto out = Listen(10000);
    // An inactive window pauses the device: the main loop no longer refills, so it must not run into stale data.
    SysSnd_PauseDevice(true);
    EXPECT_EQ(Render(200000), std::vector<int16_t>(400000, 0));
    SysSnd_PauseDevice(false);
    const auto rest = Listen(2 * kFrames + 10000);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(Mismatch(out, Join({a, a, Frames(a, 0, 20000)})), -1);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 127);
    EXPECT_FALSE(AnyFatal());
    EXPECT_FALSE(AnyWarning());
}

TEST_F(MuzikTest, LoopCountThenTheHookChainsTheNextMusic) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1);
    const auto b = MakeMusic("muzik02.ksn", kFrames + 10000, 2);
    Chain("muzik02.ksn", 0);
    ASSERT_TRUE(OrvMuzik_Start("muzik01.ksn", 0, 3));
    const auto out = Listen(3 * kFrames + (kFrames + 10000) + 10000);
    EXPECT_EQ(Mismatch(out, Join({a, a, a, b, Frames(b, 0, 10000)})), -1);
    EXPECT_EQ(g_hook.calls, 2);  // after the third play of the first, then at the end of the second
    EXPECT_FALSE(AnyFatal());
}

TEST_F(MuzikTest, StartsAtMarksAndJumps) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1, {40000, 90000});
    ASSERT_TRUE(OrvMuzik_Start("muzik01.ksn", 1, 0));
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_START_AT_MARK);
    auto out = Listen(110000);
    EXPECT_EQ(Mismatch(out, Join({Frames(a, 40000, 100000), Frames(a, 0, 10000)})), -1);
    // A jump takes effect at once; the music then goes on from the mark.
    ASSERT_TRUE(OrvMuzik_GotoMark(2));
    out = Listen(60000);
    EXPECT_EQ(Mismatch(out, Join({Frames(a, 90000, 50000), Frames(a, 0, 10000)})), -1);
    ASSERT_TRUE(OrvMuzik_GotoMark(0));
    out = Listen(20000);
    EXPECT_EQ(Mismatch(out, Frames(a, 0, 20000)), -1);
    // The hook may chain a music at a mark; the same music named again starts from its beginning.
    Chain("muzik01.ksn", 2);
    out = Listen(kFrames);
    EXPECT_EQ(Mismatch(out, Join({Frames(a, 20000, kFrames - 20000), Frames(a, 0, 20000)})), -1);
    EXPECT_FALSE(AnyFatal());
}

TEST_F(MuzikTest, RandomMarksAvoidTheCurrentOne) {
    MakeMusic("muzik01.ksn", kFrames, 1, {20000, 50000, 80000});
    ASSERT_EQ(Restart("muzik01.ksn", 2), MUZIK_PLAYING);
    orv_srand(99);
    int seen[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < 400; ++i) seen[std::clamp(OrvMuzik_GetRandomMark(), 0, 4)]++;
    EXPECT_EQ(seen[2] + seen[4], 0);
    EXPECT_TRUE(seen[0] && seen[1] && seen[3]);
}

TEST_F(MuzikTest, TruncatedAndImpossibleMarkFilesAreRefused) {
    MakeMusic("muzik01.ksn", kFrames, 1, {20000, 50000});
    const std::string spp = ReadFileText(Music("muzik01.spp"));
    ASSERT_EQ(spp.size(), 112u);
    Restart("muzik01.ksn");
    EXPECT_EQ(OrvMuzik_GetMarkCount(), 2);
    WriteFileBytes(Music("muzik01.spp"), spp.data(), 100);
    Restart("muzik01.ksn");
    EXPECT_EQ(OrvMuzik_GetMarkCount(), 0);
    EXPECT_TRUE(Fatal("Load_Spp() : fichier SPP invalide : "));
    // Marks that no decoder of this music could have written are refused whole.
    const size_t fieldAt[] = {56 + 0, 56 + 4 + 20, 56 + 4 + 32, 56 + 4 + 12};
    const uint32_t value[] = {kFrames, 1, 99, 44100};
    for (int i = 0; i < 4; ++i) {
        std::string bad = spp;
        std::memcpy(bad.data() + fieldAt[i], &value[i], 4);
        WriteFileBytes(Music("muzik01.spp"), bad.data(), bad.size());
        lines.clear();
        Restart("muzik01.ksn");
        EXPECT_EQ(OrvMuzik_GetMarkCount(), 0) << i;
        EXPECT_TRUE(Warned("Load_Spp() : marque 2 invalide : ")) << i;
    }
    EXPECT_EQ(music_number_from_name("music/muzik07.ksn"), 7);
    EXPECT_EQ(music_number_from_name("theme.ksn"), -1);
}

TEST_F(MuzikTest, FadesAndVolumeRules) {
    MakeMusic("muzik01.ksn", kFrames, 1);
    const auto b = MakeMusic("muzik02.ksn", kFrames, 2);
    OrvMuzik_Play("muzik01.ksn");
    Listen(5000);

    // A start while playing waits for the fade-out: 127 steps a second.
    OrvMuzik_Play("muzik02.ksn");
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_FADING);
    Fade(0.0);
    Fade(0.5);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 64);
    Fade(0.6);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 0);
    Fade(0.0);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_START);
    // Opened at full volume without a fade-in.
    EXPECT_EQ(Mismatch(Listen(3000), Frames(b, 0, 3000)), -1);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 127);

    // A fade to a percentage left for more than two seconds starts again from where it is.
    OrvMuzik_SetVolumePercent(20);
    Fade(0.0);
    Fade(0.25);
    const int reached = OrvMuzik_GetCurrentVol();
    EXPECT_TRUE(reached > 25 && reached < 127) << reached;
    Fade(3.0);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), reached);
    Fade(0.0);
    Fade(1.0);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 25);
    Fade(0.0);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_PLAYING);

    // The low-volume flag waits for the next start.
    OrvMuzik_SetLowVolume(true);
    OrvMuzik_SetVolumePercent(100);
    Fade(0.0);
    Fade(1.5);
    Fade(0.0);
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), 127);
    OrvMuzik_Stop();
    for (double t : {0.0, 1.1, 0.0, 0.0}) Fade(t);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_IDLE);
    EXPECT_EQ(OrvSound_GetVoiceHandle(VOICE_MUSIC), ORVSOUND_NO_HANDLE);
    OrvMuzik_Play("muzik01.ksn");
    OrvMuzik_Run();
    EXPECT_EQ(OrvMuzik_GetCurrentVol(), MUSIC_LOW_VOLUME);
    EXPECT_FALSE(AnyFatal());
}

TEST_F(MuzikTest, BadMusicsLeaveTheMachineIdle) {
    EXPECT_EQ(Restart("absent.ksn"), MUZIK_IDLE);
    EXPECT_FALSE(AnyFatal());

    ASSERT_TRUE(KsnWriter_Save(Music("muzik02.ksn"), KsnWriter_TestSignal(300000, 1, 1), 1, 22050));
    EXPECT_EQ(Restart("muzik02.ksn"), MUZIK_IDLE);
    EXPECT_TRUE(Warned("init_read_music_data() : musique mono refusée"));

    MakeMusic("muzik03.ksn", kFrames, 3);
    const std::string bytes = ReadFileText(Music("muzik03.ksn"));
    WriteFileBytes(Music("muzik03.ksn"), bytes.data(), bytes.size() - 100);
    EXPECT_EQ(Restart("muzik03.ksn"), MUZIK_IDLE);
    EXPECT_TRUE(Warned("init_read_music_data(): Fichier musique corrompu: taille datas fichier*4=559600"));
    EXPECT_FALSE(OrvFile_Exists(Music("muzik03.ksn").c_str()));  // deleted for a fresh copy

    MakeMusic("muzik04.ksn", 100000, 4);
    EXPECT_EQ(Restart("muzik04.ksn"), MUZIK_IDLE);
    EXPECT_TRUE(Fatal("init_read_music_data() : musique trop courte (400000 octets PCM)"));

    MakeMusic("muzik05.ksn", kFrames, 5, {50000, 125000});
    EXPECT_EQ(Restart("muzik05.ksn", 2), MUZIK_IDLE);
    EXPECT_TRUE(Fatal("OrvMuzik_GotoMark(): trop pres de la fin"));
    EXPECT_EQ(Restart("muzik05.ksn", 5), MUZIK_IDLE);
    EXPECT_TRUE(Fatal("OrvMuzik_GotoMark(5) invalide  tbl_mark="));
    EXPECT_EQ(OrvSound_GetVoiceHandle(VOICE_MUSIC), ORVSOUND_NO_HANDLE);
    EXPECT_EQ(OrvFile_OpenCount(), 0);
}

TEST_F(MuzikTest, AChainedMusicThatCannotOpenEndsTheMusicAfterWhatIsBuffered) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1);
    Chain("absent.ksn", 0);
    OrvMuzik_Play("muzik01.ksn");
    const auto out = Listen(kFrames + 40000);
    EXPECT_EQ(Mismatch(out, Join({a, std::vector<int16_t>(80000, 0)})), -1);
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_IDLE);
    // Nothing stale is replayed.
    EXPECT_EQ(Listen(MUSIC_BUFFER_SIZE / 4), std::vector<int16_t>(size_t(MUSIC_BUFFER_SIZE / 2), 0));
    EXPECT_EQ(OrvFile_OpenCount(), 0);
}


TEST_F(MuzikTest, AMusicCutShortIsRefusedAtOpenAndEndsWithAWarningWhenCutWhilePlaying) {
    MakeMusic("muzik06.ksn", kFrames, 6);
    const std::string bytes = ReadFileText(Music("muzik06.ksn"));
    WriteFileBytes(Music("muzik06.ksn"), bytes.data(), bytes.size() - 1);  // four bytes of PCM short
    EXPECT_EQ(Restart("muzik06.ksn"), MUZIK_IDLE);
    EXPECT_TRUE(Warned("init_read_music_data(): Fichier musique corrompu: taille datas fichier*4=559996"));

    // Cut while it plays, within its last piece: it ends where its data ends.
    const auto a = MakeMusic("theme.ksn", kFrames, 7);
    const uint32_t kept = kFrames - 100;
    OrvMuzik_Play("theme.ksn");
    auto out = Listen(1000);
    fs::resize_file(Music("theme.ksn"), KSN_HEADER_SIZE + kept);
    const auto rest = Listen(kFrames + 40000 - 1000);
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_EQ(Mismatch(out, Join({Frames(a, 0, kept), std::vector<int16_t>(2 * (kFrames + 40000 - kept), 0)})), -1);
    EXPECT_TRUE(Warned("read_music_data() : fin de musique tronquée (400 octets PCM manquent)"));
    EXPECT_FALSE(AnyFatal());
    EXPECT_EQ(OrvMuzik_GetState(), MUZIK_IDLE);
    EXPECT_EQ(OrvFile_OpenCount(), 0);
}

TEST_F(MuzikTest, AChainedMusicOfAnotherRatePlaysAtItsOwnRate) {
    const auto a = MakeMusic("muzik01.ksn", kFrames, 1);
    ASSERT_TRUE(KsnWriter_Save(Music("muzik02.ksn"), KsnWriter_TestSignal(kFrames, 2, 2), 2, 11025));
    // The second music alone, as the offline device plays it.
    ASSERT_EQ(Restart("muzik02.ksn"), MUZIK_PLAYING);
    const auto alone = Listen(60000);
    ASSERT_NE(alone, std::vector<int16_t>(alone.size(), 0));

    Restart("muzik01.ksn");
    Chain("muzik02.ksn", 0);
    const auto out = Listen(kFrames + 20000 + 60000);
    EXPECT_EQ(Mismatch(Frames(out, 0, kFrames), a), -1);
    // After what was buffered of the first, a short silence, then the second sample for sample.
    size_t start = kFrames;
    while (start < kFrames + 20000 && Frames(out, start, 60000) != alone) ++start;
    EXPECT_LT(start, kFrames + 20000u);
    EXPECT_EQ(Frames(out, kFrames, start - kFrames), std::vector<int16_t>(2 * (start - kFrames), 0));
    EXPECT_FALSE(AnyFatal());
}

TEST_F(MuzikTest, AStepCausedByAStepDoesNothing) {
    // A corrupt copy is replaced from the CD under the please-wait page, whose frames step the music.
    MakeMusic("muzik01.ksn", kFrames, 1);
    fs::create_directories(dir / "datas_q2/ksn/music");
    fs::copy_file(Music("muzik01.ksn"), dir / "datas_q2/ksn/music/muzik01.ksn");
    const std::string bytes = ReadFileText(Music("muzik01.ksn"));
    WriteFileBytes(Music("muzik01.ksn"), bytes.data(), bytes.size() - 10);
    ASSERT_TRUE(WriteFileText(dir / cd_probe_name(1), "cd"));
    OrvFile_SetCDRoot(1, dir.Path());
    ASSERT_TRUE(cd_request(1, 0));
    int nested = 0;
    static int* nestedSteps = nullptr;
    nestedSteps = &nested;
    MenuHooks.Muzik_Step = [] {
        ++*nestedSteps;
        return OrvMuzik_Step();
    };
    EXPECT_EQ(Restart("muzik01.ksn"), MUZIK_PLAYING);
    MenuHooks.Muzik_Step = nullptr;
    EXPECT_GT(nested, 0);
    // The copy being written was not opened meanwhile: every open of the music found it.
    const std::string log = ReadFileText(dir / "quillmar2.log");
    EXPECT_EQ(log.find("ORV OPEN R (" + Music("muzik01.ksn") + ") = 0"), std::string::npos);
    EXPECT_EQ(ReadFileText(Music("muzik01.ksn")), bytes);
    EXPECT_FALSE(AnyFatal());
}
