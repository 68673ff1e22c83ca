// CTPolygonPipeline: scene lists, material table with overrides, body dispatch and the deferred pass.
#include "engine3d/PolygonPipeline.h"

#include <algorithm>
#include <cmath>

#include "raster/Rasterizer.h"
#include "raster/SpanState.h"

CTPolygonPipeline::CTPolygonPipeline(uint32_t vertices, uint32_t faces, uint32_t lightCount)
    : CTGeometryPipeline(vertices, faces, lightCount)
{
    vertexList.reserve(vertices);
    faceList.reserve(faces);
    sortList.reserve(faces);
}

void CTPolygonPipeline::BeginScene()
{
    vertexList.clear();
    faceList.clear();
    deferredMaterials.clear();
}

void CTPolygonPipeline::ClearOverrides()
{
    materialOverride[0] = materialOverride[1] = nullptr;
    materialTableOverride[0] = materialTableOverride[1] = nullptr;
}

void CTPolygonPipeline::BuildMaterialTable(const CTMesh& mesh, DrawFlags)
{
    materialTable.clear();
    const CTMaterial* sharedCopy = nullptr;
    for (uint32_t g = 0; g < mesh.groupCount; ++g) {
        const CTMaterial* m;
        if (materialOverride[0])
            m = materialOverride[0];
        else if (materialTableOverride[0])
            m = materialTableOverride[0][g];
        else
            m = g < mesh.groupMaterials.size() ? mesh.groupMaterials[g] : nullptr;
        // Deferred faces keep a copy that stays as it is until the scene ends.
        if (m && (m->flags & MATERIAL_DEFERRED)) {
            if (materialOverride[0] && sharedCopy) {
                m = sharedCopy;
            } else {
                deferredMaterials.push_back(*m);
                m = &deferredMaterials.back();
                if (materialOverride[0]) sharedCopy = m;
            }
        }
        materialTable.push_back(m);
    }
    materialTable.push_back(nullptr);
}

void CTPolygonPipeline::Rasterize(const CTCamera& camera, const CTMesh& mesh, DrawFlags flags)
{
    rasterTime.Start();
    // An attribute the flags announce but the pipeline does not hold is left out.
    uint32_t key = flags & 0x60EFF;
    if (!texResult[0]) key &= ~uint32_t(DF_TEX0);
    if (!texResult[1]) key &= ~uint32_t(DF_TEX1);
    if (!currentColours) key &= ~uint32_t(DF_COLOURS);
    if (!currentSpecular) key &= ~uint32_t(DF_SPECULAR);
    switch (key) {
    case 0x1: RasterizeTex0(camera, mesh); break;
    case 0x3: RasterizeTex01(camera, mesh); break;
    case 0x20000: RasterizeColor(camera, mesh); break;
    case 0x20001: RasterizeColorTex0(camera, mesh); break;
    case 0x20003: RasterizeColorTex01(camera, mesh); break;
    case 0x60000: RasterizeColorSpec(camera, mesh); break;
    case 0x60001: RasterizeColorSpecTex0(camera, mesh); break;
    case 0x60003: RasterizeColorSpecTex01(camera, mesh); break;
    default: RasterizeObject(camera, mesh); break;
    }
    rasterTime.Stop();
}

bool CTPolygonPipeline::DrawObject(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags)
{
    bool drawn = false;
    TransformVertices(camera, frame, mesh, flags);
    if (!(clipIntersection & CLIP_PLANES)) {
        BuildMaterialTable(mesh, flags);
        flags |= ComputeTexCoords(camera, frame, mesh, flags);
    }
    if (!(clipIntersection & CLIP_PLANES)) {
        if (mesh.flags & MESH_LIT) {
            if (lightingMode != kLightingDefault) {
                flags |= PrelitFlag(camera, frame, mesh, flags);
                currentColours = vertexColours.data();
            }
            if (flags & DF_LIGHTING) {
                lightTime.Start();
                SetupLights(camera, frame, mesh, flags);
                if (flags & DF_SPECULAR_PASS) {
                    currentSpecular = LightVerticesSecondPass(camera, frame, mesh, flags);
                    flags |= DF_SPECULAR;
                }
                currentColours = LightVertices(camera, frame, mesh, flags);
                flags |= DF_COLOURS;
                lightTime.Stop();
            } else if (currentColours) {
                flags |= DF_COLOURS;
            }
        }
        Rasterize(camera, mesh, flags);
        drawn = true;
    }
    EndObject();
    ClearOverrides();
    return drawn;
}

void CTPolygonPipeline::EndScene()
{
    if (faceList.empty() || !rasterizer || !configurer) return;
    sortList.clear();
    for (const PipeFace& f : faceList)
        if (std::isfinite(f.key)) sortList.push_back(&f);
    std::stable_sort(sortList.begin(), sortList.end(), [](const PipeFace* a, const PipeFace* b) { return a->key < b->key; });
    rasterTime.Start();
    const CTMaterial* material = nullptr;
    const void* argument = nullptr;
    for (const PipeFace* f : sortList) {
        if (f->material != material || f->argument != argument) {
            configurer->Material_UnbindTexture(*rasterizer, material, argument);
            material = f->material;
            argument = f->argument;
            configurer->Material_BindTexture(*rasterizer, material, argument);
        }
        rasterizer->faceCode = f->code & CLIP_PLANES;
        rastState.rastVertexEnd = rastState.rastVertices;
        const uint32_t count = std::min<uint32_t>(f->count, kRastMaxVertices);
        for (uint32_t i = 0; i < count && f->first + i < vertexList.size(); ++i) {
            const PipeVertex& p = vertexList[f->first + i];
            rast_emit_vertex(p.sx, p.sy, p.q, p.u0, p.v0, color_unpack_argb(p.diffuse));
        }
        rast_draw_polygon(*rasterizer);
    }
    configurer->Material_UnbindTexture(*rasterizer, material, argument);
    rasterTime.Stop();
}
