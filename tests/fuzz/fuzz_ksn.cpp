// KSN sounds: the effects' loader and the dialogue's voice stream, each then played and mixed.
#include "audio/AdpcmStream.h"
#include "audio/Orv_Sound.h"
#include "audio/SysSnd.h"
#include "testdata/KsnWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void Setup() {
    Fuzz_Dir();
    SysSnd_SelectDriver(SysSndDriver::Offline);
    Fuzz_Check(OrvSound_MainInit(), "no sound");
}

void Mix() {
    int16_t out[2 * 512];
    SysSnd_OfflineRender(out, 512);
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("datas_q2/ksn/fuzz.ksn", data, size);
    const int id = OrvSound_load("fuzz.ksn", nullptr);
    if (id >= 0) {
        OrvSoundInfo info;
        Fuzz_Check(OrvSound_GetInfo(id, &info) && info.length >= 0 && (info.channels == 1 || info.channels == 2),
                   "a sound entry without its samples");
        OrvSound_SetLoop(id, 1);
        OrvSound_play(id, 3);
        Mix();
        OrvSound_free(id, 3);
    }

    AdpcmStream voice;
    voice.Open(Fuzz_Path("datas_q2/ksn/fuzz.ksn").c_str());
    Fuzz_Check(!voice.IsOpen() || voice.GetPcmBuffer() != nullptr, "a voice open without its samples");
    if (voice.IsOpen()) {
        voice.Play(4, 0, 0);
        Mix();
        OrvSound_stop_voice(4);
        voice.Close();
    }
    return id >= 0;
}

std::vector<FuzzBytes> Seeds() {
    return {KsnWriter_Encode(KsnWriter_TestSignal(300, 1, 1), 1, 22050),
            KsnWriter_Encode(KsnWriter_TestSignal(257, 2, 2), 2, 11025), KsnWriter_Encode({}, 2, 44100),
            KsnWriter_Encode(KsnWriter_TestSignal(3, 1, 3), 1, 8000)};
}

}  // namespace

QM_FUZZ_TARGET(ksn, Setup, Run, Seeds);
