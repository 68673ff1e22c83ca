// Kind 9's vertex routines: SSE on blocks of 4 vertices or faces for rigid meshes and one vertex at a time for
// deformed ones, in rounding toward zero.
//
// Each routine sets the rounding for its own call and gives the caller's mode back (this file is
// built with -frounding-math, and the bodies stay out of line so that no arithmetic moves across the
// switch).
#include <cfloat>
#include <cmath>
#include <cstring>

#include <emmintrin.h>

#include "engine3d/VertexStages.h"
#include "raster/HZBuffer.h"
#include "raster/packed/PackedConvert.h"

bool VxSse_SoftwareEstimate = false;

namespace {

struct SseScratch {
    ObjectToCamera<float> view;
    ViewBox<float> box;
    // Rows 0 and 1 of view times the focal scales.
    float folded[2][4];
    __m128 near, far, left, top, right, bottom;
};
SseScratch g;

// 1/x truncated to 12 fraction bits: within 2^-12 of 1/x, exactly 1 for 1. Truncating the double
// quotient gives the truncated exact quotient, since no float's reciprocal lies within 2^-52 below a
// 12-bit value without being it. Zero and denormal divisors give an infinity of their sign (as the
// instruction reads them as zero), results below the normal range a zero of theirs.
__m128 RcpSoftware(__m128 x)
{
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d keep = _mm_castsi128_pd(_mm_set1_epi64x(int64_t(0xFFFFFF0000000000ull)));
    const __m128d lo = _mm_and_pd(_mm_div_pd(one, _mm_cvtps_pd(x)), keep);
    const __m128d hi = _mm_and_pd(_mm_div_pd(one, _mm_cvtps_pd(_mm_movehl_ps(x, x))), keep);
    __m128 r = _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi));
    const __m128 sign = _mm_set1_ps(-0.0f), smallest = _mm_set1_ps(FLT_MIN);
    const __m128 xSign = _mm_and_ps(sign, x);
    __m128 m = _mm_cmplt_ps(_mm_andnot_ps(sign, x), smallest);
    r = _mm_or_ps(_mm_and_ps(m, _mm_or_ps(xSign, _mm_set1_ps(INFINITY))), _mm_andnot_ps(m, r));
    m = _mm_cmplt_ps(_mm_andnot_ps(sign, r), smallest);
    return _mm_or_ps(_mm_and_ps(m, xSign), _mm_andnot_ps(m, r));
}

__m128 Rcp(__m128 x, bool soft) { return soft ? RcpSoftware(x) : _mm_rcp_ps(x); }
float Rcp(float x, bool soft) { return _mm_cvtss_f32(Rcp(_mm_set1_ps(x), soft)); }

const ObjectToCamera<float>& View(const CTCamera& camera, const CTFrame& frame, bool soft)
{
    return View_Current(g.view, camera, frame, [soft](float v, float s) { return v * Rcp(s, soft); });
}

const ViewBox<float>& Box(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds, bool soft)
{
    return Box_Current(g.box, View(camera, frame, soft), bounds);
}

void ClipConstants(const CTCamera& camera)
{
    if (VertexStageCache & VSC_CLIP) return;
    g.near = _mm_set1_ps(camera.near);
    g.far = _mm_set1_ps(camera.far);
    g.left = _mm_set1_ps(camera.slopes[0]);
    g.top = _mm_set1_ps(camera.slopes[1]);
    g.right = _mm_set1_ps(camera.slopes[2]);
    g.bottom = _mm_set1_ps(camera.slopes[3]);
    VertexStageCache |= VSC_CLIP;
}

// Matrix rows with every entry broadcast.
struct Rows {
    __m128 m[3][4];
    explicit Rows(const float (&r)[3][4])
    {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 4; ++j) m[i][j] = _mm_set1_ps(r[i][j]);
    }
    __m128 Apply(int i, __m128 x, __m128 y, __m128 z) const
    {
        return _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(m[i][0], x), _mm_mul_ps(m[i][1], y)), _mm_mul_ps(m[i][2], z)),
                          m[i][3]);
    }
};

// Four clip codes of a comparison, one byte per vertex, moved to the plane's bit.
__m128i PlaneBits(int mask8, int bit)
{
    const __m128i row = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(MmxBitMaskTable[mask8]));
    return _mm_sll_epi64(row, _mm_cvtsi32_si128(bit));
}

uint32_t Bytes4(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

bool BlockUsed(const uint8_t* codes, uint32_t block) { return (Bytes4(codes + 4 * block) & 0x80808080u) != 0; }

[[gnu::noinline]] uint32_t ClassifyBody(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds, bool soft)
{
    return View_ClassifyBox(Box(camera, frame, bounds, soft), camera);
}

[[gnu::noinline]] bool ScreenBoxBody(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds,
                                     ScreenBox& out, bool soft)
{
    return View_ScreenBox(Box(camera, frame, bounds, soft), camera, [soft](float z) { return Rcp(z, soft); }, out);
}

[[gnu::noinline]] uint32_t TransformClipBlocksBody(const CTCamera& camera, const CTFrame& frame, const float* blocks,
                                                   uint32_t groups, float* cameraBlocks, uint8_t* codes, bool soft)
{
    const Rows r(View(camera, frame, soft).m);
    ClipConstants(camera);
    __m128i all = _mm_set1_epi8(-1), any = _mm_setzero_si128();
    for (uint32_t gi = 0; gi < groups; ++gi) {
        // One 8-bit mask per plane, the second block in bits 4 to 7.
        int left = 0, top = 0, right = 0, bottom = 0, near = 0, far = 0;
        for (int h = 0; h < 2; ++h) {
            const size_t at = (2 * size_t(gi) + h) * 12;
            const __m128 X = _mm_load_ps(blocks + at), Y = _mm_load_ps(blocks + at + 4), Z = _mm_load_ps(blocks + at + 8);
            const __m128 x = r.Apply(0, X, Y, Z), y = r.Apply(1, X, Y, Z), z = r.Apply(2, X, Y, Z);
            _mm_store_ps(cameraBlocks + at, x);
            _mm_store_ps(cameraBlocks + at + 4, y);
            _mm_store_ps(cameraBlocks + at + 8, z);
            const int s = 4 * h;
            left |= _mm_movemask_ps(_mm_cmplt_ps(x, _mm_mul_ps(z, g.left))) << s;
            top |= _mm_movemask_ps(_mm_cmplt_ps(y, _mm_mul_ps(z, g.top))) << s;
            right |= _mm_movemask_ps(_mm_cmpgt_ps(x, _mm_mul_ps(z, g.right))) << s;
            bottom |= _mm_movemask_ps(_mm_cmpgt_ps(y, _mm_mul_ps(z, g.bottom))) << s;
            near |= _mm_movemask_ps(_mm_cmplt_ps(z, g.near)) << s;
            far |= _mm_movemask_ps(_mm_cmpgt_ps(z, g.far)) << s;
        }
        const __m128i code = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(PlaneBits(left, 0), PlaneBits(top, 1)), _mm_or_si128(PlaneBits(right, 2), PlaneBits(bottom, 3))),
            _mm_or_si128(PlaneBits(near, 4), PlaneBits(far, 5)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(codes + 8 * size_t(gi)), code);
        all = _mm_and_si128(all, code);
        any = _mm_or_si128(any, code);
    }
    alignas(16) uint8_t a[16], o[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(a), all);
    _mm_store_si128(reinterpret_cast<__m128i*>(o), any);
    uint32_t andCode = 0xFF, orCode = 0;
    for (int k = 0; k < 8; ++k) {
        andCode &= a[k];
        orCode |= o[k];
    }
    return andCode | orCode << 8;
}

// Without kCodes only the camera-space records are written.
template <bool kCodes>
[[gnu::noinline]] uint32_t TransformBody(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions,
                                         uint32_t count, CTVector4* cameraOut, uint8_t* codes, bool soft)
{
    const ObjectToCamera<float>& v = View(camera, frame, soft);
    const __m128 c0 = _mm_setr_ps(v.m[0][0], v.m[1][0], v.m[2][0], 0), c1 = _mm_setr_ps(v.m[0][1], v.m[1][1], v.m[2][1], 0);
    const __m128 c2 = _mm_setr_ps(v.m[0][2], v.m[1][2], v.m[2][2], 0), t = _mm_setr_ps(v.m[0][3], v.m[1][3], v.m[2][3], 0);
    // (x, y, z) against (z left, z top, near) below and (z right, z bottom, far) at or above.
    const __m128 lowScale = _mm_setr_ps(camera.slopes[0], camera.slopes[1], 0, 0);
    const __m128 lowAdd = _mm_setr_ps(0, 0, camera.near, 0);
    const __m128 highScale = _mm_setr_ps(camera.slopes[2], camera.slopes[3], 0, 0);
    const __m128 highAdd = _mm_setr_ps(0, 0, camera.far, INFINITY);
    uint32_t all = 0xFF, any = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const CTVector3& p = positions[i];
        const __m128 c = _mm_add_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(c0, _mm_set1_ps(p.x)), _mm_mul_ps(c1, _mm_set1_ps(p.y))), _mm_mul_ps(c2, _mm_set1_ps(p.z))),
            t);
        _mm_store_ps(&cameraOut[i].x, c);
        if constexpr (!kCodes) continue;
        const __m128 z = _mm_shuffle_ps(c, c, _MM_SHUFFLE(2, 2, 2, 2));
        const int below = _mm_movemask_ps(_mm_cmplt_ps(c, _mm_add_ps(_mm_mul_ps(z, lowScale), lowAdd))) & 7;
        const int above = _mm_movemask_ps(_mm_cmpge_ps(c, _mm_add_ps(_mm_mul_ps(z, highScale), highAdd))) & 7;
        const uint32_t code = uint32_t((below & 3) | (below & 4) << 2 | (above & 3) << 2 | (above & 4) << 3);
        codes[i] = uint8_t(code);
        all &= code;
        any |= code;
    }
    return all | any << 8;
}

[[gnu::noinline]] void TransformProjectBlocksBody(const CTCamera& camera, const CTFrame& frame, const float* blocks,
                                                  uint32_t groups, float* screenBlocks, bool soft)
{
    const ObjectToCamera<float>& v = View(camera, frame, soft);
    if (!(VertexStageCache & VSC_PROJECTION)) {
        for (int j = 0; j < 4; ++j) {
            g.folded[0][j] = v.m[0][j] * camera.Sx;
            g.folded[1][j] = v.m[1][j] * camera.Sy;
        }
        VertexStageCache |= VSC_PROJECTION;
    }
    const Rows r({{g.folded[0][0], g.folded[0][1], g.folded[0][2], g.folded[0][3]},
                  {g.folded[1][0], g.folded[1][1], g.folded[1][2], g.folded[1][3]},
                  {v.m[2][0], v.m[2][1], v.m[2][2], v.m[2][3]}});
    const __m128 cx = _mm_set1_ps(camera.Cx), cy = _mm_set1_ps(camera.Cy);
    const __m128 zo = _mm_set1_ps(camera.Zo), zs = _mm_set1_ps(camera.Zs);
    for (uint32_t b = 0; b < 2 * groups; ++b) {
        const float* in = blocks + size_t(b) * 12;
        const __m128 X = _mm_load_ps(in), Y = _mm_load_ps(in + 4), Z = _mm_load_ps(in + 8);
        const __m128 w = Rcp(r.Apply(2, X, Y, Z), soft);
        float* out = screenBlocks + size_t(b) * 16;
        _mm_store_ps(out, _mm_add_ps(_mm_mul_ps(r.Apply(0, X, Y, Z), w), cx));
        _mm_store_ps(out + 4, _mm_add_ps(_mm_mul_ps(r.Apply(1, X, Y, Z), w), cy));
        _mm_store_ps(out + 8, _mm_sub_ps(zo, _mm_mul_ps(w, zs)));
        _mm_store_ps(out + 12, w);
    }
}

// n . e of four faces of a plane block.
__m128 EyeDistance(const float* block, __m128 ex, __m128 ey, __m128 ez)
{
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_load_ps(block), ex), _mm_mul_ps(_mm_load_ps(block + 4), ey)),
                      _mm_mul_ps(_mm_load_ps(block + 8), ez));
}

[[gnu::noinline]] void CullFacesBlocksBody(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes,
                                           const float* planeBlocks, const CTVector3& eye, uint32_t faceCount)
{
    const __m128 ex = _mm_set1_ps(eye.x), ey = _mm_set1_ps(eye.y), ez = _mm_set1_ps(eye.z);
    for (uint32_t f0 = 0; f0 < faceCount; f0 += 4) {
        const float* block = planeBlocks + size_t(f0) * 4;
        const int culled = _mm_movemask_ps(_mm_cmple_ps(EyeDistance(block, ex, ey, ez), _mm_load_ps(block + 12)));
        for (uint32_t f = f0; f < faceCount && f < f0 + 4; ++f)
            faceCodes[f] = (culled >> (f - f0) & 1) ? uint8_t(CLIP_HIDDEN) : Face_MarkUsed<true>(codes, idx + 3 * size_t(f));
    }
}

[[gnu::noinline]] void CullFacesNoClipBlocksBody(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes,
                                                 const float* planeBlocks, const CTVector3& eye, uint32_t groups)
{
    const __m128 ex = _mm_set1_ps(eye.x), ey = _mm_set1_ps(eye.y), ez = _mm_set1_ps(eye.z);
    for (uint32_t b = 0; b < groups; ++b) {
        const float* block = planeBlocks + size_t(b) * 16;
        // A filler face has a zero plane, so 0 < 0 never shows it.
        const int visible = _mm_movemask_ps(_mm_cmplt_ps(_mm_load_ps(block + 12), EyeDistance(block, ex, ey, ez)));
        // Table bytes 1 for visible faces: shifted to 0x40 and flipped, 0 for visible, 0x40 for culled.
        const uint32_t four = (Bytes4(MmxBitMaskTable[visible]) << 6) ^ 0x40404040u;
        std::memcpy(faceCodes + 4 * size_t(b), &four, 4);
        for (int k = 0; k < 4; ++k)
            if (visible >> k & 1) Face_MarkUsed<false>(codes, idx + 3 * (4 * size_t(b) + k));
    }
}

template <bool kClip>
[[gnu::noinline]] void CullDeformedBody(const uint16_t* idx, CTVector4* normals, uint8_t* codes, const CTVector4* cv,
                                        uint8_t* faceCodes, uint32_t faceCount)
{
    const __m128 xyz = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    for (uint32_t f = 0; f < faceCount; ++f, idx += 3) {
        const __m128 a = _mm_load_ps(&cv[idx[0]].x);
        const __m128 u = _mm_sub_ps(_mm_load_ps(&cv[idx[1]].x), a), v = _mm_sub_ps(_mm_load_ps(&cv[idx[2]].x), a);
        const __m128 n = _mm_and_ps(
            xyz, _mm_sub_ps(_mm_mul_ps(_mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 0, 2, 1)), _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 1, 0, 2))),
                            _mm_mul_ps(_mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 1, 0, 2)), _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 0, 2, 1)))));
        _mm_store_ps(&normals[f].x, n);
        const __m128 m = _mm_mul_ps(n, a);
        const __m128 d = _mm_add_ss(_mm_add_ss(m, _mm_shuffle_ps(m, m, 1)), _mm_shuffle_ps(m, m, 2));
        // Faces away when the sign of n . p0 is clear: +0 is culled, -0 drawn.
        const bool culled = !(_mm_movemask_ps(d) & 1);
        faceCodes[f] = culled ? uint8_t(CLIP_HIDDEN) : Face_MarkUsed<kClip>(codes, idx);
    }
}

// Screen record (Sx x w + Cx, Sy y w + Cy, Zo - w Zs, w) of a camera-space record.
struct Projector {
    __m128 scale, add, depth;
    explicit Projector(const CTCamera& c)
        : scale(_mm_setr_ps(c.Sx, c.Sy, 0, 0)), add(_mm_setr_ps(c.Cx, c.Cy, c.Zo, 0)), depth(_mm_setr_ps(0, 0, c.Zs, -1))
    {
    }
    __m128 operator()(__m128 c, bool soft) const
    {
        const __m128 xyz = _mm_and_ps(c, _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0)));
        const __m128 w = Rcp(_mm_shuffle_ps(c, c, _MM_SHUFFLE(2, 2, 2, 2)), soft);
        return _mm_add_ps(_mm_mul_ps(_mm_mul_ps(xyz, scale), w), _mm_sub_ps(add, _mm_mul_ps(w, depth)));
    }
};

bool Qualifies(uint8_t code) { return (code & (CLIP_USED | CLIP_NEAR)) == CLIP_USED; }

[[gnu::noinline]] void ProjectPairsBody(const uint8_t* codes, const CTVector4* cv, const CTCamera& camera,
                                        CTVector4* screen, uint32_t pairs, bool soft)
{
    const Projector project(camera);
    for (uint32_t k = 0; k < 2 * pairs; k += 2) {
        if (!Qualifies(codes[k]) && !Qualifies(codes[k + 1])) continue;
        _mm_store_ps(&screen[k].x, project(_mm_load_ps(&cv[k].x), soft));
        _mm_store_ps(&screen[k + 1].x, project(_mm_load_ps(&cv[k + 1].x), soft));
    }
}

[[gnu::noinline]] void ProjectBlocksBody(const uint8_t* codes, const float* cameraBlocks, const CTCamera& camera,
                                         float* screenBlocks, uint32_t groups, bool soft)
{
    const __m128 sx = _mm_set1_ps(camera.Sx), sy = _mm_set1_ps(camera.Sy);
    const __m128 cx = _mm_set1_ps(camera.Cx), cy = _mm_set1_ps(camera.Cy);
    const __m128 zo = _mm_set1_ps(camera.Zo), zs = _mm_set1_ps(camera.Zs);
    for (uint32_t b = 0; b < groups; ++b) {
        if (!BlockUsed(codes, b)) continue;
        const float* in = cameraBlocks + size_t(b) * 12;
        const __m128 w = Rcp(_mm_load_ps(in + 8), soft);
        float* out = screenBlocks + size_t(b) * 16;
        _mm_store_ps(out, _mm_add_ps(_mm_mul_ps(_mm_mul_ps(sx, _mm_load_ps(in)), w), cx));
        _mm_store_ps(out + 4, _mm_add_ps(_mm_mul_ps(_mm_mul_ps(sy, _mm_load_ps(in + 4)), w), cy));
        _mm_store_ps(out + 8, _mm_sub_ps(zo, _mm_mul_ps(w, zs)));
        _mm_store_ps(out + 12, w);
    }
}

}  // namespace

float VxSse_Reciprocal(float x) { return Rcp(x, VxSse_SoftwareEstimate); }

uint32_t VxSse_ClassifyBounds(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds)
{
    RastRoundTowardZero rz;
    return ClassifyBody(camera, frame, bounds, VxSse_SoftwareEstimate);
}

uint32_t VxSse_ClassifyBoundsBlocks(const CTCamera& camera, const CTFrame& frame, const CTBounds& bounds)
{
    return VxSse_ClassifyBounds(camera, frame, bounds);
}

bool VxSse_IsBoxVisible(const HZBuffer* hzb, const ClipRect& clip, const CTCamera& camera, const CTFrame& frame,
                        const CTBounds& bounds)
{
    ScreenBox box;
    bool beyondNear;
    {
        RastRoundTowardZero rz;
        beyondNear = ScreenBoxBody(camera, frame, bounds, box, VxSse_SoftwareEstimate);
    }
    // The rectangle test is not SSE code: it runs in the caller's rounding, as the P6 set's does.
    return ScreenBox_Visible(beyondNear, box, clip, hzb, &HZBuffer_IsVisibleP6b);
}

uint32_t VxSse_TransformClipBlocks(const CTCamera& camera, const CTFrame& frame, const float* blocks, uint32_t groups,
                                   float* cameraBlocks, uint8_t* codes)
{
    RastRoundTowardZero rz;
    return TransformClipBlocksBody(camera, frame, blocks, groups, cameraBlocks, codes, VxSse_SoftwareEstimate);
}

uint32_t VxSse_TransformClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions, uint32_t count,
                             CTVector4* cameraOut, uint8_t* codes)
{
    RastRoundTowardZero rz;
    return TransformBody<true>(camera, frame, positions, count, cameraOut, codes, VxSse_SoftwareEstimate);
}

void VxSse_TransformNoClip(const CTCamera& camera, const CTFrame& frame, const CTVector3* positions, uint32_t count,
                           CTVector4* cameraOut)
{
    RastRoundTowardZero rz;
    TransformBody<false>(camera, frame, positions, count, cameraOut, nullptr, VxSse_SoftwareEstimate);
}

void VxSse_TransformProjectBlocks(const CTCamera& camera, const CTFrame& frame, const float* blocks, uint32_t groups,
                                  float* screenBlocks)
{
    RastRoundTowardZero rz;
    TransformProjectBlocksBody(camera, frame, blocks, groups, screenBlocks, VxSse_SoftwareEstimate);
}

void VxSse_CullFacesBlocks(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const float* planeBlocks,
                           const CTVector3& eye, uint32_t faceCount)
{
    RastRoundTowardZero rz;
    CullFacesBlocksBody(faceCodes, idx, codes, planeBlocks, eye, faceCount);
}

void VxSse_CullFacesNoClipBlocks(uint8_t* faceCodes, const uint16_t* idx, uint8_t* codes, const float* planeBlocks,
                                 const CTVector3& eye, uint32_t groups)
{
    RastRoundTowardZero rz;
    CullFacesNoClipBlocksBody(faceCodes, idx, codes, planeBlocks, eye, groups);
}

void VxSse_CullFacesDeformed(const uint16_t* idx, CTVector4* normals, uint8_t* codes, const CTVector4* cameraVertices,
                             uint8_t* faceCodes, uint32_t faceCount)
{
    RastRoundTowardZero rz;
    CullDeformedBody<true>(idx, normals, codes, cameraVertices, faceCodes, faceCount);
}

void VxSse_CullFacesDeformedNoClip(const uint16_t* idx, CTVector4* normals, uint8_t* codes,
                                   const CTVector4* cameraVertices, uint8_t* faceCodes, uint32_t faceCount)
{
    RastRoundTowardZero rz;
    CullDeformedBody<false>(idx, normals, codes, cameraVertices, faceCodes, faceCount);
}

void VxSse_ProjectPairs(const uint8_t* codes, const CTVector4* cameraVertices, const CTCamera& camera,
                        CTVector4* screen, uint32_t pairs)
{
    RastRoundTowardZero rz;
    ProjectPairsBody(codes, cameraVertices, camera, screen, pairs, VxSse_SoftwareEstimate);
}

void VxSse_ProjectBlocks(const uint8_t* codes, const float* cameraBlocks, const CTCamera& camera, float* screenBlocks,
                         uint32_t groups)
{
    RastRoundTowardZero rz;
    ProjectBlocksBody(codes, cameraBlocks, camera, screenBlocks, groups, VxSse_SoftwareEstimate);
}

void VxSse_UnpackCameraBlocks(const uint8_t* codes, float* array, uint32_t groups)
{
    // A camera block (48 bytes) is smaller than its 4 records, so the last block goes first.
    for (uint32_t b = groups; b-- > 0;) {
        if (!BlockUsed(codes, b)) continue;
        __m128 x = _mm_load_ps(array + size_t(b) * 12), y = _mm_load_ps(array + size_t(b) * 12 + 4);
        __m128 z = _mm_load_ps(array + size_t(b) * 12 + 8), w = _mm_setzero_ps();
        _MM_TRANSPOSE4_PS(x, y, z, w);
        float* out = array + size_t(b) * 16;
        _mm_store_ps(out, x);
        _mm_store_ps(out + 4, y);
        _mm_store_ps(out + 8, z);
        _mm_store_ps(out + 12, w);
    }
}

void VxSse_UnpackScreenBlocks(const uint8_t* codes, float* array, uint32_t groups)
{
    for (uint32_t b = 0; b < groups; ++b) {
        if (!BlockUsed(codes, b)) continue;
        float* p = array + size_t(b) * 16;
        __m128 x = _mm_load_ps(p), y = _mm_load_ps(p + 4), z = _mm_load_ps(p + 8), w = _mm_load_ps(p + 12);
        _MM_TRANSPOSE4_PS(x, y, z, w);
        _mm_store_ps(p, x);
        _mm_store_ps(p + 4, y);
        _mm_store_ps(p + 8, z);
        _mm_store_ps(p + 12, w);
    }
}
