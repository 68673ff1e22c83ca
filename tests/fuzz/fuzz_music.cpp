// Streamed music: a KSN music and its ".spp" marks, played, sent to each mark and mixed.
#include "audio/Orv_Muzik.h"
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

void Listen(int frames) {
    std::vector<int16_t> out(size_t(frames) * 2);
    SysSnd_OfflineRender(out.data(), frames);
    OrvMuzik_Run();
}

bool Run(const uint8_t* data, size_t size) {
    const std::vector<FuzzPart> parts = Fuzz_Split(data, size, 2);
    Fuzz_WriteFile("music/fuzz.ksn", parts[0].data, parts[0].size);
    Fuzz_WriteFile("music/fuzz.spp", parts[1].data, parts[1].size);
    Fuzz_Check(OrvMuzik_MainInit(), "no music");
    OrvMuzik_Start("fuzz.ksn", 0, 2);
    OrvMuzik_Run();
    const bool playing = OrvMuzik_GetState() == MUZIK_PLAYING;
    Listen(20000);
    const int marks = OrvMuzik_GetMarkCount();
    for (int m = 1; m <= marks && m <= 3 && OrvMuzik_GetState() == MUZIK_PLAYING; m++) {
        OrvMuzik_GotoMark(m);
        Listen(30000);
    }
    OrvMuzik_MainClose();
    return playing && (parts[1].size == 0 || marks > 0);
}

std::vector<FuzzBytes> Seeds() {
    std::vector<uint8_t> spp;
    const FuzzBytes ksn = KsnWriter_Encode(KsnWriter_TestSignal(140000, 2, 5), 2, 22050, {1000, 40001, 100000}, &spp);
    const FuzzBytes slow = KsnWriter_Encode(KsnWriter_TestSignal(132000, 2, 6), 2, 11025);
    return {Fuzz_Join({ksn, spp}), Fuzz_Join({slow, {}})};
}

}  // namespace

QM_FUZZ_TARGET(music, Setup, Run, Seeds);
