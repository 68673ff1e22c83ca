// The object bodies and their deferred clipping: one walk, instantiated per vertex format.
#include <algorithm>

#include "engine3d/PolygonPipeline.h"
#include "raster/Rasterizer.h"
#include "raster/SpanState.h"
#include "raster/portable/RastConvert.h"

// A face corner or a clipped point with the attributes of the body's format.
struct PipeClipPoint {
    CTVector3 cam;
    CTVector4 screen;  // screen x, screen y, depth, q
    float u0 = 0.0f, v0 = 0.0f, u1 = 0.0f, v1 = 0.0f;
    CTVector4 diffuse;  // channels 0..1
    CTVector4 specular;
    uint32_t diffusePacked = 0xFFFFFFFF;
    uint32_t specularPacked = 0;
};

CTVector4 color_unpack_argb(uint32_t argb)
{
    constexpr float k = 0.003921569f;
    return {float(argb >> 16 & 0xFF) * k, float(argb >> 8 & 0xFF) * k, float(argb & 0xFF) * k, float(argb >> 24) * k};
}

namespace {

uint32_t PackTruncated(const CTVector4& c)
{
    auto ch = [](float v) {
        const int32_t i = RastTruncSat(double(v * 255.0f));
        return uint32_t(std::clamp(i, 0, 255));
    };
    return ch(c.w) << 24 | ch(c.x) << 16 | ch(c.y) << 8 | ch(c.z);
}

float Lerp(float a, float b, float t) { return a + (b - a) * t; }

CTVector4 Lerp(const CTVector4& a, const CTVector4& b, float t)
{
    return {Lerp(a.x, b.x, t), Lerp(a.y, b.y, t), Lerp(a.z, b.z, t), Lerp(a.w, b.w, t)};
}

// The point of the edge from a to b on the plane z = d, attributes blended with the same t.
template <uint32_t F>
PipeClipPoint Cut(const PipeClipPoint& a, const PipeClipPoint& b, float d, const CTCamera& camera)
{
    const float t = (d - a.cam.z) / (b.cam.z - a.cam.z);
    PipeClipPoint r;
    r.cam = {Lerp(a.cam.x, b.cam.x, t), Lerp(a.cam.y, b.cam.y, t), d};
    r.screen = camera.ProjectPoint(r.cam);
    if constexpr (F & PV_TEX0) {
        r.u0 = Lerp(a.u0, b.u0, t);
        r.v0 = Lerp(a.v0, b.v0, t);
    }
    if constexpr (F & PV_TEX1) {
        r.u1 = Lerp(a.u1, b.u1, t);
        r.v1 = Lerp(a.v1, b.v1, t);
    }
    if constexpr (F & PV_DIFFUSE) {
        r.diffuse = Lerp(a.diffuse, b.diffuse, t);
        r.diffusePacked = PackTruncated(r.diffuse);
    }
    if constexpr (F & PV_SPECULAR) {
        r.specular = Lerp(a.specular, b.specular, t);
        r.specularPacked = PackTruncated(r.specular);
    }
    return r;
}

// Appends the point to the rasteriser's vertex list; attributes the body lacks are neutral.
template <uint32_t F>
void Emit(const PipeClipPoint& p)
{
    float u = 0.0f, v = 0.0f;
    if constexpr (F & PV_TEX0) {
        u = p.u0;
        v = p.v0;
    }
    const CTVector4 shade = (F & PV_DIFFUSE) ? p.diffuse : CTVector4{1, 1, 1, 1};
    rast_emit_vertex(p.screen.x, p.screen.y, p.screen.w, u, v, shade);
}

PipeVertex Record(const PipeClipPoint& p)
{
    PipeVertex v;
    v.sx = p.screen.x;
    v.sy = p.screen.y;
    v.depth = p.screen.z;
    v.q = p.screen.w;
    v.u0 = p.u0;
    v.v0 = p.v0;
    v.u1 = p.u1;
    v.v1 = p.v1;
    v.diffuse = p.diffusePacked;
    v.specular = p.specularPacked;
    return v;
}

}  // namespace

void rast_set_vertex_shade(float red, float green, float blue)
{
    RastVertex& r = *rastState.rastVertexEnd;
    r.shade0 = red;
    r.shade1 = green;
    r.shade2 = blue;
}

void rast_emit_vertex(float x, float y, float q, float u, float v, const CTVector4& shade)
{
    rast_set_vertex_shade(shade.x, shade.y, shade.z);
    RastVertex& r = *rastState.rastVertexEnd++;
    r.u = u;
    r.v = v;
    r.x = x;
    r.y = y;
    r.z = q;
}

void rast_draw_polygon(CTRasterizer& rasterizer)
{
    if (rastState.rastVertexEnd - rastState.rastVertices < 3) return;
    if (rastState.rastMode & RM_LINEAR_TWIN)
        rasterizer.DrawTriangle();
    else if (rastState.rastTriangleFn)
        rastState.rastTriangleFn();
}

template <uint32_t F>
void CTPolygonPipeline::GatherCorner(int k, PipeClipPoint& out) const
{
    const uint16_t vi = cursorIndex_[k];
    const CTVector4& c = cameraVertices[vi];
    out.cam = {c.x, c.y, c.z};
    out.screen = screenVertices[vi];
    if constexpr (F & PV_TEX0) {
        out.u0 = texResult[0][2 * k];
        out.v0 = texResult[0][2 * k + 1];
    }
    if constexpr (F & PV_TEX1) {
        out.u1 = texResult[1][2 * k];
        out.v1 = texResult[1][2 * k + 1];
    }
    if constexpr (F & PV_DIFFUSE) {
        out.diffusePacked = currentColours[cursorColour_[k]];
        out.diffuse = color_unpack_argb(out.diffusePacked);
    }
    if constexpr (F & PV_SPECULAR) {
        out.specularPacked = currentSpecular[cursorColour_[k]];
        out.specular = color_unpack_argb(out.specularPacked);
    }
}

// Clips the face at the near and far planes in one pass over its edges and draws what is left.
template <uint32_t F>
void CTPolygonPipeline::DrawClipped(const CTCamera& camera, uint32_t code)
{
    enum { In, Near, Far };
    rasterizer->faceCode = code & CLIP_PLANES;
    rastState.rastVertexEnd = rastState.rastVertices;
    PipeClipPoint c[3];
    int side[3];
    for (int k = 0; k < 3; ++k) {
        GatherCorner<F>(k, c[k]);
        const uint8_t vc = vertexCodes[cursorIndex_[k]];
        side[k] = (vc & CLIP_NEAR) ? Near : (vc & CLIP_FAR) ? Far : In;
    }
    const float nearD = camera.near, farD = camera.far;
    for (int i = 0; i < 3; ++i) {
        const int p = (i + 2) % 3;
        const PipeClipPoint& P = c[p];
        const PipeClipPoint& C = c[i];
        switch (side[i]) {
        case In:
            if (side[p] != In) Emit<F>(Cut<F>(P, C, side[p] == Near ? nearD : farD, camera));
            Emit<F>(C);
            break;
        case Far:
            if (side[p] == Far) break;
            if (side[p] == Near) Emit<F>(Cut<F>(P, C, nearD, camera));
            Emit<F>(Cut<F>(P, C, farD, camera));
            break;
        default:
            if (side[p] == Near) break;
            if (side[p] == Far) Emit<F>(Cut<F>(P, C, farD, camera));
            Emit<F>(Cut<F>(P, C, nearD, camera));
            break;
        }
    }
    rast_draw_polygon(*rasterizer);
}

template <uint32_t F>
void CTPolygonPipeline::DeferWhole(uint32_t code, const CTMaterial* material)
{
    PipeFace face;
    face.code = code;
    face.format = F;
    face.count = 3;
    face.material = material;
    face.first = uint32_t(vertexList.size());
    float sum = 0.0f;
    for (int k = 0; k < 3; ++k) {
        PipeClipPoint c;
        GatherCorner<F>(k, c);
        vertexList.push_back(Record(c));
        sum += c.screen.w;
    }
    face.key = sum * 0.33333334f;
    faceList.push_back(face);
}

// One plane only: the near plane when a corner is nearer, else the far plane.
template <uint32_t F>
void CTPolygonPipeline::DeferClipped(const CTCamera& camera, const CTMaterial* material, const void* argument)
{
    const uint32_t code = *cursorCode_;
    const bool nearPlane = (code & CLIP_NEAR) != 0;
    const float d = nearPlane ? camera.near : camera.far;
    const uint8_t outBit = nearPlane ? CLIP_NEAR : CLIP_FAR;
    PipeFace face;
    face.code = code;
    face.format = F;
    face.material = material;
    face.argument = argument;
    face.first = uint32_t(vertexList.size());
    PipeClipPoint c[3];
    bool out[3];
    for (int k = 0; k < 3; ++k) {
        GatherCorner<F>(k, c[k]);
        out[k] = (vertexCodes[cursorIndex_[k]] & outBit) != 0;
    }
    auto append = [&](const PipeClipPoint& p) {
        vertexList.push_back(Record(p));
        face.key += p.screen.w;
        ++face.count;
    };
    for (int i = 0; i < 3; ++i) {
        const int p = (i + 2) % 3;
        if (!out[i]) {
            if (out[p]) append(Cut<F>(c[i], c[p], d, camera));
            append(c[i]);
        } else if (!out[p]) {
            append(Cut<F>(c[p], c[i], d, camera));
        }
    }
    if (face.count) face.key /= float(face.count);
    faceList.push_back(face);
}

template <uint32_t F>
void CTPolygonPipeline::RasterizeBody(const CTCamera& camera, const CTMesh& mesh)
{
    if (!rasterizer || !configurer) return;
    uint32_t total = std::min<uint32_t>(mesh.faceCount, uint32_t(mesh.faceIndices.size() / 3));
    if constexpr (F & (PV_DIFFUSE | PV_SPECULAR)) total = std::min<uint32_t>(total, uint32_t(mesh.faceColours.size() / 3));
    cursorIndex_ = mesh.faceIndices.data();
    cursorCode_ = currentFaceCodes;
    cursorColour_ = mesh.faceColours.data();
    uint32_t face = 0;
    const size_t groups = std::min(size_t(mesh.groupCount), mesh.groupFaces.size());
    for (size_t g = 0; g < groups; ++g) {
        const CTMaterial* m = g < materialTable.size() ? materialTable[g] : nullptr;
        const int result = configurer->Material_SetRasterMode(*rasterizer, m, nullptr);
        const uint32_t n = std::min<uint32_t>(mesh.groupFaces[g], total - face);
        for (uint32_t k = 0; k < n; ++k, ++face) {
            ++facesExamined;
            const uint32_t code = *cursorCode_;
            if (!(code & CLIP_HIDDEN)) {
                ++facesDrawn;
                const bool clipped = (code & (CLIP_NEAR | CLIP_FAR)) != 0;
                if (result == 1 && clipped) {
                    DrawClipped<F>(camera, code);
                } else if (result == 1) {
                    rasterizer->faceCode = code & CLIP_PLANES;
                    rastState.rastVertexEnd = rastState.rastVertices;
                    for (int c = 0; c < 3; ++c) {
                        PipeClipPoint p;
                        GatherCorner<F>(c, p);
                        Emit<F>(p);
                    }
                    rast_draw_polygon(*rasterizer);
                } else if (clipped) {
                    DeferClipped<F>(camera, m, nullptr);
                } else {
                    DeferWhole<F>(code, m);
                }
            }
            cursorIndex_ += 3;
            ++cursorCode_;
            if constexpr (F & (PV_DIFFUSE | PV_SPECULAR)) cursorColour_ += 3;
            if constexpr (F & PV_TEX0) texResult[0] += 6;
            if constexpr (F & PV_TEX1) texResult[1] += 6;
        }
        if (result == 1) configurer->Material_UnbindTexture(*rasterizer, m, nullptr);
    }
}

void CTPolygonPipeline::RasterizeObject(const CTCamera& c, const CTMesh& m) { RasterizeBody<0>(c, m); }
void CTPolygonPipeline::RasterizeColor(const CTCamera& c, const CTMesh& m) { RasterizeBody<PV_DIFFUSE>(c, m); }
void CTPolygonPipeline::RasterizeColorSpec(const CTCamera& c, const CTMesh& m)
{
    RasterizeBody<PV_DIFFUSE | PV_SPECULAR>(c, m);
}
void CTPolygonPipeline::RasterizeTex0(const CTCamera& c, const CTMesh& m) { RasterizeBody<PV_TEX0>(c, m); }
void CTPolygonPipeline::RasterizeColorTex0(const CTCamera& c, const CTMesh& m)
{
    RasterizeBody<PV_DIFFUSE | PV_TEX0>(c, m);
}
void CTPolygonPipeline::RasterizeColorSpecTex0(const CTCamera& c, const CTMesh& m)
{
    RasterizeBody<PV_DIFFUSE | PV_SPECULAR | PV_TEX0>(c, m);
}
void CTPolygonPipeline::RasterizeTex01(const CTCamera& c, const CTMesh& m) { RasterizeBody<PV_TEX0 | PV_TEX1>(c, m); }
void CTPolygonPipeline::RasterizeColorTex01(const CTCamera& c, const CTMesh& m)
{
    RasterizeBody<PV_DIFFUSE | PV_TEX0 | PV_TEX1>(c, m);
}
void CTPolygonPipeline::RasterizeColorSpecTex01(const CTCamera& c, const CTMesh& m)
{
    RasterizeBody<PV_DIFFUSE | PV_SPECULAR | PV_TEX0 | PV_TEX1>(c, m);
}

void CTPolygonPipeline::DeferClippedFace(const CTCamera& c, const CTMaterial* m, const void* a) { DeferClipped<0>(c, m, a); }
void CTPolygonPipeline::DeferClippedFaceColor(const CTCamera& c, const CTMaterial* m, const void* a)
{
    DeferClipped<PV_DIFFUSE>(c, m, a);
}
void CTPolygonPipeline::DeferClippedFaceColorSpec(const CTCamera& c, const CTMaterial* m, const void* a)
{
    DeferClipped<PV_DIFFUSE | PV_SPECULAR>(c, m, a);
}
void CTPolygonPipeline::DeferClippedFaceTex0(const CTCamera& c, const CTMaterial* m, const void* a)
{
    DeferClipped<PV_TEX0>(c, m, a);
}
void CTPolygonPipeline::DeferClippedFaceColorTex0(const CTCamera& c, const CTMaterial* m, const void* a)
{
    DeferClipped<PV_DIFFUSE | PV_TEX0>(c, m, a);
}
void CTPolygonPipeline::DeferClippedFaceColorSpecTex0(const CTCamera& c, const CTMaterial* m, const void* a)
{
    DeferClipped<PV_DIFFUSE | PV_SPECULAR | PV_TEX0>(c, m, a);
}
void CTPolygonPipeline::DeferClippedFaceTex01(const CTCamera& c, const CTMaterial* m, const void* a)
{
    DeferClipped<PV_TEX0 | PV_TEX1>(c, m, a);
}
void CTPolygonPipeline::DeferClippedFaceColorTex01(const CTCamera& c, const CTMaterial* m, const void* a)
{
    DeferClipped<PV_DIFFUSE | PV_TEX0 | PV_TEX1>(c, m, a);
}
void CTPolygonPipeline::DeferClippedFaceColorSpecTex01(const CTCamera& c, const CTMaterial* m, const void* a)
{
    DeferClipped<PV_DIFFUSE | PV_SPECULAR | PV_TEX0 | PV_TEX1>(c, m, a);
}
