// Mixer and sound layer: volume and pan law, resampling, loops, locks, handles, devices and their reports.
#include <SDL.h>

#include <cmath>
#include <cstring>

#include "AudioTestUtil.h"
#include "app/Clock.h"

namespace {

// A buffer of the given samples (repeated to fill `frames`), created in the mixer directly.
void fill(SoundMixer& m, int slot, int rate, int channels, int frames, const std::vector<int16_t>& samples) {
    ASSERT_EQ(m.Create(slot, rate, 16, channels, frames * 2 * channels), SND_OK);
    void* p = nullptr;
    int n = 0;
    ASSERT_EQ(m.Lock(slot, 0, frames * 2 * channels, &p, &n), SND_OK);
    for (int i = 0; i < frames * channels; ++i) static_cast<int16_t*>(p)[i] = samples[size_t(i) % samples.size()];
    ASSERT_EQ(m.Unlock(slot), SND_OK);
}

std::vector<int16_t> mix(SoundMixer& m, int frames) {
    std::vector<int16_t> out(size_t(frames) * 2);
    m.Render(out.data(), frames);
    return out;
}

using SysSndTest = AudioTest;

}  // namespace

TEST(SoundMixer, VolumeAndPanLaw) {
    SoundMixer m;
    fill(m, 1, 22050, 2, 64, {10000});
    ASSERT_EQ(m.Play(1, true), SND_OK);
    struct Case {
        int volume, pan;
        double left, right;
    } cases[] = {
        {0, 0, 1.0, 1.0},
        {-600, 0, std::pow(10.0, -0.3), std::pow(10.0, -0.3)},
        {0, 1000, std::pow(10.0, -0.5), 1.0},  // positive pan: the left channel loses pan/100 dB
        {0, -2000, 1.0, 0.1},                  // negative pan: the right one
        {-2000, 10000, 0.0, 0.1},
        {-10000, 0, 0.0, 0.0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(m.SetVolume(1, c.volume), SND_OK);
        ASSERT_EQ(m.SetPan(1, c.pan), SND_OK);
        const auto out = mix(m, 8);
        EXPECT_NEAR(out[6], 10000 * c.left, 0.51) << c.volume << " " << c.pan;
        EXPECT_NEAR(out[7], 10000 * c.right, 0.51) << c.volume << " " << c.pan;
    }
    EXPECT_EQ(m.SetVolume(1, 1), SND_ERR_INVALIDPARAM);
    EXPECT_EQ(m.SetVolume(1, -10001), SND_ERR_INVALIDPARAM);
    EXPECT_EQ(m.SetPan(1, 10001), SND_ERR_INVALIDPARAM);
}

TEST(SoundMixer, ResamplesEachBufferFromItsOwnFormat) {
    SoundMixer m(22050);
    // Mono at half the output rate: each source sample, then the mean of it and the next, on both sides.
    const std::vector<int16_t> ramp = {0, 1000, 3000, -3000, 500, 500, 0, 2000};
    fill(m, 3, 11025, 1, 8, ramp);
    ASSERT_EQ(m.Play(3, false), SND_OK);
    const auto out = mix(m, 20);
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(out[4 * i], ramp[i]);
        EXPECT_EQ(out[4 * i + 1], ramp[i]);
        EXPECT_EQ(out[4 * i + 2], (ramp[i] + ramp[i + 1]) / 2);
    }
    // The one-shot ends after its sixteen output frames: silence and a stopped status.
    EXPECT_EQ(out[2 * 16], 0);
    uint32_t status = 99;
    ASSERT_EQ(m.GetStatus(3, &status), SND_OK);
    EXPECT_EQ(status, 0u);
    // Stereo at twice the rate keeps its channels apart.
    std::vector<int16_t> st;
    for (int i = 0; i < 16; ++i) st.insert(st.end(), {int16_t(100 * i), -7});
    fill(m, 4, 44100, 2, 16, st);
    ASSERT_EQ(m.Play(4, false), SND_OK);
    const auto fast = mix(m, 4);
    EXPECT_EQ(fast[4], 400);  // two source frames per output frame
    EXPECT_EQ(fast[5], -7);
}

TEST(SoundMixer, LoopsWrapAndSumsSaturate) {
    SoundMixer m;
    fill(m, 1, 22050, 1, 10, {30000});
    fill(m, 2, 22050, 2, 10, {30000});
    ASSERT_EQ(m.Play(1, true), SND_OK);
    ASSERT_EQ(m.Play(2, true), SND_OK);
    EXPECT_EQ(mix(m, 25)[48], 32767);
    int play = -1;
    ASSERT_EQ(m.GetPosition(1, &play, nullptr), SND_OK);
    EXPECT_EQ(play, 5 * 2);  // 25 frames into a loop of 10
    ASSERT_EQ(m.Stop(1), SND_OK);
    ASSERT_EQ(m.Stop(2), SND_OK);
    EXPECT_EQ(mix(m, 4), std::vector<int16_t>(8, 0));
}

TEST(SoundMixer, LockHandsOutACopyUntilUnlock) {
    SoundMixer m;
    fill(m, 5, 22050, 2, 16, {7});
    void* p = nullptr;
    int n = 0;
    // The region is cut at the end of the buffer; a second lock waits for the unlock.
    ASSERT_EQ(m.Lock(5, 48, 1000, &p, &n), SND_OK);
    EXPECT_EQ(n, 16);
    void* q = nullptr;
    int k = 0;
    EXPECT_EQ(m.Lock(5, 0, 4, &q, &k), SND_ERR_LOCKED);
    static_cast<int16_t*>(p)[0] = 1234;
    ASSERT_EQ(m.SetPosition(5, 48), SND_OK);
    ASSERT_EQ(m.Play(5, true), SND_OK);
    EXPECT_EQ(mix(m, 1)[0], 7);  // not written back yet
    ASSERT_EQ(m.Unlock(5), SND_OK);
    ASSERT_EQ(m.SetPosition(5, 48), SND_OK);
    EXPECT_EQ(mix(m, 1)[0], 1234);
    EXPECT_EQ(m.Unlock(5), SND_ERR_NOTLOCKED);
    EXPECT_EQ(m.Lock(5, 64, 4, &q, &k), SND_ERR_INVALIDPARAM);
    EXPECT_EQ(m.Create(5, 22050, 16, 2, 64), SND_ERR_INVALIDPARAM);  // slot taken
}

TEST_F(SysSndTest, HandlesAreGivenLowestFirstAndRangeChecked) {
    auto get = [](SoundHandle* h, int bits = 16, SoundHandle wanted = 0) {
        return SysSnd_GetSoundBuffer(0, 22050, 64, bits, 2, h, wanted);
    };
    SoundHandle h = 0;
    ASSERT_EQ(get(nullptr, 16, 7), 0);
    EXPECT_EQ(get(nullptr, 16, 7), 1);
    EXPECT_TRUE(Fatal("SysSnd_GetSoundBufferHandle() :too many handle opened!"));
    for (int i = 1; i <= 255; ++i) {
        if (i == 7) continue;
        ASSERT_EQ(get(&h), 0);
        ASSERT_EQ(h, i);
    }
    lines.clear();
    EXPECT_EQ(get(&h), 1);
    EXPECT_TRUE(Fatal("SysSnd_GetSoundBufferHandle() :too many handle opened!"));
    // A released handle is given out again; a buffer that cannot be created leaves its handle free.
    ASSERT_EQ(SysSnd_ReleaseSoundBuffer(42), 0);
    EXPECT_EQ(get(&h, 8), 1);
    EXPECT_TRUE(Fatal("SysSnd_GetSoundBuffer(): erreur create buffer sound: Result=-2"));
    ASSERT_EQ(get(&h), 0);
    EXPECT_EQ(h, 42);
    EXPECT_EQ(SysSnd_GetSoundBuffer(16, 22050, 64, 16, 2, &h, 0), 1);
    EXPECT_TRUE(Fatal("GetSoundBuffer() NumSoundCard too High"));
    // Shut-down frees every buffer and handle.
    SysSnd_MainClose();
    EXPECT_TRUE(NoBuffers());
    ASSERT_EQ(SysSnd_MainInit(nullptr), 1);
    ASSERT_EQ(get(&h), 0);
    EXPECT_EQ(h, 1);
}

// Calls on handles without a buffer neither fail nor crash, except a lock and a play, which report.
TEST_F(SysSndTest, OperationsWithoutABuffer) {
    for (SoundHandle h : {SoundHandle(0), SoundHandle(300), ORVSOUND_NO_HANDLE, SoundHandle(17)}) {
        int play = -1;
        uint32_t status = 0;
        EXPECT_EQ(SysSnd_GetSoundPosition(h, &play, &play) + SysSnd_SetSoundVolume(h, -100) + SysSnd_StopSound(h), 0);
        EXPECT_EQ(SysSnd_GetSoundStatus(h, &status), 0);
        EXPECT_EQ(status, 0xFFFFFFFFu);
        EXPECT_FALSE(AnyFatal());
        void* data = &status;
        int len = 5;
        EXPECT_EQ(SysSnd_LockSoundBuffer(h, 0, 64, &data, &len), 1);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(len, 0);
        EXPECT_EQ(SysSnd_PlaySound(h, 0), 1);
        EXPECT_TRUE(Fatal("SysSnd_PlaySound() : Result=123456"));
        lines.clear();
    }
}

// The play clock runs with the global clock and stands still while the output is paused.
TEST_F(SysSndTest, ThePlayClockStandsStillWhileTheOutputIsPaused) {
    CTManualClock manual(50.0);
    const double t0 = SysSnd_GetPlayTime();
    manual.Advance(1.5);
    EXPECT_DOUBLE_EQ(SysSnd_GetPlayTime() - t0, 1.5);
    SysSnd_PauseDevice(true);
    SysSnd_PauseDevice(true);  // a second pause changes nothing
    manual.Advance(4.0);
    EXPECT_DOUBLE_EQ(SysSnd_GetPlayTime() - t0, 1.5);
    SysSnd_PauseDevice(false);
    manual.Advance(0.25);
    EXPECT_DOUBLE_EQ(SysSnd_GetPlayTime() - t0, 1.75);
    // A shut-down while paused resumes the clock where it stood.
    SysSnd_PauseDevice(true);
    manual.Advance(3.0);
    SysSnd_MainClose();
    manual.Advance(0.5);
    EXPECT_DOUBLE_EQ(SysSnd_GetPlayTime() - t0, 2.25);
    ASSERT_EQ(SysSnd_MainInit(nullptr), 1);
}

namespace {
class NoDeviceTest : public AudioTest {
protected:
    SysSndDriver Driver() const override { return SysSndDriver::None; }
};
}  // namespace

TEST_F(NoDeviceTest, RunsSilentWithTwoWarnings) {
    EXPECT_TRUE(Warned("SysSnd_MainInit (no soundcard)"));
    EXPECT_TRUE(Warned("OrvSound_MainInit() : carte son non dispo"));
    EXPECT_FALSE(OrvSound_Available());
    ASSERT_TRUE(KsnWriter_Save(Ksn("bip.ksn"), KsnWriter_TestSignal(500, 1, 3), 1, 22050));
    const int id = OrvSound_load("bip.ksn", nullptr);
    ASSERT_GE(id, 0);
    EXPECT_EQ(OrvSound_play(id, 4), 4);
    EXPECT_EQ(OrvSound_get_voice_state(4), 0);
    EXPECT_TRUE(OrvMuzik_Play("muzik01.ksn"));
    EXPECT_FALSE(OrvMuzik_Step());
    EXPECT_FALSE(AnyFatal());
}

// The SDL device opens with the dummy driver, and its own thread mixes while this one changes buffers.
TEST(SysSndSdl, RealDeviceOpensAndPlays) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SysSnd_SelectDriver(SysSndDriver::Sdl);
    ASSERT_EQ(SysSnd_MainInit(nullptr), 1);
    SoundHandle h = 0;
    ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 22050 * 4, 16, 2, &h, 0), 0);
    ASSERT_EQ(SysSnd_PlaySound(h, 1), 0);
    int play = 0;
    for (int i = 0; i < 200 && play == 0; ++i) {
        void* p = nullptr;
        int n = 0;
        ASSERT_EQ(SysSnd_LockSoundBuffer(h, 40000, 4096, &p, &n), 0);
        std::memset(p, i, size_t(n));
        ASSERT_EQ(SysSnd_UnlockSoundBuffer(h), 0);
        SDL_Delay(5);
        SysSnd_GetSoundPosition(h, &play, nullptr);
    }
    EXPECT_GT(play, 0);
    SysSnd_MainClose();
}
