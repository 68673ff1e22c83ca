// Polygon pipeline throughput: vertices per second through the stage sequence, faces per second per
// object body, and whole frames of a synthetic scene through the scene layer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/Cpu.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "engine3d/Orv3D.h"
#include "engine3d/PolygonPipeline.h"
#include "engine3d/VertexStages.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "raster/Rasterizer.h"
#include "testdata/DbWriter.h"
#include "testdata/SceneWriter.h"
#include "testdata/TempDir.h"

namespace {

constexpr DrawFlags kFlags = DF_TRANSFORM | DF_BOUNDS;

CTMesh GridMesh(int cellsX, int cellsZ, float cell, CTMaterialMap& materials)
{
    CTMesh m;
    Mesh_FromDb(SceneWriter_Grid("grid", cellsX, cellsZ, cell, "Brick"), m, 0, materials);
    return m;
}

// Seconds per call of f, timed over at least 50 ms.
template <class F>
double SecondsPerCall(F&& f)
{
    f();
    const auto t0 = std::chrono::steady_clock::now();
    int64_t calls = 0;
    do {
        f();
        ++calls;
    } while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(50));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / double(calls);
}

// The vertex stages of each processor kind; kind 9 with the instruction's reciprocal estimate and
// with the software one.
struct StageKind {
    const char* name;
    int kind;
    bool softwareEstimate;
};
constexpr StageKind kStageKinds[] = {{"kind1", CPU_GENERIC, false},
                                     {"kind8", CPU_PENTIUM_II, false},
                                     {"kind9", CPU_PENTIUM_III, false},
                                     {"kind9-soft", CPU_PENTIUM_III, true},
                                     {"kind18", CPU_AMD_K6_2, false}};

// 1k or 10k vertices (four per cell), wholly inside the view (the fast paths) or spread across the
// near plane and the sides, rigid or deformed (flag 0x1000000, the kinds' own deformed transforms),
// through TransformVertices of each kind; vs_kind1 is the kind's speed over kind 1's in this run.
void BM_StageSequence(benchmark::State& state)
{
    const bool crossing = state.range(1) != 0, deformed = state.range(3) != 0;
    const StageKind& sk = kStageKinds[state.range(2)];
    const int cells = int(state.range(0)) / 4;
    const int nx = cells >= 2500 ? 50 : 10, nz = cells / nx;
    CTMaterialMap materials;
    CTMesh mesh;
    Mesh_FromDb(SceneWriter_Grid("grid", nx, nz, crossing ? 2.0f : 0.05f, "Brick"), mesh, deformed ? 0x10 : 0, materials);
    const DrawFlags flags = kFlags | (deformed ? uint32_t(DF_DEFORMED) : 0u);
    CTGeometryPipeline pipe(2048, 2048, 16);
    CTCamera camera;
    camera.SetClipRect(0, 0, 639, 479);
    camera.SetCenter(320, 240);
    camera.SetFieldOfView(1.0f, 640, 480);
    camera.SetNear(1.0f);
    camera.SetFar(1000.0f);
    CTFrame object;
    object.SetLocalPosition(crossing ? CTVector3{0, 1, 10} : CTVector3{0, 1, 8});
    auto once = [&] {
        pipe.TransformVertices(camera, object, mesh, flags);
        benchmark::DoNotOptimize(pipe.screenVertices.data());
        pipe.EndObject();
    };
    double portable = 0;
    {
        ScopedProcessorKind kind(CPU_GENERIC);
        portable = SecondsPerCall(once);
    }
    ScopedProcessorKind kind(sk.kind);
    VxSse_SoftwareEstimate = sk.softwareEstimate;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) once();
    const double own = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() /
                       double(std::max<int64_t>(state.iterations(), 1));
    VxSse_SoftwareEstimate = false;
    state.SetItemsProcessed(int64_t(state.iterations()) * mesh.vertexCount);
    state.SetLabel(sk.name);
    state.counters["clipped"] = pipe.clipUnion != 0;
    state.counters["vs_kind1"] = portable / own;
}
BENCHMARK(BM_StageSequence)
    ->ArgNames({"vertices", "crossing", "kind", "deformed"})
    ->ArgsProduct({{1000, 10000}, {0, 1}, {0, 1, 2, 3, 4}, {0, 1}});

// Faces per second of each body drawing a textured grid into a 640 x 480 5-6-5 target with a z-buffer.
void BM_Body(benchmark::State& state)
{
    const DrawFlags key = DrawFlags(state.range(0));
    CSystemMemorySurface target, zbuffer;
    target.Create(640, 480, PixelFormatOf(PFID_R5G6B5));
    zbuffer.Create(640, 480, PixelFormatOf(PFID_Z32));
    CTTextureMap textures;
    CTTexture& brick = textures["brick.tga"];
    brick.surface.Create(64, 64, PixelFormatOf(PFID_R5G6B5));
    DrawCheckerboard(brick.surface, 4);
    CTMaterialMap materials;
    CTMaterial& m = materials["Brick"];
    m.colours[0] = {1, 1, 1, 1};
    m.texture = &brick;
    const CTMesh mesh = GridMesh(20, 20, 0.25f, materials);

    CTRasterizer& rast = rasterizerTR;
    rast.SetProcessor(CPU_GENERIC);
    CTConfigurer conf;
    auto pipe = std::make_unique<CTPolygonPipeline>(2048, 2048, 16);
    pipe->rasterizer = &rast;
    pipe->configurer = &conf;
    CTCamera camera;
    camera.SetClipRect(0, 0, 639, 479);
    camera.SetCenter(320, 240);
    camera.SetFieldOfView(1.0f, 640, 480);
    CTFrame object;
    object.SetLocalPosition({0, 1, 6});
    rast.SetTarget(&target);
    rast.SetViewport({0, 479, 639, 0});
    rast.ZBuffer(&zbuffer);
    rast.BeginScene();
    pipe->TransformVertices(camera, object, mesh, kFlags);
    pipe->BuildMaterialTable(mesh, kFlags);
    const float* uv = mesh.texCoords.data();
    std::vector<uint32_t> colours(mesh.slots.size(), 0xFFC0A080);
    for (auto _ : state) {
        ClearSurface(zbuffer, 0);
        pipe->texResult[0] = pipe->texResult[1] = uv;
        pipe->currentColours = colours.data();
        pipe->currentSpecular = colours.data();
        pipe->Rasterize(camera, mesh, key);
    }
    rast.EndScene();
    rast.ZBuffer(nullptr);
    state.SetItemsProcessed(int64_t(state.iterations()) * mesh.faceCount);
}
BENCHMARK(BM_Body)
    ->ArgName("key")
    ->Arg(0)
    ->Arg(0x1)
    ->Arg(0x3)
    ->Arg(0x20000)
    ->Arg(0x20001)
    ->Arg(0x20003)
    ->Arg(0x60000)
    ->Arg(0x60001)
    ->Arg(0x60003);

// One frame of about 3000 textured triangles through Orv3D_draw_DataBase on a headless screen.
void BM_Frame(benchmark::State& state)
{
    const int width = int(state.range(0)), height = width == 800 ? 600 : 480;
    setenv("QM_HEADLESS", "1", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    TempDir dir;
    const std::string dir3d = dir.Path() + "datas_q2/3d/dial/";
    std::filesystem::create_directories(dir3d);
    OrvFile_SetInstallDir(dir.Path());
    for (int cd = 1; cd <= 4; ++cd) OrvFile_SetCDRoot(cd, dir.Path());
    cd_init();
    const CTDataBase scene = SceneWriter_BenchScene(3000);
    DbWriter_Save(dir3d + "bench.db", scene);
    TgaWriter_Save(dir3d + "brick.tga", SceneWriter_BrickPicture(64, 64));

    DebugOut().SetHook([](const std::string&) {});
    Velkrum::CDirectDrawWindow window;
    window.Open(width, height, false);
    OrvDisplay_Init(&window);
    rasterizerTR.SetProcessor(CPU_GENERIC);
    Orv3D_Init();
    // The camera list grows with every load; this frame's camera is the first one loaded here.
    Orv3D_Cameras.clear();
    Orv3D_CameraIndex = 1;
    Orv3DDataBase db;
    if (!Orv3D_LoadDatabase((dir3d + "bench.db").c_str(), db, true)) {
        state.SkipWithError("scene not loaded");
        return;
    }
    p_zbufTR = &Orv3D_zbuf;
    size_t triangles = 0;
    for (const auto& inst : db.instances) triangles += inst->mesh ? inst->mesh->faceCount : 0;
    for (auto _ : state) {
        ClearSurface(Orv3D_zbuf, 0);
        Orv3D_draw_DataBase(&db);
    }
    // A frame that draws nothing would measure nothing.
    const CSurface& target = *OrvDisplay_GetRenderTarget();
    int covered = 0;
    for (int y = 0; y < target.height; ++y)
        for (int x = 0; x < target.width; ++x) covered += reinterpret_cast<const uint16_t*>(target.Row(y))[x] != 0;
    if (covered == 0) state.SkipWithError("nothing drawn");
    state.counters["triangles"] = double(triangles);
    state.counters["pixels"] = double(covered);
    state.counters["width"] = target.width;
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(triangles));
    Orv3D_clear(&db);
    Orv3D_Close();
    DebugOut().ResetHook();
    OrvDisplay_Close();
    window.Close();
}
BENCHMARK(BM_Frame)->Arg(640)->Arg(800)->Unit(benchmark::kMillisecond);

}  // namespace
