// The scene layer: loaded 3D databases, their caches, cameras, lights, z-buffers and per-frame draw.
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "engine3d/Animation.h"
#include "engine3d/Camera.h"
#include "engine3d/Database.h"
#include "engine3d/Light.h"
#include "engine3d/Material.h"
#include "engine3d/Mesh.h"
#include "engine3d/PolygonPipeline.h"
#include "graphics2d/Surface.h"

// One loaded database, owned by the caller. Moving or turning root moves the whole database.
struct Orv3DDataBase {
    CTFrame root;
    // Depth first through the object hierarchy; animations follows the same order.
    CTInstanceList instances;
    std::vector<CTAnimationSet*> animations;
    CTAnimationSetMap animationSets;
    float frame = 0.0f;
    float frameCount = 0.0f;
    uint32_t valid = 0;

    Orv3DDataBase() = default;
    ~Orv3DDataBase();
    Orv3DDataBase(const Orv3DDataBase&) = delete;
    Orv3DDataBase& operator=(const Orv3DDataBase&) = delete;
};

extern CTPolygonPipeline pipelineTR;
extern CTConfigurer configurerTR;
// Screen-sized z-buffers; p_zbufTR is the one the next draw tests against (null: none).
extern CSystemMemorySurface Orv3D_zbuf;
extern CSystemMemorySurface Orv3D_zbuf2;
extern CSurface* p_zbufTR;
// Name-keyed caches: a name met again in a later database reuses the record loaded first.
extern CTTextureMap Orv3D_TextureCache;
extern CTMaterialMap Orv3D_MaterialCache;
extern CTMeshMap Orv3D_MeshCache;
// Cameras appended by each load with cameras; Orv3D_CameraIndex picks the current one at that load.
extern std::deque<CTCamera> Orv3D_Cameras;
extern int Orv3D_CameraIndex;
extern CTCamera* Orv3D_CurrentCamera;
extern std::deque<CTLight> Orv3D_Lights;
extern CTLight* Orv3D_LastLight;

// Links pipelineTR to rasterizerTR and configurerTR, installs the display layer's screen size hook
// and sizes the z-buffers to the screen.
void Orv3D_Init();
// Removes the hook, clears the caches and frees the z-buffers.
void Orv3D_Close();
// Re-creates both z-buffers at the size; refused for a width of 800 while 800-pixel rendering is off.
void Orv3D_SetNewScreenSize(int width, int height);
void Orv3D_SetNewScreenSizeAlways(int width, int height);

// Loads a ".db" file into the caches and the handle (replacing what it held). False, with a warning,
// for a missing or unreadable file; the handle is then not valid.
bool Orv3D_LoadDatabase(const char* fileName, Orv3DDataBase& db, bool loadCameras);
// The texture of a texture record: its TGA picture in the texture format (8-bit pictures with their
// palette planes), or a generated checkerboard. True when the picture was loaded.
bool Orv3D_LoadMapTexture(const CTDbTexture& record, CTTexture& texture);
// Fills a z-buffer from a ".zbf" depth map, re-created at the map's size. False (the surface left as
// it was) for a missing, empty or malformed file.
bool Load_zbuffer(const char* fileName, CSystemMemorySurface& surface);
// The pixel format of textures and palette planes: the render target's 16-bit format, else 5-6-5.
CPixelFormat Orv3D_TextureFormat();

// Poses the database's animation at its current frame and draws it with the current camera into the
// render target. A null or invalid database is a fatal error.
void Orv3D_draw_DataBase(Orv3DDataBase* db);
// Frame + 1, back to 0 at the frame count.
void Orv3D_next_frame(Orv3DDataBase* db);
// Frees the handle's instances and animation sets; an invalid handle is left alone.
void Orv3D_clear(Orv3DDataBase* db);
// Empties the texture, material, mesh and animation caches; databases still valid are cleared first.
void Orv3D_clear_caches();

// 0xAARRGGBB, each value held to 0..255.
uint32_t color_pack_argb(int r, int g, int b, int a);
// The material's first colour (red, green, blue, alpha); zero without a material.
CTVector4 material_get_color(const CTMaterial* material);
