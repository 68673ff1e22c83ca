// CTPolygonPipeline: material table, object rasterisation bodies and the deferred faces of a scene.
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "engine3d/GeometryPipeline.h"
#include "engine3d/Material.h"

class CTRasterizer;
struct PipeClipPoint;

// What the vertices of a deferred face carry.
enum : uint32_t {
    PV_DIFFUSE = 0x1,
    PV_SPECULAR = 0x2,
    PV_TEX0 = 0x4,
    PV_TEX1 = 0x8,
};

// A vertex of a deferred face.
struct PipeVertex {
    float sx = 0.0f;
    float sy = 0.0f;
    float depth = 0.0f;
    float q = 0.0f;  // 1 / camera-space z
    float u0 = 0.0f;
    float v0 = 0.0f;
    float u1 = 0.0f;
    float v1 = 0.0f;
    uint32_t diffuse = 0xFFFFFFFF;
    uint32_t specular = 0;
};

// A face of a non-opaque material, drawn at the end of the scene; its vertices follow each other
// in the scene's vertex list from index first.
struct PipeFace {
    uint32_t code = 0;
    uint32_t format = 0;
    uint32_t count = 0;
    // Mean q of the vertices: larger is nearer.
    float key = 0.0f;
    const CTMaterial* material = nullptr;
    const void* argument = nullptr;
    uint32_t first = 0;
};

// 0xAARRGGBB as four floats, each channel x 0.003921569.
CTVector4 color_unpack_argb(uint32_t argb);
// The first three shading terms of the vertex at rastVertexEnd.
void rast_set_vertex_shade(float red, float green, float blue);
// Appends a vertex at rastVertexEnd: screen x, y, q = 1/z, stage-0 u, v and the shading terms.
void rast_emit_vertex(float x, float y, float q, float u, float v, const CTVector4& shade);
// Draws the rasteriser's vertex list as one fan when it holds at least three vertices: through
// CTRasterizer::DrawTriangle when the current mode allows the linear twin.
void rast_draw_polygon(CTRasterizer& rasterizer);

class CTPolygonPipeline : public CTGeometryPipeline {
public:
    CTPolygonPipeline(uint32_t vertexCapacity, uint32_t faceCapacity, uint32_t lightCapacity);

    CTRasterizer* rasterizer = nullptr;
    CTConfigurer* configurer = nullptr;
    std::vector<PipeVertex> vertexList;
    std::vector<PipeFace> faceList;
    std::vector<const PipeFace*> sortList;
    // Per texture stage: one material for every group, or a table indexed by group. Only stage 0 is
    // read; all are cleared after each object.
    const CTMaterial* materialOverride[2] = {nullptr, nullptr};
    const CTMaterial* const* materialTableOverride[2] = {nullptr, nullptr};
    // Copies of the deferred materials met in the scene; stable until the next scene begin.
    std::deque<CTMaterial> deferredMaterials;
    uint32_t facesExamined = 0;
    uint32_t facesDrawn = 0;

    // Empties the vertex, face and deferred-material lists.
    void BeginScene();
    void BuildMaterialTable(const CTMesh& mesh, DrawFlags flags);
    // Draws or defers every face of the object with the body its flags select.
    void Rasterize(const CTCamera& camera, const CTMesh& mesh, DrawFlags flags);
    // One object from transform to rasterisation with the draw flags of its caller, then the end of
    // the object (overrides cleared). True when it reached rasterisation.
    bool DrawObject(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags);
    // Draws the deferred faces, farthest first.
    void EndScene();
    void ClearOverrides();

    // The object bodies, by the attributes they carry.
    void RasterizeObject(const CTCamera& camera, const CTMesh& mesh);
    void RasterizeColor(const CTCamera& camera, const CTMesh& mesh);
    void RasterizeColorSpec(const CTCamera& camera, const CTMesh& mesh);
    void RasterizeTex0(const CTCamera& camera, const CTMesh& mesh);
    void RasterizeColorTex0(const CTCamera& camera, const CTMesh& mesh);
    void RasterizeColorSpecTex0(const CTCamera& camera, const CTMesh& mesh);
    void RasterizeTex01(const CTCamera& camera, const CTMesh& mesh);
    void RasterizeColorTex01(const CTCamera& camera, const CTMesh& mesh);
    void RasterizeColorSpecTex01(const CTCamera& camera, const CTMesh& mesh);

    // Record the face under the body's cursors, clipped at the near plane (or else the far plane).
    void DeferClippedFace(const CTCamera& camera, const CTMaterial* material, const void* argument);
    void DeferClippedFaceColor(const CTCamera& camera, const CTMaterial* material, const void* argument);
    void DeferClippedFaceColorSpec(const CTCamera& camera, const CTMaterial* material, const void* argument);
    void DeferClippedFaceTex0(const CTCamera& camera, const CTMaterial* material, const void* argument);
    void DeferClippedFaceColorTex0(const CTCamera& camera, const CTMaterial* material, const void* argument);
    void DeferClippedFaceColorSpecTex0(const CTCamera& camera, const CTMaterial* material, const void* argument);
    void DeferClippedFaceTex01(const CTCamera& camera, const CTMaterial* material, const void* argument);
    void DeferClippedFaceColorTex01(const CTCamera& camera, const CTMaterial* material, const void* argument);
    void DeferClippedFaceColorSpecTex01(const CTCamera& camera, const CTMaterial* material, const void* argument);

private:
    template <uint32_t Format>
    void RasterizeBody(const CTCamera& camera, const CTMesh& mesh);
    template <uint32_t Format>
    void DrawClipped(const CTCamera& camera, uint32_t code);
    template <uint32_t Format>
    void DeferWhole(uint32_t code, const CTMaterial* material);
    template <uint32_t Format>
    void DeferClipped(const CTCamera& camera, const CTMaterial* material, const void* argument);
    template <uint32_t Format>
    void GatherCorner(int k, PipeClipPoint& out) const;

    // Cursors of the face being walked.
    const uint16_t* cursorIndex_ = nullptr;
    const uint8_t* cursorCode_ = nullptr;
    const uint16_t* cursorColour_ = nullptr;
};
