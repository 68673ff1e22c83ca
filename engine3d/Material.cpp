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

// Without a z-buffer a material is drawn untested rather than as wireframe: the depth bits go, and
// the 1/z interpolation stays only where the perspective rows need it.
RenderMode WithDepthAvailable(const CTRasterizer& rast, RenderMode mode)
{
    if (rast.EnabledMask() & RM_ZBUFFER) return mode;
    mode &= ~RenderMode(RM_ZBUFFER);
    if (!(mode & RM_PERSPECTIVE)) mode &= ~RenderMode(RM_INTERP_Z);
    return mode;
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
    const uint32_t opacity = Orv3D_Opacity ? uint32_t(RM_OPACITY) : 0u;
    if (!m) {
        rast.SetColor(kOpaqueBlack);
        rast.SetRenderMode(RM_FLAT | opacity);
        return 1;
    }
    if (1.0f - m->colours[0].w > 0.0f) return 2;
    RenderMode mode;
    if (m->texture) {
        rast.SetColor(Material_PackColour(m->colours[0]));
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
    } else {
        rast.SetColor(kOpaqueBlack);
        mode = RM_FLAT;
    }
    // Colour key by material and by the global switch is one bit, never added twice.
    rast.SetRenderMode(WithDepthAvailable(rast, mode | opacity));
    return 1;
}

void CTConfigurer::Material_BindTexture(CTRasterizer& rast, const CTMaterial* m, const void*)
{
    if (!m) return;
    rast.SetColor(Material_PackColour(m->colours[0]));
    const double a = m->colours[0].w;
    const int32_t w = a > 0.0 ? RastTruncSat(std::floor(std::fmin(a, 1.0) * 32.0 + 0.5)) : 0;
    rast.SetVarWeight(uint32_t(w));
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
    }
    if (Orv3D_Opacity) mode |= RM_OPACITY;
    rast.SetRenderMode(WithDepthAvailable(rast, mode));
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
