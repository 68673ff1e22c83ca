// Surface copies with conversion, fills, darkened rectangles, clipped Bresenham lines and checkerboards.
#include "graphics2d/Draw.h"

#include <algorithm>
#include <cstring>

#include "app/Orv_Log.h"

namespace {

// Pixels are little-endian words of 1 to 4 bytes.
uint32_t ReadPixel(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int k = 0; k < bytes; ++k) v |= uint32_t(p[k]) << (8 * k);
    return v;
}

void WritePixel(uint8_t* p, int bytes, uint32_t v)
{
    for (int k = 0; k < bytes; ++k) p[k] = uint8_t(v >> (8 * k));
}

// Bytes per pixel of a surface the drawing routines can write, or 0.
int DrawableBytes(const CSurface& s)
{
    const uint32_t bits = s.format.bitsPerPixel;
    return bits == 8 || bits == 16 || bits == 24 || bits == 32 ? int(bits / 8) : 0;
}

bool CheckDrawable(const CSurface& s, const char* who)
{
    if (!s.pixels) {
        OrvError_Warning("%s surface not locked", who);
        return false;
    }
    if (!DrawableBytes(s)) {
        OrvError_Warning("%s unsupported depth %u bits", who, s.format.bitsPerPixel);
        return false;
    }
    return true;
}

} // namespace

bool CopySurface(CSurface& dst, const CSurface& src)
{
    if (!dst.pixels || !src.pixels) {
        OrvError_Warning("CopySurface() surface not locked");
        return false;
    }
    const int w = std::min(dst.width, src.width);
    const int h = std::min(dst.height, src.height);
    if (w <= 0 || h <= 0) return true;

    const int db = dst.BytesPerPixel(), sb = src.BytesPerPixel();
    if (dst.format == src.format) {
        for (int y = 0; y < h; ++y) std::memcpy(dst.Row(y), src.Row(y), size_t(w) * size_t(db));
        return true;
    }
    const bool colour = PixelFormat_IsMasked(dst.format) && PixelFormat_IsMasked(src.format);
    const bool depth = PixelFormat_IsDepth(dst.format) && PixelFormat_IsDepth(src.format) && db <= 4 && sb <= 4;
    if (!colour && !depth) {
        OrvError_Warning("CopySurface() cannot convert format 0x%X/%u bits to 0x%X/%u bits", src.format.flags,
                         src.format.bitsPerPixel, dst.format.flags, dst.format.bitsPerPixel);
        return false;
    }
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = src.Row(y);
        uint8_t* d = dst.Row(y);
        for (int x = 0; x < w; ++x, s += sb, d += db)
            WritePixel(d, db, PackColor(dst.format, UnpackColor(src.format, ReadPixel(s, sb))));
    }
    return true;
}

bool ClearSurface(CSurface& surface, uint32_t colour)
{
    if (!CheckDrawable(surface, "ClearSurface()")) return false;
    const int bytes = DrawableBytes(surface);
    if (surface.width <= 0 || surface.height <= 0) return true;
    const size_t rowBytes = size_t(surface.width) * size_t(bytes);
    uint8_t* first = surface.Row(0);
    for (int x = 0; x < surface.width; ++x) WritePixel(first + size_t(x) * size_t(bytes), bytes, colour);
    for (int y = 1; y < surface.height; ++y) std::memcpy(surface.Row(y), first, rowBytes);
    return true;
}

bool DarkenRect(CSurface& surface, const ClipRect& rect, int halvings)
{
    if (!CheckDrawable(surface, "DarkenRect()")) return false;
    const CPixelFormat& f = surface.format;
    const int bytes = DrawableBytes(surface);
    if ((bytes != 2 && bytes != 4) || (f.flags & PF_PALETTED) || !f.redMask || !f.greenMask || !f.blueMask) {
        OrvError_Warning("DarkenRect() format non géré (%u bits)", f.bitsPerPixel);
        return false;
    }
    ClipRect r;
    if (halvings <= 0 || !ClipRect_Intersect(rect, surface, r)) return true;
    // Each channel shifted down within its own field; alpha stays.
    const int n = std::min(halvings, 31);
    const uint32_t keep = ((f.redMask >> n) & f.redMask) | ((f.greenMask >> n) & f.greenMask) | ((f.blueMask >> n) & f.blueMask);
    for (int y = r.top; y <= r.bottom; ++y)
        for (int x = r.left; x <= r.right; ++x) {
            uint8_t* p = surface.Row(y) + size_t(x) * size_t(bytes);
            const uint32_t v = ReadPixel(p, bytes);
            WritePixel(p, bytes, ((v >> n) & keep) | (v & f.alphaMask));
        }
    return true;
}

bool ClipRect_Intersect(const ClipRect& clip, const CSurface& surface, ClipRect& out)
{
    out.left = std::max(clip.left, 0);
    out.top = std::max(clip.top, 0);
    out.right = std::min(clip.right, surface.width - 1);
    out.bottom = std::min(clip.bottom, surface.height - 1);
    return out.left <= out.right && out.top <= out.bottom;
}

void DrawLineClipped(CSurface& surface, DrawPoint p0, DrawPoint p1, const ClipRect& clip, uint32_t colour)
{
    if (!CheckDrawable(surface, "DrawLineClipped()")) return;
    ClipRect r;
    if (!ClipRect_Intersect(clip, surface, r)) return;
    const int bytes = DrawableBytes(surface);

    // The line walks its major axis a one step at a time; the minor axis b follows
    // m(i) = floor((2 i lb + la) / (2 la)) steps, i.e. i lb / la rounded with halves going up.
    const int64_t dx = int64_t(p1.x) - p0.x, dy = int64_t(p1.y) - p0.y;
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t a0 = xMajor ? p0.x : p0.y, b0 = xMajor ? p0.y : p0.x;
    const int64_t da = xMajor ? dx : dy, dbm = xMajor ? dy : dx;
    const int64_t sa = da < 0 ? -1 : 1, sbm = dbm < 0 ? -1 : 1;
    const int64_t la = da * sa, lb = dbm * sbm;
    const int64_t aMin = xMajor ? r.left : r.top, aMax = xMajor ? r.right : r.bottom;
    const int64_t bMin = xMajor ? r.top : r.left, bMax = xMajor ? r.bottom : r.right;

    // Steps whose major coordinate lies in the rectangle: at most its width or height.
    int64_t iLo = sa > 0 ? aMin - a0 : a0 - aMax;
    int64_t iHi = sa > 0 ? aMax - a0 : a0 - aMin;
    iLo = std::max<int64_t>(iLo, 0);
    iHi = std::min(iHi, la);
    if (iLo > iHi) return;

    int64_t m = 0, e = 0;
    const int64_t den = 2 * la;
    if (la > 0) {
        const unsigned __int128 num = (unsigned __int128)(2 * lb) * (unsigned __int128)iLo + (unsigned __int128)la;
        m = int64_t(num / (unsigned __int128)den);
        e = int64_t(num % (unsigned __int128)den) - den;
    }
    for (int64_t i = iLo; i <= iHi; ++i) {
        const int64_t a = a0 + sa * i, b = b0 + sbm * m;
        if (b >= bMin && b <= bMax) {
            const int64_t x = xMajor ? a : b, y = xMajor ? b : a;
            WritePixel(surface.Row(int(y)) + size_t(x) * size_t(bytes), bytes, colour);
        }
        e += 2 * lb;
        if (e >= 0) {
            ++m;
            e -= den;
        }
    }
}

bool DrawCheckerboard(CSurface& surface, int cell)
{
    if (cell < 1) {
        OrvError_Warning("DrawCheckerboard() bad cell size %d", cell);
        return false;
    }
    if (!CheckDrawable(surface, "DrawCheckerboard()")) return false;
    if (!PixelFormat_IsMasked(surface.format)) {
        OrvError_Warning("DrawCheckerboard() format 0x%X has no colour channels", surface.format.flags);
        return false;
    }
    const int bytes = DrawableBytes(surface);
    const uint32_t dark = PackColor(surface.format, 0xFF000000), light = PackColor(surface.format, 0xFFFFFFFF);
    for (int y = 0; y < surface.height; ++y) {
        uint8_t* p = surface.Row(y);
        for (int x = 0; x < surface.width; ++x, p += bytes)
            WritePixel(p, bytes, ((x / cell + y / cell) & 1) ? light : dark);
    }
    return true;
}
