// Runtime textures and materials, their conversion from database records, and their binding to the
// rasteriser.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "engine3d/DbRecords.h"
#include "engine3d/Vector.h"
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"

class CTRasterizer;

enum : uint8_t {
    TEXTURE_PALETTISED = 0x40,
};

enum : uint32_t {
    MATERIAL_COLORKEY = 0x1,
    MATERIAL_DEFERRED = 0x1000000,
};

struct CTTexture {
    // The map's file name.
    std::string name;
    CSystemMemorySurface surface;
    // TEXTURE_PALETTISED: 8-bit texels, colours in the palette surface.
    uint8_t textureFlags = 0;
    // The plane block in front of the texels of a palettised texture, else null.
    CSurface* palette = nullptr;

    // An 8-bit texture of w x h texels with its plane block: row 0 gets the colours (0xAARRGGBB) in
    // the screen's 16-bit format, padded to 256 entries with black, and the shading rows are built.
    // More than 256 colours, a bad size or a screen format that is not 16-bit is reported and
    // leaves the texture without pixels (false).
    bool CreatePalettised(int w, int h, const CPixelFormat& screenFormat, const uint32_t* argb, int count);
};

struct CTMaterial {
    std::string name;
    // Diffuse (alpha = 1 - transparency), specular, ambient, emissive.
    CTVector4 colours[4];
    float power = 0.0f;
    // MATERIAL_COLORKEY, MATERIAL_DEFERRED.
    uint32_t flags = 0;
    CTTexture* texture = nullptr;
};

// Keyed by name (textures by map file name); the maps keep their elements in place.
using CTTextureMap = std::map<std::string, CTTexture>;
using CTMaterialMap = std::map<std::string, CTMaterial>;

// The runtime material of a record: its colours, power and flags, diffuse alpha 1 - transparency,
// MATERIAL_DEFERRED when it is not opaque, and the texture found under the record's map file name
// (none when the name is empty or not in the map).
void Material_FromDb(const CTDbMaterial& record, CTTextureMap& textures, CTMaterial& out);

// Packs a colour of 0..1 floats into 0xAARRGGBB: each channel x 255 truncated, limited to 0..255.
uint32_t Material_PackColour(const CTVector4& c);

// While non-zero every material is drawn with the colour key (render-mode bit 0x400000).
extern uint32_t Orv3D_Opacity;

// The scene configurer of a pipeline: prepares the rasteriser for the faces of each material.
class CTConfigurer {
public:
    // Non-zero: the palettised modes are shaded (Gouraudmono).
    uint8_t lighting = 0;

    void BeginScene() {}
    void EndScene() {}

    // Opaque faces. 1 when the rasteriser is ready for the material (null: flat black), 2 (and nothing
    // set) for a material that is not opaque. The argument is not read. Every material reaches a
    // filled row: flat faces are depth-tested while a depth buffer is bound and never colour-keyed,
    // and a texture the rasteriser refuses draws the face untextured in the material's colour.
    int Material_SetRasterMode(CTRasterizer& rast, const CTMaterial* material, const void* arg);
    // Deferred faces: the material's colour, texture and mode, textured faces blended by the diffuse
    // alpha weighted by the vertex intensity (VarTransparencyGouraudmono), untextured ones flat as
    // above. A null material does nothing.
    void Material_BindTexture(CTRasterizer& rast, const CTMaterial* material, const void* arg);
    // Releases what the bind locked; does nothing without a material or texture.
    void Material_UnbindTexture(CTRasterizer& rast, const CTMaterial* material, const void* arg);
};
