// The scene layer: globals, z-buffer sizing, per-frame draw, animation step and clearing.
#include "engine3d/Orv3D.h"

#include <algorithm>
#include <set>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "raster/Rasterizer.h"

CTPolygonPipeline pipelineTR(2048, 2048, 16);
CTConfigurer configurerTR;
CSystemMemorySurface Orv3D_zbuf;
CSystemMemorySurface Orv3D_zbuf2;
CSurface* p_zbufTR = nullptr;
CTTextureMap Orv3D_TextureCache;
CTMaterialMap Orv3D_MaterialCache;
CTMeshMap Orv3D_MeshCache;
std::deque<CTCamera> Orv3D_Cameras;
int Orv3D_CameraIndex = 0;
CTCamera* Orv3D_CurrentCamera = nullptr;
std::deque<CTLight> Orv3D_Lights;
CTLight* Orv3D_LastLight = nullptr;

namespace {

// Valid handles: their instances point into the caches, so emptying the caches clears them first.
// Never destroyed, so that handles with static storage may end after it.
std::set<Orv3DDataBase*>& ValidHandles()
{
    static auto* handles = new std::set<Orv3DDataBase*>;
    return *handles;
}

// The whole render area seen through the default field of view.
void SetScreen(CTCamera& camera, int width, int height)
{
    camera.SetCenter(float(width) * 0.5f, float(height) * 0.5f);
    camera.SetClipRect(0, 0, width - 1, height - 1);
    camera.SetFieldOfView(1.3264502f, float(width), float(height));
    camera.SetNear(1.5f);
    camera.SetFar(20000.0f);
}

void LoadCameras(const CTDataBase& scene)
{
    int width = OrvDisplay_GetRenderWidth(), height = OrvDisplay_GetRenderHeight();
    if (width <= 0 || height <= 0) {
        width = 640;
        height = 480;
    }
    CTCamera& def = Orv3D_Cameras.emplace_back();
    def.name = "Default";
    SetScreen(def, width, height);
    for (const auto& [name, record] : scene.cameras) {
        CTCamera& camera = Orv3D_Cameras.emplace_back();
        SetScreen(camera, width, height);
        CTCamera::FromDb(record, camera);
    }
    if (Orv3D_CameraIndex >= 0 && size_t(Orv3D_CameraIndex) < Orv3D_Cameras.size())
        Orv3D_CurrentCamera = &Orv3D_Cameras[size_t(Orv3D_CameraIndex)];
    else
        OrvError_Warning("Orv3D_LoadDatabase() : camera %d of %zu", Orv3D_CameraIndex, Orv3D_Cameras.size());
}

void ResetHandle(Orv3DDataBase& db)
{
    db.instances.clear();
    db.animations.clear();
    db.animationSets.clear();
    db.frame = db.frameCount = 0.0f;
    db.valid = 0;
    ValidHandles().erase(&db);
}

void CreateZBuffers(int width, int height)
{
    CPixelFormat pf;
    rasterizerTR.GetZBufferFormat(pf);
    for (CSystemMemorySurface* z : {&Orv3D_zbuf, &Orv3D_zbuf2})
        if (z->Create(width, height, pf, 0, 1)) ClearSurface(*z, 0);
}

}  // namespace

Orv3DDataBase::~Orv3DDataBase() { ValidHandles().erase(this); }

void Orv3D_Init()
{
    pipelineTR.rasterizer = &rasterizerTR;
    pipelineTR.configurer = &configurerTR;
    OrvDisplay_SetScreenSizeHook(&Orv3D_SetNewScreenSize);
    Orv3D_SetNewScreenSize(OrvDisplay_GetScreenWidth(), OrvDisplay_GetScreenHeight());
}

void Orv3D_Close()
{
    OrvDisplay_SetScreenSizeHook(nullptr);
    Orv3D_clear_caches();
    p_zbufTR = nullptr;
    Orv3D_zbuf.Free();
    Orv3D_zbuf2.Free();
}

void Orv3D_SetNewScreenSize(int width, int height)
{
    if (width == 800 && !OrvDisplay_IsRenderWarp800()) {
        debug_log("Orv3D_SetNewScreenSize (%d, %d) ABORTED", width, height);
        return;
    }
    debug_log("Orv3D_SetNewScreenSize(%d, %d) ok", width, height);
    CreateZBuffers(width, height);
}

void Orv3D_SetNewScreenSizeAlways(int width, int height)
{
    debug_log("Orv3D_SetNewScreenSizeAlways(%d, %d) ok", width, height);
    CreateZBuffers(width, height);
}

bool Orv3D_LoadDatabase(const char* fileName, Orv3DDataBase& db, bool loadCameras)
{
    debug_log("Loading %s (Orv3D_LoadDatabase())", fileName);
    ResetHandle(db);
    if (!OrvFile_Exists(fileName)) {
        OrvError_Warning("Fichier 3d inexistant : %s", fileName);
        return false;
    }
    // The reader reports why a file is refused and leaves the scene empty.
    static CTDataBase scene;
    if (!Db_LoadFile(scene, fileName)) return false;
    CTDataBase::PrepareMeshes(scene, 0);
    if (loadCameras) LoadCameras(scene);
    for (const auto& [name, record] : scene.lights) {
        Orv3D_MakeLight(record, Orv3D_Lights.emplace_back());
        Orv3D_LastLight = &Orv3D_Lights.back();
    }
    for (const auto& [name, record] : scene.textures) {
        if (name.empty()) continue;
        auto [it, fresh] = Orv3D_TextureCache.try_emplace(name);
        if (!fresh) continue;
        it->second.name = name;
        Orv3D_LoadMapTexture(record, it->second);
    }
    for (const auto& [name, record] : scene.materials) {
        auto [it, fresh] = Orv3D_MaterialCache.try_emplace(name);
        if (fresh) Material_FromDb(record, Orv3D_TextureCache, it->second);
    }
    for (const auto& [name, record] : scene.meshes) {
        auto [it, fresh] = Orv3D_MeshCache.try_emplace(name);
        if (fresh && !Mesh_FromDb(record, it->second, 0, Orv3D_MaterialCache)) Orv3D_MeshCache.erase(it);
    }
    ObjectTree_BuildFromDb(scene, nullptr, Orv3D_MeshCache, db.root, db.instances, {});
    for (const auto& [name, record] : scene.animations) CTAnimationSet::FromDb(record, db.animationSets[name]);
    ObjectTree_CopyFiltered(scene, nullptr, db.animationSets, db.animations, {});
    db.frameCount = scene.animations.empty() ? 0.0f : float(scene.animations.begin()->second.length);
    db.valid = 1;
    ValidHandles().insert(&db);
    scene.Clear();
    return true;
}

void Orv3D_draw_DataBase(Orv3DDataBase* db)
{
    if (!db || !db->valid) {
        OrvError_Fatal("Orv3D_draw_DataBase(NULL)/valid=0");
        return;
    }
    const size_t posed = std::min(db->animations.size(), db->instances.size());
    for (size_t i = 0; i < posed; ++i) {
        const CTAnimationSet* set = db->animations[i];
        if (set && set->HasAnimation()) PlayAnimationSet(set, db->frame, db->instances[i]->frame, ANIM_ALL);
    }
    Orv_Trace("PlayAnimationSet ok");

    CSurface* target = OrvDisplay_GetRenderTarget();
    const CTCamera* camera = Orv3D_CurrentCamera;
    if (!target || !target->pixels || !camera) {
        OrvError_Warning("Orv3D_draw_DataBase(): no %s", camera ? "render target" : "current camera");
        pipelineTR.ClearOverrides();
        return;
    }
    pipelineTR.hzBuffer = nullptr;
    Orv_Trace("pipelineTR.HZBuffer (0); ok");
    rasterizerTR.SetTarget(target);
    ClipRect clip;
    OrvDisplay_GetClipRect(clip);
    rasterizerTR.SetViewport(clip);
    // A z-buffer without pixels (not sized yet) counts as none.
    CSurface* zbuffer = p_zbufTR && p_zbufTR->pixels ? p_zbufTR : nullptr;
    rasterizerTR.ZBuffer(zbuffer);
    Orv_Trace(zbuffer ? "rasterizerTR.ZBuffer(p_zbufTR); ok" : "rasterizerTR.ZBuffer(0); ok");
    configurerTR.BeginScene();
    Orv_Trace("configurerTR.BeginScene(); ok");
    rasterizerTR.BeginScene();
    Orv_Trace("rasterizerTR.BeginScene() ok");
    pipelineTR.BeginScene();
    Orv_Trace("pipelineTR.BeginScene(); ok");

    for (const auto& inst : db->instances) {
        if (!inst->mesh) continue;
        const CTMesh& mesh = *inst->mesh;
        DrawFlags flags = DF_TRANSFORM | DF_BOUNDS | DF_LIGHTING | DF_OCCLUDE_OBJECT | DF_OCCLUDE_FACES |
                          ((camera->projection & 6) << 8);
        if (mesh.flags & MESH_DEFORMED) flags |= DF_TWO_MATRIX | DF_DEFORMED;
        if (pipelineTR.lights.empty()) flags &= ~uint32_t(DF_LIGHTING | DF_SPECULAR_PASS);
        if (pipelineTR.DrawObject(*camera, inst->frame, mesh, flags)) Orv_Trace("pipelineTR.Draw ok");
    }

    pipelineTR.EndScene();
    rasterizerTR.EndScene();
    Orv_Trace("pipelineTR.EndScene(); ok");
}

void Orv3D_next_frame(Orv3DDataBase* db)
{
    if (!db || !db->valid) {
        OrvError_Fatal("Orv3D_next_frame(NULL)/valid=0");
        return;
    }
    db->frame += 1.0f;
    if (!(db->frame < db->frameCount)) db->frame = 0.0f;
}

void Orv3D_clear(Orv3DDataBase* db)
{
    if (!db) {
        OrvError_Fatal("Orv3D_clear(NULL)");
        return;
    }
    if (!db->valid) return;
    ResetHandle(*db);
    debug_log("Orv3D_clear()");
}

void Orv3D_clear_caches()
{
    const std::set<Orv3DDataBase*> still = ValidHandles();
    for (Orv3DDataBase* db : still) Orv3D_clear(db);
    Orv3D_MeshCache.clear();
    Orv3D_MaterialCache.clear();
    Orv3D_TextureCache.clear();
    AnimationCache_Clear();
}

uint32_t color_pack_argb(int r, int g, int b, int a)
{
    auto ch = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
    return ch(a) << 24 | ch(r) << 16 | ch(g) << 8 | ch(b);
}

CTVector4 material_get_color(const CTMaterial* material) { return material ? material->colours[0] : CTVector4{}; }
