// The pixel-format table and colour packing between 0xAARRGGBB and pixel values.
#include "graphics2d/PixelFormat.h"

#include <bit>

namespace {

constexpr uint32_t FourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

constexpr uint32_t RGB = PF_RGB;
constexpr uint32_t RGBA = PF_RGB | PF_ALPHAPIXELS;
constexpr uint32_t LUM = PF_LUMINANCE;
constexpr uint32_t ZB = PF_ZBUFFER;
constexpr uint32_t ZBS = PF_ZBUFFER | PF_STENCIL;
constexpr uint32_t RZ = PF_ZBUFFER | PF_RASTERZ;
// Formats whose pixels carry no colour channels.
constexpr uint32_t kIndexed = PF_PALETTED | PF_PALETTED1 | PF_PALETTED2 | PF_PALETTED4 | PF_FOURCC;

// id   name          bpp  layout (high bit to low bit)
// 122  p1              1  1-bit palette index
// 123  p2              2  2-bit palette index
// 124  p4              4  4-bit palette index
// 125  p8              8  8-bit palette index (flag 0x40)
// 126  a8p8           16  alpha, 8-bit index
// 127  r3g3b2          8  RRRGGGBB
// 128  b2g3r3          8  BBGGGRRR
// 129  a8              8  alpha only
// 130  l8              8  luminance
// 131  a4l4            8  alpha, luminance
// 132  a8r3g3b2       16
// 133  x4r4g4b4       16
// 134  a4r4g4b4       16
// 135  a4b4g4r4       16
// 136  x1r5g5b5       16  the 5-5-5 screen format
// 137  a1r5g5b5       16
// 138  r5g6b5         16  the 5-6-5 screen format
// 139  b5g6r5         16
// 140  x1b5g5r5       16
// 141  a1b5g5r5       16
// 142  r5g5b5a1       16
// 143  r4g4b4a4       16
// 144  a8l8           16
// 145  l16            16
// 146  r8g8b8         24  memory order blue, green, red
// 147  b8g8r8         24  memory order red, green, blue
// 148  x8r8g8b8       32
// 149  a8r8g8b8       32
// 150  x8b8g8r8       32
// 151  a8b8g8r8       32
// 152  r8g8b8a8       32
// 153  b8g8r8a8       32
// 154  a2r10g10b10    32
// 155  a2b10g10r10    32
// 156  g16r16         32
// 157  yuy2           16  fourCC "YUY2"
// 158  uyvy           16  fourCC "UYVY"
// 159  d15s1          16  depth 0xFFFE, stencil 0x0001
// 160  d24s8          32  depth 0xFFFFFF00, stencil 0xFF
// 161  d16            16  depth 0xFFFF
// 162  d24x8          32  depth 0xFFFFFF00
// 163  d24x4s4        32  depth 0xFFFFFF00, stencil 0x0F
// 164  d24            24  depth 0xFFFFFF
// 165  d32            32  depth 0xFFFFFFFF
// 166  z16            16  rasteriser depth, 0xFFFF (depth term x 2^15)
// 167  z24            32  rasteriser depth, 0xFFFFFF00
// 168  z32            32  rasteriser depth, 0xFFFFFFFF (depth term x 2^31)
// Depth rows keep the depth mask in the green word and the stencil mask in the blue word.
constexpr CPixelFormat kTable[PFID_COUNT] = {
    {PF_PALETTED1, 1, 0, 0, 0, 0, 0},
    {PF_PALETTED2, 2, 0, 0, 0, 0, 0},
    {PF_PALETTED4, 4, 0, 0, 0, 0, 0},
    {PF_PALETTED, 8, 0, 0, 0, 0, 0},
    {PF_PALETTED | PF_ALPHAPIXELS, 16, 0, 0, 0, 0, 0xFF00},
    {RGB, 8, 0, 0xE0, 0x1C, 0x03, 0},
    {RGB, 8, 0, 0x07, 0x38, 0xC0, 0},
    {PF_ALPHA, 8, 0, 0, 0, 0, 0xFF},
    {LUM, 8, 0, 0xFF, 0, 0, 0},
    {LUM | PF_ALPHAPIXELS, 8, 0, 0x0F, 0, 0, 0xF0},
    {RGBA, 16, 0, 0xE0, 0x1C, 0x03, 0xFF00},
    {RGB, 16, 0, 0x0F00, 0x00F0, 0x000F, 0},
    {RGBA, 16, 0, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {RGBA, 16, 0, 0x000F, 0x00F0, 0x0F00, 0xF000},
    {RGB, 16, 0, 0x7C00, 0x03E0, 0x001F, 0},
    {RGBA, 16, 0, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {RGB, 16, 0, 0xF800, 0x07E0, 0x001F, 0},
    {RGB, 16, 0, 0x001F, 0x07E0, 0xF800, 0},
    {RGB, 16, 0, 0x001F, 0x03E0, 0x7C00, 0},
    {RGBA, 16, 0, 0x001F, 0x03E0, 0x7C00, 0x8000},
    {RGBA, 16, 0, 0xF800, 0x07C0, 0x003E, 0x0001},
    {RGBA, 16, 0, 0xF000, 0x0F00, 0x00F0, 0x000F},
    {LUM | PF_ALPHAPIXELS, 16, 0, 0x00FF, 0, 0, 0xFF00},
    {LUM, 16, 0, 0xFFFF, 0, 0, 0},
    {RGB, 24, 0, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {RGB, 24, 0, 0x0000FF, 0x00FF00, 0xFF0000, 0},
    {RGB, 32, 0, 0x00FF0000, 0x0000FF00, 0x000000FF, 0},
    {RGBA, 32, 0, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000},
    {RGB, 32, 0, 0x000000FF, 0x0000FF00, 0x00FF0000, 0},
    {RGBA, 32, 0, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000},
    {RGBA, 32, 0, 0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF},
    {RGBA, 32, 0, 0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF},
    {RGBA, 32, 0, 0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000},
    {RGBA, 32, 0, 0x000003FF, 0x000FFC00, 0x3FF00000, 0xC0000000},
    {RGB, 32, 0, 0x0000FFFF, 0xFFFF0000, 0, 0},
    {PF_FOURCC, 16, FourCC('Y', 'U', 'Y', '2'), 0, 0, 0, 0},
    {PF_FOURCC, 16, FourCC('U', 'Y', 'V', 'Y'), 0, 0, 0, 0},
    {ZBS, 16, 0, 0, 0xFFFE, 0x0001, 0},
    {ZBS, 32, 0, 0, 0xFFFFFF00, 0x000000FF, 0},
    {ZB, 16, 0, 0, 0xFFFF, 0, 0},
    {ZB, 32, 0, 0, 0xFFFFFF00, 0, 0},
    {ZBS, 32, 0, 0, 0xFFFFFF00, 0x0000000F, 0},
    {ZB, 24, 0, 0, 0xFFFFFF, 0, 0},
    {ZB, 32, 0, 0, 0xFFFFFFFF, 0, 0},
    {RZ, 16, 0, 0, 0xFFFF, 0, 0},
    {RZ, 32, 0, 0, 0xFFFFFF00, 0, 0},
    {RZ, 32, 0, 0, 0xFFFFFFFF, 0, 0},
};

// A channel of w bits at bit s.
struct Channel {
    int shift;
    int width;
    explicit Channel(uint32_t mask) : shift(mask ? std::countr_zero(mask) : 0), width(std::popcount(mask)) {}
};

// Scales an 8-bit value to the channel's width (high bits kept when narrower, repeated when wider).
uint32_t PackChannel(uint32_t mask, uint32_t v8)
{
    if (!mask) return 0;
    const Channel c(mask);
    uint32_t v;
    if (c.width <= 8) {
        v = v8 >> (8 - c.width);
    } else {
        v = 0;
        int filled = 0;
        while (filled < c.width) {
            const int s = c.width - filled - 8;
            v |= s >= 0 ? v8 << s : v8 >> -s;
            filled += 8;
        }
    }
    return (v << c.shift) & mask;
}

// Scales the channel's value to 8 bits (high bits repeated into the low bits when narrower).
uint32_t UnpackChannel(uint32_t mask, uint32_t pixel)
{
    if (!mask) return 0;
    const Channel c(mask);
    const uint32_t v = (pixel & mask) >> c.shift;
    if (c.width >= 8) return (v >> (c.width - 8)) & 0xFF;
    uint32_t r = 0;
    for (int s = 8 - c.width; s > -c.width; s -= c.width) r |= s >= 0 ? v << s : v >> -s;
    return r & 0xFF;
}

} // namespace

bool GetPixelFormat(int id, CPixelFormat& out)
{
    if (id < PFID_FIRST || id > PFID_LAST) return false;
    out = kTable[id - PFID_FIRST];
    return true;
}

CPixelFormat PixelFormatOf(int id)
{
    CPixelFormat pf;
    GetPixelFormat(id, pf);
    return pf;
}

bool PixelFormat_Is555(const CPixelFormat& pf) { return pf == kTable[PFID_X1R5G5B5 - PFID_FIRST]; }
bool PixelFormat_Is565(const CPixelFormat& pf) { return pf == kTable[PFID_R5G6B5 - PFID_FIRST]; }
bool PixelFormat_IsDepth(const CPixelFormat& pf) { return (pf.flags & PF_ZBUFFER) != 0; }

bool PixelFormat_IsMasked(const CPixelFormat& pf)
{
    if (pf.flags & (kIndexed | PF_ZBUFFER)) return false;
    if (pf.bitsPerPixel == 0 || pf.bitsPerPixel > 32) return false;
    return (pf.redMask | pf.greenMask | pf.blueMask | pf.alphaMask) != 0;
}

uint32_t PackColor(const CPixelFormat& pf, uint32_t argb)
{
    if (PixelFormat_IsDepth(pf)) {
        if (!pf.greenMask) return 0;
        const Channel c(pf.greenMask);
        return ((argb >> (32 - c.width)) << c.shift) & pf.greenMask;
    }
    const uint32_t a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    uint32_t pixel = PackChannel(pf.alphaMask, a);
    if (pf.flags & kIndexed) return pixel;
    if (pf.flags & PF_LUMINANCE) return pixel | PackChannel(pf.redMask, (77 * r + 150 * g + 29 * b) >> 8);
    return pixel | PackChannel(pf.redMask, r) | PackChannel(pf.greenMask, g) | PackChannel(pf.blueMask, b);
}

uint32_t UnpackColor(const CPixelFormat& pf, uint32_t pixel)
{
    if (PixelFormat_IsDepth(pf)) {
        if (!pf.greenMask) return 0;
        const Channel c(pf.greenMask);
        return ((pixel & pf.greenMask) >> c.shift) << (32 - c.width);
    }
    const uint32_t a = pf.alphaMask ? UnpackChannel(pf.alphaMask, pixel) : 0xFF;
    if (pf.flags & kIndexed) return a << 24;
    if (pf.flags & PF_LUMINANCE) {
        const uint32_t l = UnpackChannel(pf.redMask, pixel);
        return a << 24 | l << 16 | l << 8 | l;
    }
    return a << 24 | UnpackChannel(pf.redMask, pixel) << 16 | UnpackChannel(pf.greenMask, pixel) << 8 |
           UnpackChannel(pf.blueMask, pixel);
}
