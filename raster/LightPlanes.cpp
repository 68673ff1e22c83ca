// The palette plane block of 8-bit textures.
#include "raster/LightPlanes.h"

#include <cstring>

#include "app/Orv_Log.h"
#include "raster/SpanState.h"

bool Texture_CreatePalettised(CSystemMemorySurface& texture, int w, int h, const CPixelFormat& screenFormat)
{
    if (screenFormat.bitsPerPixel != 16) {
        OrvError_Warning("Texture_CreatePalettised() screen format of %u bits", screenFormat.bitsPerPixel);
        return false;
    }
    return texture.CreateWithPlane(w, h, PixelFormatOf(PFID_P8), kRastPaletteEntries, kRastPaletteRows, screenFormat);
}

bool Texture_BuildLightPlanes(CSurface& plane, const CPixelFormat& screenFormat)
{
    if (!plane.pixels || plane.format.bitsPerPixel != 16 || plane.pitch != kRastPaletteEntries ||
        plane.width < kRastPaletteEntries || plane.height < kRastPaletteRows) {
        OrvError_Warning("Texture_BuildLightPlanes() plane %dx%d pitch %d, %u bits: needs 256x35, 16 bits",
                         plane.width, plane.height, plane.pitch, plane.format.bitsPerPixel);
        return false;
    }
    auto* rows = static_cast<uint16_t*>(plane.pixels);
    const bool is555 = PixelFormat_Is555(screenFormat);
    for (int e = 0; e < kRastPaletteEntries; ++e) {
        const uint32_t rgb = UnpackColor(screenFormat, rows[e]) & 0x00FFFFFF;
        // Rows 1 and 2 hold the 256 words one after the other.
        std::memcpy(rows + kRastPaletteEntries + 2 * e, &rgb, sizeof rgb);
        const uint32_t r = (rgb >> 19) & 31, g = (rgb >> 11) & 31, b = (rgb >> 3) & 31;
        for (uint32_t k = 0; k < kRastShadeLevels; ++k) {
            const uint32_t k4 = 4 * k;
            const uint32_t packed = is555 ? (((k4 * g) >> 2) & 0xFFE0) | (((k4 * r) & 0xFF80) << 3) | ((k4 * b) >> 7)
                                          : (((k4 * g) >> 1) & 0xFFE0) | (((k4 * r) & 0xFF80) << 4) | ((k4 * b) >> 7);
            rows[(kRastShadeRowFirst + k) * kRastPaletteEntries + e] = static_cast<uint16_t>(packed);
        }
    }
    return true;
}
