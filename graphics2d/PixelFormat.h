// Pixel formats: the seven-word record, the table of 47 named formats, colour packing.
#pragma once
#include <cstdint>

struct CPixelFormat {
    uint32_t flags = 0;      // 0x40 paletted, see PF_* flags
    uint32_t bitsPerPixel = 0;
    uint32_t fourCC = 0;
    uint32_t redMask = 0;    // luminance mask for PF_LUMINANCE rows
    uint32_t greenMask = 0;  // depth mask for PF_ZBUFFER rows
    uint32_t blueMask = 0;   // stencil mask for PF_ZBUFFER rows
    uint32_t alphaMask = 0;

    bool operator==(const CPixelFormat&) const = default;
    int BytesPerPixel() const { return int((bitsPerPixel + 7) / 8); }
};

enum : uint32_t {
    PF_ALPHAPIXELS = 0x01,
    PF_ALPHA = 0x02,       // alpha only
    PF_FOURCC = 0x04,
    PF_PALETTED4 = 0x08,
    PF_PALETTED = 0x40,    // 8-bit indices
    PF_RGB = 0x20,
    PF_ZBUFFER = 0x400,
    PF_PALETTED1 = 0x800,
    PF_PALETTED2 = 0x1000,
    PF_STENCIL = 0x4000,
    PF_RASTERZ = 0x8000,   // the software rasteriser's own integer depth buffers
    PF_LUMINANCE = 0x20000,
};

// Table ids: one contiguous range, PFID_FIRST to PFID_LAST. 138, 161, 165, 166 and 168 are fixed by their users.
enum : int {
    PFID_FIRST = 122,
    PFID_P1 = 122,
    PFID_P2 = 123,
    PFID_P4 = 124,
    PFID_P8 = 125,
    PFID_A8P8 = 126,
    PFID_R3G3B2 = 127,
    PFID_B2G3R3 = 128,
    PFID_A8 = 129,
    PFID_L8 = 130,
    PFID_A4L4 = 131,
    PFID_A8R3G3B2 = 132,
    PFID_X4R4G4B4 = 133,
    PFID_A4R4G4B4 = 134,
    PFID_A4B4G4R4 = 135,
    PFID_X1R5G5B5 = 136,
    PFID_A1R5G5B5 = 137,
    PFID_R5G6B5 = 138,
    PFID_B5G6R5 = 139,
    PFID_X1B5G5R5 = 140,
    PFID_A1B5G5R5 = 141,
    PFID_R5G5B5A1 = 142,
    PFID_R4G4B4A4 = 143,
    PFID_A8L8 = 144,
    PFID_L16 = 145,
    PFID_R8G8B8 = 146,
    PFID_B8G8R8 = 147,
    PFID_X8R8G8B8 = 148,
    PFID_A8R8G8B8 = 149,
    PFID_X8B8G8R8 = 150,
    PFID_A8B8G8R8 = 151,
    PFID_R8G8B8A8 = 152,
    PFID_B8G8R8A8 = 153,
    PFID_A2R10G10B10 = 154,
    PFID_A2B10G10R10 = 155,
    PFID_G16R16 = 156,
    PFID_YUY2 = 157,
    PFID_UYVY = 158,
    PFID_D15S1 = 159,
    PFID_D24S8 = 160,
    PFID_D16 = 161,
    PFID_D24X8 = 162,
    PFID_D24X4S4 = 163,
    PFID_D24 = 164,
    PFID_D32 = 165,
    PFID_Z16 = 166,
    PFID_Z24 = 167,
    PFID_Z32 = 168,
    PFID_LAST = 168,
    PFID_COUNT = PFID_LAST - PFID_FIRST + 1,
};

// Fills the record from the table; an unknown id leaves it unchanged. Returns true when found.
bool GetPixelFormat(int id, CPixelFormat& out);
// The table row of an id, or an empty record for an unknown id.
CPixelFormat PixelFormatOf(int id);

// Packs a 0xAARRGGBB colour into the format's pixel value: each channel keeps its high bits.
// Luminance rows take the grey level (77 R + 150 G + 29 B) / 256; paletted and fourCC rows have no
// colour channels (only an alpha mask is filled). Depth rows read the value as a 32-bit depth, larger
// is nearer, and keep its high bits: d32 0x80000000 packs to 0x8000 in z16.
uint32_t PackColor(const CPixelFormat& pf, uint32_t argb);
// Unpacks a pixel value into 0xAARRGGBB (alpha 0xFF when the format has none); short channels have
// their high bits repeated into the low bits. Depth rows give the 32-bit depth back without repeating,
// so a fixed-point depth keeps its value across depth formats.
uint32_t UnpackColor(const CPixelFormat& pf, uint32_t pixel);

// Word-by-word comparisons with the 5-5-5 (x1r5g5b5) and 5-6-5 rows.
bool PixelFormat_Is555(const CPixelFormat& pf);
bool PixelFormat_Is565(const CPixelFormat& pf);
// True for depth (z-buffer) formats.
bool PixelFormat_IsDepth(const CPixelFormat& pf);
// True when pixels are made of colour masks (RGB, luminance, alpha) that PackColor/UnpackColor convert.
bool PixelFormat_IsMasked(const CPixelFormat& pf);
