// Dialogue costs: voice analysis in multiples of real time, the mouth of a ~1,000-vertex face per frame,
// and one 640x480 face frame with and without a blink copy.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/Orv_File.h"
#include "dialogue/dlg_Anim.h"
#include "dialogue/dlg_LipSync.h"
#include "dialogue/dlg_Perso.h"
#include "dialogue/dlg_Script.h"
#include "engine3d/Orv3D.h"
#include "graphics2d/Draw.h"
#include "testdata/DialogueWriter.h"
#include "testdata/FaceStage.h"
#include "testdata/KsnWriter.h"
#include "testdata/TempDir.h"

namespace {

constexpr uint32_t kSeconds = 30;

const std::vector<int16_t>& Voice()
{
    static const std::vector<int16_t> pcm = KsnWriter_TestSignal(kSeconds * DLG_VOICE_RATE, 1, 3);
    return pcm;
}

// A character of 32 x 32 face vertices, loaded once; eyeVariants decides whether it can blink.
dlg_Perso& Character(bool eyeVariants)
{
    static TempDir dir;
    static std::unique_ptr<dlg_Perso> persos[2];
    std::unique_ptr<dlg_Perso>& p = persos[eyeVariants];
    if (!p) {
        OrvFile_SetInstallDir(dir.Path());
        for (int cd = 1; cd <= 4; ++cd) OrvFile_SetCDRoot(cd, dir.Path());
        cd_init();
        DlgCharacterDesc desc;
        desc.grid = 31;
        desc.mesh = eyeVariants ? "ma" : "mb";
        desc.maps = {eyeVariants ? "ma.tga" : "mb.tga"};
        desc.eyeVariants = eyeVariants;
        DlgCharacter_Save(dir.Path() + "datas_q2/3d/dial/", desc);
        p = std::make_unique<dlg_Perso>();
        p->name = desc.mesh;
        g_PersoDefs[desc.mesh].mesh = desc.mesh;
        p->AddAnime(0);
    }
    return *p;
}

void BM_Analyse(benchmark::State& state)
{
    const dlg_PersoDef def;
    dlg_VoiceAnalysis a;
    for (auto _ : state) {
        a.Analyse(DLG_VISEMES, def.matrix, Voice().data(), uint32_t(Voice().size()), def.smooth);
        benchmark::DoNotOptimize(a.energy.data());
    }
    state.counters["xRealTime"] = benchmark::Counter(double(kSeconds) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Analyse)->Unit(benchmark::kMillisecond);

// Weights at the frame's voice time, then the face blended towards them.
void BM_MouthFrame(benchmark::State& state)
{
    dlg_Perso& perso = Character(false);
    const dlg_PersoDef def;
    dlg_VoiceAnalysis a;
    a.Analyse(DLG_VISEMES, def.matrix, Voice().data(), uint32_t(Voice().size()), def.smooth);
    float weights[DLG_VISEMES] = {};
    float t = 0.0f;
    for (auto _ : state) {
        t += 1.0f / 15.0f;
        if (t > float(kSeconds)) t = 0.0f;
        perso.UpdateMouth(0, 2, &a, weights, t);
        benchmark::DoNotOptimize(perso.GetAnime(0)->Face()->mesh->vertices.data());
    }
    state.counters["vertices"] = double(perso.GetAnime(0)->Face()->mesh->vertexCount);
}
BENCHMARK(BM_MouthFrame)->Unit(benchmark::kMicrosecond);

// One frame: target and z-buffer cleared, the face drawn; with a blink, the map is copied into the
// live texture as well.
void BM_DisplayFace(benchmark::State& state)
{
    const bool blink = state.range(0) != 0;
    dlg_Perso& perso = Character(false);
    static FaceStage stage;
    static const bool opened = stage.Open();
    dlg_FaceTexture& record = *perso.GetTexture(perso.GetAnime(0)->TextureSlot());
    CSystemMemorySurface closed;
    closed.Create(record.GetLiveSurface().width, record.GetLiveSurface().height, Orv3D_TextureFormat());
    for (auto _ : state) {
        if (blink) CopySurface(record.GetLiveSurface(), closed);
        stage.Frame(0xFF203848, [&](CTPolygonPipeline& p) { perso.DisplayFace(0, p, 0); });
        benchmark::DoNotOptimize(stage.target.pixels);
    }
    state.counters["opened"] = opened;
}
BENCHMARK(BM_DisplayFace)->Arg(0)->Arg(1)->ArgName("blink")->Unit(benchmark::kMicrosecond);

}  // namespace
