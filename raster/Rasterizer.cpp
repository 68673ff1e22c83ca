// CTRasterizer: publication of the rasteriser state and selection of routine-table rows.
#include "raster/Rasterizer.h"
#include <algorithm>
#include <bit>
#include <cmath>
#include "app/Cpu.h"
#include "app/Orv_Log.h"

CTRasterizer rasterizerTR;

namespace {

// Routine variant of each processor kind 0..23.
constexpr uint8_t kVariantOfKind[CPU_KIND_MAX + 1] = {
    RK_NONE,     RK_PORTABLE, RK_PORTABLE, RK_PORTABLE, RK_PORTABLE, RK_PORTABLE,  // 0-5
    RK_MMX,      RK_PORTABLE, RK_P2,       RK_P2,       RK_P2,       RK_PORTABLE,  // 6-11
    RK_PORTABLE, RK_PORTABLE, RK_PORTABLE, RK_PORTABLE, RK_PORTABLE, RK_PORTABLE,  // 12-17
    RK_K63D,     RK_K63D,     RK_PORTABLE, RK_PORTABLE, RK_MMX,      RK_MMX,       // 18-23
};

// Channel masks of the blend spans for the two 16-bit formats.
struct ChannelMasks {
    uint32_t spread, carry, green, aboveGreen, red, aboveRed;
};
constexpr ChannelMasks kMasks565{0x07E0F81F, 0xF80000E0, 0x7E0, 0xFFFFF800, 0xF800, 0xFFFF0000};
constexpr ChannelMasks kMasks555{0x03E07C1F, 0xFC0080E0, 0x3E0, 0xFFFFFC00, 0x7C00, 0xFFFF8000};

// Bytes the Texture8 rows read from the palette plane: every shading row of 256 colours.
constexpr int64_t kPalettePlaneBytes = int64_t(kRastPaletteRows) * kRastPaletteEntries * 2;

bool HasPixels(const CSurface* s) { return s && s->pixels && s->width > 0 && s->height > 0 && s->pitch > 0; }

// Pixels per row and rows that a surface's memory holds (none without pixels).
void Extent(const CSurface* s, int32_t& w, int32_t& h)
{
    if (!HasPixels(s)) {
        w = h = 0;
        return;
    }
    w = std::min(s->width, s->pitch);
    h = s->height;
}

// Bit count of a side rounded up to a power of two: 2^n gives n.
uint32_t CeilLog2(int32_t v) { return v > 1 ? uint32_t(std::bit_width(uint32_t(v) - 1)) : 0; }

const RasterizerRow* FindRow(const RasterizerRow* from, RenderMode m, uint32_t key)
{
    const RasterizerRow* end = RasterizerTableEnd();
    if (!from)
        return nullptr;
    for (const RasterizerRow* p = from; p != end; ++p)
        if ((p->mode & ~RM_LINEAR_TWIN) == m && (p->key & key) == key)
            return p;
    return nullptr;
}

void PublishRoutines(const RasterizerRow* row)
{
    rastState.rastTriangleFn = row->triangle;
    rastState.rastSetupFn = row->setup;
    rastState.rastSpanFn = row->span;
    rastState.rastRowName = row->name;
}

}  // namespace

CTRasterizer::CTRasterizer()
{
    rastState.rastMode = 0xFFFFFFFF;
    rastState.rastKey = 0xFFFFFFFF;
    const RasterizerRow* end = RasterizerTableEnd();
    auto& first = rastState.rastFirstRow;
    std::fill(std::begin(first), std::end(first), end);
    for (const RasterizerRow& row : rasterizerTable)
        if (first[row.key & RK_VARIANT_MASK] == end)
            first[row.key & RK_VARIANT_MASK] = &row;
    first[RK_NONE] = end;  // variant 0 has no rows of its own: it is served by the portable fallback
    SetProcessor(GetCPUType());
    SelectRoutine(RM_WIREFRAME, RK_DEST555 | RK_PORTABLE);
}

void CTRasterizer::SetProcessor(int kind)
{
    if (kind < 0 || kind > CPU_KIND_MAX)
        return;
    key_ = (key_ & ~uint32_t(RK_VARIANT_MASK)) | kVariantOfKind[kind];
    defaultZKind_ = RM_DEFAULT_ZKIND;
}

void CTRasterizer::SetTarget(CSurface* surface)
{
    rastState.rastTarget = surface;
    if (!surface)
        return;
    const CPixelFormat& pf = surface->format;
    rastState.rastColor = PackColor(pf, color_);
    rastState.rastAlphaPixel = PackColor(pf, alpha_);
    uint32_t format = 0;
    switch (pf.bitsPerPixel) {
    case 8: format = RK_DEST8; break;
    case 24: format = RK_DEST24; break;
    case 32: format = RK_DEST32; break;
    case 16: {
        const bool is565 = pf == PixelFormatOf(PFID_R5G6B5);
        format = is565 ? RK_DEST565 : RK_DEST555;
        const ChannelMasks& m = is565 ? kMasks565 : kMasks555;
        rastState.rastSpreadMask = m.spread;
        rastState.rastCarryMask = m.carry;
        rastState.rastGreenMask = m.green;
        rastState.rastAboveGreenMask = m.aboveGreen;
        rastState.rastRedMask = m.red;
        rastState.rastAboveRedMask = m.aboveRed;
        break;
    }
    default: return;
    }
    key_ = (key_ & ~uint32_t(RK_FORMAT_MASK)) | format;
}

void CTRasterizer::SetViewport(const ClipRect& rect)
{
    viewport_ = rect;
    PublishViewport();
}

// The published viewport never leaves the destination or the z-buffer: inside a scene it is held to
// the surfaces whose addresses BeginScene published, outside one to the surfaces now set.
void CTRasterizer::PublishViewport()
{
    int32_t w = sceneLimitW_, h = sceneLimitH_;
    if (!inScene_) {
        Extent(rastState.rastTarget, w, h);
        if (zbuffer_) {
            int32_t zw, zh;
            Extent(zbuffer_, zw, zh);
            w = std::min(w, zw);
            h = std::min(h, zh);
        }
    }
    const int32_t top = std::max(viewport_.top, 0);
    const int32_t left = std::max(viewport_.left, 0);
    const int32_t bottomEnd = std::max(std::min(viewport_.bottom, h - 1) + 1, top);
    const int32_t rightEnd = std::max(std::min(viewport_.right, w - 1) + 1, left);
    SpanState& s = rastState;
    s.rastClipTop = top;
    s.rastClipBottomEnd = bottomEnd;
    s.rastClipLeft = left;
    s.rastClipRightEnd = rightEnd;
    s.rastClipLeftF = float(left);
    s.rastClipRightEndF = float(rightEnd);
    s.rastClipLeftNegF = -float(left);
    s.rastClipBottomEndF = float(bottomEnd);
}

void CTRasterizer::ZBuffer(CSurface* surface)
{
    zbuffer_ = surface;
    if (surface)
        enabled_ |= RM_DEPTH_REQUEST;
    else
        enabled_ &= ~uint32_t(RM_DEPTH_REQUEST);
}

void CTRasterizer::SetTexture(CSurface* surface)
{
    const uint32_t wb = HasPixels(surface) ? CeilLog2(surface->width) : 0;
    const uint32_t hb = HasPixels(surface) ? CeilLog2(surface->height) : 0;
    // The spans address rows of 2^wb texels, 2^hb of them, within one 32-bit word: the memory must
    // hold all of that block.
    const bool holds = HasPixels(surface) && wb + hb <= 32 && surface->BlockPixels() >= (int64_t(1) << (wb + hb));
    if (!holds) {
        if (surface && surface != refused_)
            OrvError_Warning("CTRasterizer::SetTexture() %dx%d texture refused: its memory holds %lld of the %lld "
                             "texels it addresses",
                             surface->width, surface->height, (long long)surface->BlockPixels(),
                             (long long)(wb + hb <= 62 ? int64_t(1) << (wb + hb) : -1));
        refused_ = surface;
        texture_ = nullptr;
        enabled_ &= ~uint32_t(RM_TEXTURE);
        return;
    }
    refused_ = nullptr;
    texture_ = surface;
    enabled_ |= RM_TEXTURE;
    SpanState& s = rastState;
    s.rastTexPitch = surface->pitch;
    s.rastTexLastColumn = surface->width - 1;
    s.rastTexLastRow = surface->height - 1;
    s.rastTexBits = static_cast<const uint8_t*>(surface->pixels);
    s.rastTexScaleV = std::ldexp(float(surface->height), 26 - int(hb));
    s.rastTexScaleU = std::ldexp(float(surface->width), 26 - int(hb) - int(wb));
    s.rastTexMaskLo = hb >= 32 ? 0u : 0xFFFFFFFFu >> hb;
    s.rastTexMaskHi = ~s.rastTexMaskLo;
    s.rastTexShift = 32 - hb - wb;
}

void CTRasterizer::SetTexturePalette(CSurface* surface)
{
    if (!HasPixels(surface)) {
        palette_ = nullptr;
        enabled_ &= ~uint32_t(RM_TEXTURE8);
        return;
    }
    palette_ = surface;
    enabled_ |= RM_TEXTURE8;
    const auto* plane = static_cast<const uint16_t*>(surface->pixels);
    rastState.rastPaletteWidth = surface->width;
    rastState.rastPalette = plane;
    rastState.rastShadePlanes = plane + kRastShadeRowFirst * kRastPaletteEntries;
}

void CTRasterizer::SetColor(uint32_t argb)
{
    color_ = argb;
    if (rastState.rastTarget)
        rastState.rastColor = PackColor(rastState.rastTarget->format, argb);
}

// Two colour keys: the 8-bit rows compare the palette index with the byte, the 16-bit rows compare
// the texel with the alpha word packed in the destination format, so neither depends on call order.
void CTRasterizer::SetAlpha(uint32_t value)
{
    const uint32_t a = value & 0xFF;
    alpha_ = a * 0x01010101u;
    rastState.rastAlpha = a;
    if (rastState.rastTarget)
        rastState.rastAlphaPixel = PackColor(rastState.rastTarget->format, alpha_);
}

void CTRasterizer::SetVarAlpha(float alpha)
{
    varAlpha_ = alpha > 0.0f ? std::min(alpha, 1.0f) : 0.0f;
    PublishVarWeight();
}

// The AddVar and SubVar blends scale by weight / 16, the VarGouraudmono blends by weight / 32.
void CTRasterizer::PublishVarWeight() const
{
    const uint32_t blends = RM_ADD | RM_SRC_SUB_DEST | RM_DEST_SUB_SRC;
    const double scale = (rastState.rastMode & RM_VAR_TRANSPARENCY) && (rastState.rastMode & blends) ? 16.0 : 32.0;
    const auto w = uint16_t(std::floor(double(varAlpha_) * scale + 0.5));
    SpanState& s = rastState;
    s.rastVarWeightR = s.rastVarWeightG = s.rastVarWeightB = w;
    std::fill(std::begin(s.rastVarFactorGreen), std::end(s.rastVarFactorGreen), w);
    std::fill(std::begin(s.rastVarFactorRedBlue), std::end(s.rastVarFactorRedBlue), w);
}

uint32_t CTRasterizer::UsableResources(RenderMode m) const
{
    uint32_t usable = enabled_;
    if (m & RM_ZBUFFER) {
        const int need = (m & RM_ZKIND_ZI32) ? 4 : 2;
        if (!HasPixels(zbuffer_) || zbuffer_->BytesPerPixel() < need)
            usable &= ~uint32_t(RM_DEPTH_REQUEST);
    }
    if (m & RM_TEXTURE) {
        const int need = (m & RM_TEXTURE8) ? 1 : 2;
        if (!HasPixels(texture_) || texture_->BytesPerPixel() < need)
            usable &= ~uint32_t(RM_TEXTURE);
    }
    if (m & RM_TEXTURE8) {
        if (!HasPixels(palette_) || int64_t(palette_->PitchBytes()) * palette_->height < kPalettePlaneBytes)
            usable &= ~uint32_t(RM_TEXTURE8);
    }
    return usable;
}

bool CTRasterizer::CacheHit(RenderMode mode, uint32_t key, uint32_t resources) const
{
    const SpanState& s = rastState;
    return cache_.valid && row_ && cache_.mode == mode && cache_.key == key && cache_.resources == resources &&
           cache_.defaultZKind == defaultZKind_ && s.rastMode == cache_.publishedMode &&
           s.rastKey == cache_.publishedKey && s.rastTriangleFn == row_->triangle && s.rastSetupFn == row_->setup &&
           s.rastSpanFn == row_->span && s.rastRowName == row_->name;
}

// The row a request selects: the mode completed with the default z kind, its resources usable,
// searched in the key's group, then in the portable group; the wireframe row otherwise.
const RasterizerRow* CTRasterizer::Lookup(RenderMode mode, uint32_t key, RenderMode& m, uint32_t& usedKey) const
{
    m = mode & ~RM_LINEAR_TWIN;
    if ((mode & (RM_ZKIND_MASK | RM_DEPTH_REQUEST)) == RM_DEPTH_REQUEST)
        m |= defaultZKind_;
    usedKey = key;
    const RasterizerRow* row = nullptr;
    // A key without a destination format would match every row's formats and draw into nothing.
    if ((m & RM_RESOURCE_MASK & ~UsableResources(m)) == 0 && (key & RK_FORMAT_MASK) != 0) {
        row = FindRow(rastState.rastFirstRow[key & RK_VARIANT_MASK], m, key);
        if (!row) {
            usedKey = (key & 0xFF00) | RK_PORTABLE;
            row = FindRow(RasterizerTableBegin(), m, usedKey);
        }
    }
    return row ? row : RasterizerTableBegin();
}

bool CTRasterizer::HasRowFor(RenderMode mode) const
{
    RenderMode m;
    uint32_t usedKey;
    return Lookup(mode, key_, m, usedKey) != RasterizerTableBegin();
}

void CTRasterizer::SelectRoutine(RenderMode mode, uint32_t key)
{
    RenderMode m = mode & ~RM_LINEAR_TWIN;
    if ((mode & (RM_ZKIND_MASK | RM_DEPTH_REQUEST)) == RM_DEPTH_REQUEST)
        m |= defaultZKind_;
    const uint32_t resources = UsableResources(m);
    if (!CacheHit(mode, key, resources)) {
        uint32_t usedKey;
        const RasterizerRow* row = Lookup(mode, key, m, usedKey);
        PublishRoutines(row);
        rastState.rastMode = m | (mode & row->mode & RM_LINEAR_TWIN);
        rastState.rastKey = usedKey;
        row_ = row;
        cache_ = Cache{true, mode, key, resources, defaultZKind_, rastState.rastMode, usedKey};
    }
    PublishVarWeight();
}

void CTRasterizer::BeginScene()
{
    inScene_ = true;
    SpanState& s = rastState;
    if (CSurface* t = s.rastTarget) {
        s.rastDestPitch = int32_t(t->format.bitsPerPixel / 8) * t->pitch;
        s.rastDestBits = static_cast<uint8_t*>(t->pixels);
    }
    Extent(s.rastTarget, sceneLimitW_, sceneLimitH_);
    if (zbuffer_) {
        s.rastZPitch = int32_t(zbuffer_->format.bitsPerPixel / 8) * zbuffer_->pitch;
        s.rastZBits = static_cast<uint8_t*>(zbuffer_->pixels);
        int32_t zw, zh;
        Extent(zbuffer_, zw, zh);
        sceneLimitW_ = std::min(sceneLimitW_, zw);
        sceneLimitH_ = std::min(sceneLimitH_, zh);
    }
    PublishViewport();
}

CPixelFormat& CTRasterizer::GetZBufferFormat(CPixelFormat& out) const
{
    int id = 0;
    switch (defaultZKind_) {
    case 0x106: id = PFID_Z32; break;
    case 0x806: case 0x86: case 0x1006: id = PFID_Z16; break;
    case 0x206: id = PFID_D16; break;
    case 0x406: id = PFID_D32; break;
    default: return out;
    }
    GetPixelFormat(id, out);
    return out;
}

void CTRasterizer::DrawTriangle()
{
    SpanState& s = rastState;
    const RasterizerRow* row = row_;
    // The twin switch applies only while this rasteriser's twin-allowing selection is published.
    const bool twinAllowed = row && row != RasterizerTableBegin() && (row->mode & RM_LINEAR_TWIN) &&
                             (s.rastMode & RM_LINEAR_TWIN) && s.rastTriangleFn == row->triangle &&
                             s.rastRowName == row->name;
    const RastVertex* v = s.rastVertices;
    // trunc(|dx|) > 32 is |dx| >= 33; a non-finite difference keeps the perspective row.
    const bool narrow = std::fabs(v[0].x - v[1].x) < 33.0f && std::fabs(v[0].x - v[2].x) < 33.0f;
    if (!twinAllowed || !narrow) {
        if (s.rastTriangleFn)
            s.rastTriangleFn();
        return;
    }
    const RasterizerRow* twin = row - 1;
    PublishRoutines(twin);
    s.rastMode = twin->mode;
    s.rastKey = twin->key;
    if (twin->triangle)
        twin->triangle();
    PublishRoutines(row);
    s.rastMode = row->mode;
    s.rastKey = row->key;
}
