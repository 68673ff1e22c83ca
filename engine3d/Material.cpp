// Runtime textures and materials and their binding to the rasteriser.
#include "engine3d/Material.h"

#include <cmath>
#include <cstring>

#include "app/Orv_Log.h"
#include "raster/LightPlanes.h"
#include "raster/Rasterizer.h"
#include "raster/SpanState.h"
#include "raster/portable/RastConvert.h"

uint32_t Orv3D_Opacity = 0;

namespace {

constexpr uint32_t kMarkLocked = SURF_WRITE_LOCK;
constexpr uint32_t kOpaqueBlack = 0xFF000000;

uint32_t Channel(float v)
{
    const int32_t c = RastTruncSat(double(v) * 255.0);
    return uint32_t(c < 0 ? 0 : c > 255 ? 255 : c);
}

void LockInto(CSurface& s)
{
    s.flags |= kMarkLocked;
    s.Lock(0);
}

void UnlockFrom(CSurface& s)
{
    s.flags &= SURF_LOCK_CLEAR_MASK;
    s.Unlock();
}

// Binds the texture and, for a palettised one, its plane; true when palettised.
bool BindTextureSurfaces(CTRasterizer& rast, CTTexture& t)
{
    LockInto(t.surface);
    rast.SetTexture(&t.surface);
    if (!(t.textureFlags & TEXTURE_PALETTISED) || !t.palette) return false;
    LockInto(*t.palette);
    rast.SetTexturePalette(t.palette);
    return true;
}

// Flat faces: depth-tested on the Zi32 flat row while a depth buffer is bound, so that they hide
// and are hidden like the textured faces; untested otherwise. No flat row has a colour key.
RenderMode FlatMode(const CTRasterizer& rast)
{
    constexpr RenderMode kTested = RM_FLAT | RM_DEPTH_REQUEST;
    return rast.HasRowFor(kTested) ? kTested : RenderMode(RM_FLAT);
}

// The mode a face is drawn with: the textured mode where a row serves it; else the same without the
// depth buffer (none bound, or one the rows cannot use), keeping the 1/z interpolation only where
// the perspective rows need it; else untextured (a texture refused or of the wrong kind).
RenderMode Drawable(const CTRasterizer& rast, RenderMode mode)
{
    if (!(mode & RM_TEXTURE)) return FlatMode(rast);
    if (rast.HasRowFor(mode)) return mode;
    RenderMode untested = mode & ~RenderMode(RM_ZBUFFER);
    if (!(untested & RM_PERSPECTIVE)) untested &= ~RenderMode(RM_INTERP_Z);
    if (rast.HasRowFor(untested)) return untested;
    return FlatMode(rast);
}

}  // namespace

bool CTTexture::CreatePalettised(int w, int h, const CPixelFormat& screenFormat, const uint32_t* argb, int count)
{
    surface.Free();
    palette = nullptr;
    textureFlags &= uint8_t(~TEXTURE_PALETTISED);
    if (count < 0 || count > kRastPaletteEntries || (count > 0 && !argb)) {
        OrvError_Warning("Texture %s: %d palette colours (at most %d)", name.c_str(), count, kRastPaletteEntries);
        return false;
    }
    if (!Texture_CreatePalettised(surface, w, h, screenFormat)) return false;
    auto* row0 = static_cast<uint16_t*>(surface.plane.pixels);
    for (int e = 0; e < kRastPaletteEntries; ++e)
        row0[e] = uint16_t(PackColor(screenFormat, e < count ? argb[e] : kOpaqueBlack));
    if (!Texture_BuildLightPlanes(surface.plane, screenFormat)) {
        surface.Free();
        return false;
    }
    palette = &surface.plane;
    textureFlags |= TEXTURE_PALETTISED;
    return true;
}

uint32_t Material_PackColour(const CTVector4& c)
{
    return Channel(c.w) << 24 | Channel(c.x) << 16 | Channel(c.y) << 8 | Channel(c.z);
}

void Material_FromDb(const CTDbMaterial& r, CTTextureMap& textures, CTMaterial& out)
{
    out.name = r.name;
    for (int i = 0; i < 4; ++i) out.colours[i] = r.colours[i];
    out.colours[0].w = 1.0f - r.transparency;
    out.power = r.power;
    out.flags = r.flags;
    if (r.transparency > 0.0f) out.flags |= MATERIAL_DEFERRED;
    out.texture = nullptr;
    if (!r.mapFile.empty()) {
        auto it = textures.find(r.mapFile);
        if (it != textures.end()) out.texture = &it->second;
    }
}

int CTConfigurer::Material_SetRasterMode(CTRasterizer& rast, const CTMaterial* m, const void*)
{
    if (!m) {
        rast.SetColor(kOpaqueBlack);
        rast.SetRenderMode(FlatMode(rast));
        return 1;
    }
    if (1.0f - m->colours[0].w > 0.0f) return 2;
    rast.SetColor(Material_PackColour(m->colours[0]));
    RenderMode mode = RM_FLAT;
    if (m->texture) {
        if (BindTextureSurfaces(rast, *m->texture)) {
            mode = 0x800E;
            if (lighting) mode |= RM_GOURAUDMONO;
            if (m->flags & MATERIAL_COLORKEY) {
                rast.SetAlpha(255);
                mode |= RM_OPACITY;
            }
        } else {
            mode = 0x20000E;
        }
        // Colour key by material and by the global switch is one bit, never added twice.
        if (Orv3D_Opacity) mode |= RM_OPACITY;
    } else {
        rast.SetColor(kOpaqueBlack);
    }
    rast.SetRenderMode(Drawable(rast, mode));
    return 1;
}

void CTConfigurer::Material_BindTexture(CTRasterizer& rast, const CTMaterial* m, const void*)
{
    if (!m) return;
    rast.SetColor(Material_PackColour(m->colours[0]));
    // Translucent faces blend by the material's alpha, weighted by the vertex intensity.
    rast.SetVarAlpha(m->colours[0].w);
    RenderMode mode = RM_FLAT;
    if (m->texture) {
        if (BindTextureSurfaces(rast, *m->texture)) {
            mode = 0x1010800E;
            if (m->flags & MATERIAL_COLORKEY) {
                rast.SetAlpha(255);
                mode |= RM_OPACITY;
            }
        } else {
            mode = 0x1010000E;
        }
        if (Orv3D_Opacity) mode |= RM_OPACITY;
    }
    rast.SetRenderMode(Drawable(rast, mode));
}

void CTConfigurer::Material_UnbindTexture(CTRasterizer& rast, const CTMaterial* m, const void*)
{
    if (!m || !m->texture) return;
    CTTexture& t = *m->texture;
    UnlockFrom(t.surface);
    rast.SetTexture(nullptr);
    if ((t.textureFlags & TEXTURE_PALETTISED) && t.palette) {
        UnlockFrom(*t.palette);
        rast.SetTexturePalette(nullptr);
    }
}
