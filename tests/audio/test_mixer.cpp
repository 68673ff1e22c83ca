// Mixer and sound layer: volume and pan law, resampling, loops, locks, handles, devices and their reports.
#include <SDL.h>

#include <cmath>
#include <cstring>

#include "AudioTestUtil.h"

namespace {

// A buffer of one constant frame value, created in the mixer directly.
void constantBuffer(SoundMixer& m, int slot, int rate, int channels, int frames, int16_t value) {
    ASSERT_EQ(m.Create(slot, rate, 16, channels, frames * 2 * channels), SND_OK);
    void* p = nullptr;
    int n = 0;
    ASSERT_EQ(m.Lock(slot, 0, frames * 2 * channels, &p, &n), SND_OK);
    auto* s = static_cast<int16_t*>(p);
    for (int i = 0; i < frames * channels; ++i) s[i] = value;
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
    constantBuffer(m, 1, 22050, 2, 64, 10000);
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
    ASSERT_EQ(m.Create(3, 11025, 16, 1, 8 * 2), SND_OK);
    void* p = nullptr;
    int n = 0;
    ASSERT_EQ(m.Lock(3, 0, 16, &p, &n), SND_OK);
    const int16_t ramp[8] = {0, 1000, 3000, -3000, 500, 500, 0, 2000};
    std::memcpy(p, ramp, sizeof ramp);
    ASSERT_EQ(m.Unlock(3), SND_OK);
    ASSERT_EQ(m.Play(3, false), SND_OK);
    const auto out = mix(m, 20);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(out[4 * i], ramp[i]);
        EXPECT_EQ(out[4 * i + 1], ramp[i]);
        EXPECT_EQ(out[4 * i + 2], (ramp[i] + ramp[i + 1]) / 2);
    }
    // The one-shot ends after its sixteen output frames: silence and a stopped status.
    EXPECT_EQ(out[2 * 16], 0);
    uint32_t status = 99;
    ASSERT_EQ(m.GetStatus(3, &status), SND_OK);
    EXPECT_EQ(status, 0u);
    // Stereo at a third of the rate keeps its channels apart.
    ASSERT_EQ(m.Create(4, 44100, 16, 2, 16 * 4), SND_OK);
    ASSERT_EQ(m.Lock(4, 0, 64, &p, &n), SND_OK);
    auto* s = static_cast<int16_t*>(p);
    for (int i = 0; i < 16; ++i) {
        s[2 * i] = int16_t(100 * i);
        s[2 * i + 1] = int16_t(-7);
    }
    ASSERT_EQ(m.Unlock(4), SND_OK);
    ASSERT_EQ(m.Play(4, false), SND_OK);
    const auto fast = mix(m, 4);
    EXPECT_EQ(fast[2], 200);  // two source frames per output frame
    EXPECT_EQ(fast[4], 400);
    EXPECT_EQ(fast[5], -7);
}

TEST(SoundMixer, LoopsWrapAndSumsSaturate) {
    SoundMixer m;
    constantBuffer(m, 1, 22050, 1, 10, 30000);
    constantBuffer(m, 2, 22050, 2, 10, 30000);
    ASSERT_EQ(m.Play(1, true), SND_OK);
    ASSERT_EQ(m.Play(2, true), SND_OK);
    const auto out = mix(m, 25);
    EXPECT_EQ(out[48], 32767);
    int play = -1, write = -1;
    ASSERT_EQ(m.GetPosition(1, &play, &write), SND_OK);
    EXPECT_EQ(play, 5 * 2);  // 25 frames into a loop of 10
    EXPECT_EQ(write, play);
    uint32_t status = 0;
    ASSERT_EQ(m.GetStatus(2, &status), SND_OK);
    EXPECT_EQ(status, SND_STATUS_PLAYING | SND_STATUS_LOOPING);
    ASSERT_EQ(m.SetPosition(2, 8 * 4), SND_OK);
    ASSERT_EQ(m.GetPosition(2, &play, &write), SND_OK);
    EXPECT_EQ(play, 32);
    EXPECT_EQ(m.SetPosition(2, 40), SND_ERR_INVALIDPARAM);
    ASSERT_EQ(m.Stop(1), SND_OK);
    ASSERT_EQ(m.Stop(2), SND_OK);
    EXPECT_EQ(mix(m, 4), std::vector<int16_t>(8, 0));
}

TEST(SoundMixer, LockHandsOutACopyUntilUnlock) {
    SoundMixer m;
    constantBuffer(m, 5, 22050, 2, 16, 7);
    void* p = nullptr;
    int n = 0;
    // The region is cut at the end of the buffer; a second lock waits for the unlock.
    ASSERT_EQ(m.Lock(5, 48, 1000, &p, &n), SND_OK);
    EXPECT_EQ(n, 16);
    EXPECT_EQ(static_cast<int16_t*>(p)[0], 7);
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
    EXPECT_EQ(m.Lock(5, -4, 4, &q, &k), SND_ERR_INVALIDPARAM);
    EXPECT_EQ(m.Lock(6, 0, 4, &q, &k), SND_ERR_NOBUFFER);
    EXPECT_EQ(m.Create(0, 22050, 16, 2, 64), SND_ERR_INVALIDPARAM);
    EXPECT_EQ(m.Create(256, 22050, 16, 2, 64), SND_ERR_INVALIDPARAM);
    EXPECT_EQ(m.Create(7, 22050, 8, 2, 64), SND_ERR_BADFORMAT);
    EXPECT_EQ(m.Create(7, 22050, 16, 3, 64), SND_ERR_BADFORMAT);
    EXPECT_EQ(m.Create(7, 22050, 16, 2, 3), SND_ERR_INVALIDPARAM);
    EXPECT_EQ(m.Create(5, 22050, 16, 2, 64), SND_ERR_INVALIDPARAM);
}

TEST_F(SysSndTest, HandlesAreGivenLowestFirstAndRangeChecked) {
    SoundHandle h = 0;
    ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, &h, 0), 0);
    EXPECT_EQ(h, 1);
    ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, nullptr, 7), 0);
    EXPECT_TRUE(SysSnd_HasBuffer(7));
    EXPECT_TRUE(fatals.empty());
    EXPECT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, nullptr, 7), 1);
    EXPECT_TRUE(Fatal("SysSnd_GetSoundBufferHandle() :too many handle opened!"));
    EXPECT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, nullptr, 0), 1);
    for (int i = 2; i <= 255; ++i) {
        if (i == 7) continue;
        ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, &h, 0), 0);
        ASSERT_EQ(h, i);
    }
    fatals.clear();
    EXPECT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, &h, 0), 1);
    EXPECT_TRUE(Fatal("SysSnd_GetSoundBufferHandle() :too many handle opened!"));
    // A released handle is given out again at once.
    ASSERT_EQ(SysSnd_ReleaseSoundBuffer(42), 0);
    ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, &h, 0), 0);
    EXPECT_EQ(h, 42);
    // A buffer that cannot be created leaves its handle free.
    ASSERT_EQ(SysSnd_ReleaseSoundBuffer(9), 0);
    fatals.clear();
    EXPECT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 8, 2, &h, 0), 1);
    EXPECT_TRUE(Fatal("SysSnd_GetSoundBuffer(): erreur create buffer sound: Result=-2"));
    ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, &h, 0), 0);
    EXPECT_EQ(h, 9);
    EXPECT_EQ(SysSnd_GetSoundBuffer(16, 22050, 64, 16, 2, &h, 0), 1);
    EXPECT_TRUE(Fatal("GetSoundBuffer() NumSoundCard too High"));

    // Shut-down frees every buffer and handle.
    SysSnd_MainClose();
    for (SoundHandle k = 1; k < 256; ++k) ASSERT_FALSE(SysSnd_HasBuffer(k));
    ASSERT_EQ(SysSnd_MainInit(nullptr), 1);
    ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, &h, 0), 0);
    EXPECT_EQ(h, 1);
}

TEST_F(SysSndTest, OperationsWithoutABuffer) {
    const SoundHandle handles[] = {0, 300, -5, ORVSOUND_NO_HANDLE, 17};
    for (SoundHandle h : handles) {
        int play = -1, write = -1;
        uint32_t status = 0;
        EXPECT_EQ(SysSnd_GetSoundPosition(h, &play, &write), 0);
        EXPECT_EQ(SysSnd_SetSoundPosition(h, 0), 0);
        EXPECT_EQ(SysSnd_SetSoundVolume(h, -100), 0);
        EXPECT_EQ(SysSnd_SetSoundPan(h, 100), 0);
        EXPECT_EQ(SysSnd_StopSound(h), 0);
        EXPECT_EQ(SysSnd_UnlockSoundBuffer(h), 0);
        EXPECT_EQ(SysSnd_ReleaseSoundBuffer(h), 0);
        EXPECT_EQ(SysSnd_GetSoundStatus(h, &status), 0);
        EXPECT_EQ(status, 0xFFFFFFFFu);
        EXPECT_TRUE(fatals.empty());
        // A lock reports and gives nothing to write to; a play reports 123456.
        void* data = &status;
        int len = 5;
        EXPECT_EQ(SysSnd_LockSoundBuffer(h, 0, 64, &data, &len), 1);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(len, 0);
        EXPECT_EQ(SysSnd_PlaySound(h, 0), 1);
        EXPECT_TRUE(Fatal("SysSnd_PlaySound() : Result=123456"));
        EXPECT_EQ(fatals.size(), 2u);
        fatals.clear();
    }
    SoundHandle h = 0;
    ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 64, 16, 2, &h, 0), 0);
    EXPECT_EQ(SysSnd_SetSoundVolume(h, 5), 1);
    EXPECT_TRUE(Fatal("SysSnd_SetSoundVolume(): Result=-1"));
    EXPECT_EQ(SysSnd_SetSoundPan(h, -20000), 1);
    EXPECT_TRUE(Fatal("SysSnd_SetSoundPan() : Result=-1"));
    EXPECT_EQ(SysSnd_SetSoundPosition(h, 64), 1);
    EXPECT_TRUE(Fatal("DSound ERROR:erreur Set position buffer sound offset=64"));
    EXPECT_EQ(SysSnd_UnlockSoundBuffer(h), 1);
    EXPECT_TRUE(Fatal("SysSnd_UnlockSoundBuffer()  :Result=-5"));
    EXPECT_EQ(SysSnd_InitSoundCard(2, 22050, 16, 2), 1);
    EXPECT_TRUE(Fatal("SysSnd_InitSoundCard() : NumSoundCard too High"));
    EXPECT_EQ(SysSnd_InitSoundCard(0, 22050, 8, 2), 1);
    EXPECT_TRUE(Fatal("SysSnd_InitSoundCard(): SetFormat(): Result=-2"));
}

TEST_F(SysSndTest, PausedDeviceNeitherPlaysNorAdvances) {
    SoundHandle h = 0;
    ASSERT_EQ(SysSnd_GetSoundBuffer(0, 22050, 400, 16, 2, &h, 0), 0);
    ASSERT_EQ(SysSnd_PlaySound(h, 1), 0);
    Render(10);
    int play = 0;
    ASSERT_EQ(SysSnd_GetSoundPosition(h, &play, nullptr), 0);
    EXPECT_EQ(play, 40);
    SysSnd_PauseDevice(true);
    std::vector<int16_t> out(20, 3);
    EXPECT_FALSE(SysSnd_OfflineRender(out.data(), 10));
    EXPECT_EQ(out, std::vector<int16_t>(20, 0));
    ASSERT_EQ(SysSnd_GetSoundPosition(h, &play, nullptr), 0);
    EXPECT_EQ(play, 40);
    SysSnd_PauseDevice(false);
    Render(10);
    ASSERT_EQ(SysSnd_GetSoundPosition(h, &play, nullptr), 0);
    EXPECT_EQ(play, 80);
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
    EXPECT_EQ(SysSnd_DeviceCount(), 0);
    ASSERT_TRUE(KsnWriter_Save(Ksn("bip.ksn"), KsnWriter_TestSignal(500, 1, 3), 1, 22050));
    const int id = OrvSound_load("bip.ksn", nullptr);
    ASSERT_GE(id, 0);
    EXPECT_EQ(OrvSound_play(id, 4), 4);
    EXPECT_EQ(OrvSound_get_voice_state(4), 0);
    EXPECT_EQ(OrvSound_stop_voice(4), 1);
    EXPECT_TRUE(OrvMuzik_Play("muzik01.ksn"));
    EXPECT_FALSE(OrvMuzik_Step());
    EXPECT_TRUE(fatals.empty());
}

// The SDL device opens with the dummy driver, and its own thread mixes while this one changes buffers.
TEST(SysSndSdl, RealDeviceOpensAndPlays) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SysSnd_SelectDriver(SysSndDriver::Sdl);
    ASSERT_EQ(SysSnd_MainInit(nullptr), 1);
    EXPECT_GE(SysSnd_DeviceCount(), 2);
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
