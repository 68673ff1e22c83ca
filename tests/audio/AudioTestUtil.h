// Fixture of the audio tests: scratch installation, captured reports, offline sound device.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Random.h"
#include "audio/Adpcm.h"
#include "audio/Orv_Muzik.h"
#include "audio/Orv_Sound.h"
#include "audio/SoundMixer.h"
#include "audio/SysSnd.h"
#include "testdata/KsnWriter.h"
#include "tests/support/ScratchInstall.h"

class AudioTest : public ::testing::Test, protected ScratchInstall {
protected:

    // Driver the fixture opens; tests of the machine without sound pick None.
    virtual SysSndDriver Driver() const { return SysSndDriver::Offline; }

    void SetUp() override {
        OpenInstall(false);
        // A fatal report returns here; clearing it lets the next one be reported too.
        OrvError_SetQuitHook([](int) { OrvError_ResetForTests(); });
        cd_init();
        config_reset();
        frame_timer_reset();
        orv_srand(1);
        SysSnd_SelectDriver(Driver());
        ASSERT_TRUE(OrvSound_MainInit());
        ASSERT_TRUE(OrvMuzik_MainInit());
    }

    void TearDown() override {
        OrvMuzik_SetLoadHook(nullptr);
        OrvMuzik_MainClose();
        OrvSound_MainClose();
        SysSnd_SelectDriver(SysSndDriver::Sdl);
        frame_timer_reset();
        config_reset();
        CloseInstall();
    }

    // Path of a sound of the CD and of a music of the installation.
    std::string Ksn(const std::string& name) const { return dir / ("datas_q2/ksn/" + name); }
    std::string Music(const std::string& name) const { return dir / ("music/" + name); }

    // The whole file decoded by the codec.
    static std::vector<int16_t> Decode(const std::string& path) {
        const std::string bytes = ReadFileText(path);
        uint32_t pcm = 0, freq = 0, stereo = 0;
        const auto* file = reinterpret_cast<const uint8_t*>(bytes.data());
        if (Adpcm_GetPcmSize(file, bytes.size(), &pcm, &freq, &stereo) != ADPCM_OK) return {};
        std::vector<int16_t> out(pcm / 2);
        Adpcm_Decode(file, bytes.size(), out.data(), pcm);
        return out;
    }

    // Stereo frames of the offline device.
    static std::vector<int16_t> Render(int frames) {
        std::vector<int16_t> out(size_t(frames) * 2);
        SysSnd_OfflineRender(out.data(), frames);
        return out;
    }

    // Gain the mixer gives one side of a voice.
    static float Gain(int voice, bool left) {
        float l = -1, r = -1;
        SysSnd_Mixer().GetGains(OrvSound_GetVoiceHandle(voice), &l, &r);
        return left ? l : r;
    }
    // True when no handle holds a buffer any more.
    static bool NoBuffers() {
        for (SoundHandle h = 1; h < 256; ++h)
            if (SysSnd_HasBuffer(h)) return false;
        return true;
    }

    bool Warned(const std::string& text) const { return Reported(text); }
    bool Fatal(const std::string& text) const { return Reported(text, true); }
    bool AnyWarning() const { return Reported(""); }
    bool AnyFatal() const { return Reported("", true); }
};
