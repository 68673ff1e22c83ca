// Drawing: format-converting copies and clipped lines against a brute-force walk.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "graphics2d/Draw.h"
#include "WarningCapture.h"

namespace {

using PixelSet = std::set<std::pair<int, int>>;
constexpr uint8_t kCanary = 0xA7;

// A zeroed surface inside a block of canary bytes: three rows above and below, three columns on
// each side within the pitch.
struct Guarded {
    Guarded(int w, int h, int id)
        : bytes(PixelFormatOf(id).BytesPerPixel()), pitch(w + 6), mem(size_t(h + 6) * size_t(pitch * bytes), kCanary)
    {
        surface.Set(&mem[size_t((3 * pitch + 3) * bytes)], w, h, pitch, PixelFormatOf(id));
        ClearSurface(surface, 0);
    }
    uint32_t At(int x, int y) const
    {
        uint32_t v = 0;
        for (int k = 0; k < bytes; ++k) v |= uint32_t(surface.Row(y)[x * bytes + k]) << (8 * k);
        return v;
    }
    void Put(int x, int y, uint32_t v)
    {
        for (int k = 0; k < bytes; ++k) surface.Row(y)[x * bytes + k] = uint8_t(v >> (8 * k));
    }
    bool CanaryIntact() const
    {
        for (size_t i = 0; i < mem.size(); ++i) {
            const int row = int(i / size_t(pitch * bytes)) - 3, col = int(i % size_t(pitch * bytes)) / bytes - 3;
            if ((row < 0 || row >= surface.height || col < 0 || col >= surface.width) && mem[i] != kCanary) return false;
        }
        return true;
    }
    PixelSet Painted(uint32_t colour) const
    {
        PixelSet out;
        for (int y = 0; y < surface.height; ++y)
            for (int x = 0; x < surface.width; ++x)
                if (At(x, y) == colour) out.insert({x, y});
        return out;
    }

    int bytes, pitch;
    std::vector<uint8_t> mem;
    CBufferSurface surface;
};

// The whole line walked step by step, then filtered by the clip rectangle and the surface.
PixelSet ReferenceLine(DrawPoint p0, DrawPoint p1, const ClipRect& c, int w, int h)
{
    PixelSet out;
    const long dx = long(p1.x) - p0.x, dy = long(p1.y) - p0.y;
    const long ax = std::labs(dx), ay = std::labs(dy), major = std::max(ax, ay), minor = std::min(ax, ay);
    long x = p0.x, y = p0.y, e = -major;
    for (long i = 0; i <= major; ++i) {
        if (x >= std::max(c.left, 0) && x <= std::min(c.right, w - 1) && y >= std::max(c.top, 0) &&
            y <= std::min(c.bottom, h - 1))
            out.insert({int(x), int(y)});
        e += 2 * minor;
        const bool step = e >= 0;
        if (step) e -= 2 * major;
        if (ax >= ay || step) x += dx < 0 ? -1 : 1;
        if (ax < ay || step) y += dy < 0 ? -1 : 1;
    }
    return out;
}

void ExpectLine(Guarded& g, DrawPoint p0, DrawPoint p1, const ClipRect& clip)
{
    ClearSurface(g.surface, 0);
    DrawLineClipped(g.surface, p0, p1, clip, 0xBEEF);
    EXPECT_EQ(g.Painted(0xBEEF), ReferenceLine(p0, p1, clip, g.surface.width, g.surface.height))
        << "(" << p0.x << "," << p0.y << ")-(" << p1.x << "," << p1.y << ") clip t" << clip.top << " b" << clip.bottom
        << " r" << clip.right << " l" << clip.left;
    ASSERT_TRUE(g.CanaryIntact());
}

// Every 16-bit value once, on a 256 x 256 surface.
void PutAllSixteenBitValues(Guarded& src)
{
    for (uint32_t p = 0; p < 0x10000; ++p) src.Put(int(p & 0xFF), int(p >> 8), p);
}

} // namespace

TEST(DrawLineClipped, MatchesTheFullWalkForRandomLinesClipsAndEdges)
{
    Guarded g(24, 17, PFID_R5G6B5);
    uint32_t seed = 12345;
    auto next = [&seed](int n, int base) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % uint32_t(n)) + base;
    };
    for (int n = 0; n < 3000; ++n) {
        const DrawPoint p0{next(91, -30), next(91, -30)}, p1{next(91, -30), next(91, -30)};
        ClipRect clip;
        clip.left = next(36, -5);
        clip.right = clip.left + next(36, -3);
        clip.top = next(30, -5);
        clip.bottom = clip.top + next(30, -3);
        ExpectLine(g, p0, p1, clip);
        ExpectLine(g, p1, p0, clip);
    }
    // An unbounded clip leaves the surface edges: lines along them, just inside and just outside.
    const ClipRect all{INT_MIN, INT_MAX, INT_MAX, INT_MIN};
    for (int d = -1; d <= 1; ++d) {
        ExpectLine(g, {-50, d}, {50, d}, all);
        ExpectLine(g, {-50, 16 + d}, {50, 16 + d}, all);
        ExpectLine(g, {d, -50}, {d, 50}, all);
        ExpectLine(g, {23 + d, -50}, {23 + d, 50}, all);
    }
}

TEST(DrawLineClipped, FarPointsAreClippedWithoutLongWalks)
{
    Guarded g(64, 48, PFID_R5G6B5);
    struct {
        DrawPoint p0, p1;
        size_t minimum;
    } const cases[] = {
        {{-(1 << 30), -(1 << 30) + 7}, {1 << 30, (1 << 30) - 3}, 40}, {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 48},
        {{INT_MIN, 5}, {INT_MAX, 5}, 64},                                {{10, -2000000000}, {11, 2000000000}, 48},
    };
    const auto start = std::chrono::steady_clock::now();
    for (const auto& c : cases) {
        ClearSurface(g.surface, 0);
        DrawLineClipped(g.surface, c.p0, c.p1, ClipRect{0, 47, 63, 0}, 0x1234);
        // Each pixel within half a pixel of the ideal line, one per step of the major axis.
        const long double dx = (long double)c.p1.x - c.p0.x, dy = (long double)c.p1.y - c.p0.y;
        const bool xMajor = std::fabs(dx) >= std::fabs(dy);
        std::set<int> steps;
        const PixelSet painted = g.Painted(0x1234);
        for (auto [x, y] : painted) {
            const long double ideal = xMajor ? c.p0.y + (x - (long double)c.p0.x) * dy / dx
                                             : c.p0.x + (y - (long double)c.p0.y) * dx / dy;
            EXPECT_LE(std::fabs((xMajor ? y : x) - ideal), 0.5L + 1e-9L) << x << "," << y;
            EXPECT_TRUE(steps.insert(xMajor ? x : y).second) << x << "," << y;
        }
        EXPECT_GE(painted.size(), c.minimum);
        ASSERT_TRUE(g.CanaryIntact());
    }
    // A walk over the whole 32-bit range would take seconds per line.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(CopySurface, SixteenBitFormatsConvertChannelByChannel)
{
    Guarded src(256, 256, PFID_R5G6B5), mid(256, 256, PFID_X1R5G5B5), back(256, 256, PFID_R5G6B5);
    PutAllSixteenBitValues(src);
    ASSERT_TRUE(CopySurface(mid.surface, src.surface));
    ASSERT_TRUE(CopySurface(back.surface, mid.surface));
    EXPECT_EQ(mid.At(0x00, 0xF8), 0x7C00u);  // 5-6-5 red
    EXPECT_EQ(mid.At(0xE0, 0x07), 0x03E0u);  // 5-6-5 green
    EXPECT_EQ(mid.At(0x20, 0x00), 0x0000u);  // the lowest green bit alone is lost
    EXPECT_EQ(back.At(0xE0, 0x07), 0x07E0u);  // green widened back by repeating its top bit
    for (uint32_t p = 0; p < 0x10000; ++p)
        ASSERT_EQ(back.At(int(p & 0xFF), int(p >> 8)) & 0xFFDF, p & 0xFFDF) << p;
    EXPECT_TRUE(mid.CanaryIntact() && back.CanaryIntact());
}

TEST(CopySurface, SixteenToTwentyFourToThirtyTwoAndBack)
{
    Guarded src(256, 256, PFID_R5G6B5), rgb(256, 256, PFID_R8G8B8), argb(256, 256, PFID_A8R8G8B8), back(256, 256, PFID_R5G6B5);
    PutAllSixteenBitValues(src);
    ASSERT_TRUE(CopySurface(rgb.surface, src.surface));
    ASSERT_TRUE(CopySurface(argb.surface, rgb.surface));
    ASSERT_TRUE(CopySurface(back.surface, argb.surface));
    for (uint32_t p = 0; p < 0x10000; ++p) ASSERT_EQ(back.At(int(p & 0xFF), int(p >> 8)), p);
    EXPECT_EQ(rgb.surface.Row(0xF8)[2], 0xFF);  // pixel 0xF800: blue, green, red in memory
    EXPECT_EQ(argb.At(0x1F, 0), 0xFF0000FFu);
    Guarded wide(1, 1, PFID_A8R8G8B8), narrow(1, 1, PFID_R5G6B5);
    wide.Put(0, 0, 0x80FF8040);
    ASSERT_TRUE(CopySurface(narrow.surface, wide.surface));
    EXPECT_EQ(narrow.At(0, 0), 0xFC08u);  // low bits of each channel dropped
}

TEST(CopySurface, DifferentSizesCopyTheCommonRectangleAndUnconvertibleFormatsAreRefused)
{
    Guarded src(5, 3, PFID_A8R8G8B8), dst(3, 6, PFID_X8R8G8B8);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) src.Put(x, y, 0xFF000000u | uint32_t(y * 16 + x));
    ClearSurface(dst.surface, 0x00ABCDEF);
    ASSERT_TRUE(CopySurface(dst.surface, src.surface));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.At(x, y), y < 3 ? uint32_t(y * 16 + x) : 0x00ABCDEFu) << x << "," << y;
    EXPECT_TRUE(dst.CanaryIntact());

    Guarded p8(2, 1, PFID_P8), rgb(2, 1, PFID_R5G6B5), z16(2, 1, PFID_Z16);
    rgb.Put(0, 0, 0x1234);
    WarningCapture warnings;
    EXPECT_FALSE(CopySurface(rgb.surface, p8.surface));
    EXPECT_FALSE(CopySurface(rgb.surface, z16.surface));
    EXPECT_TRUE(warnings.Warned("CopySurface() cannot convert"));
    EXPECT_EQ(rgb.At(0, 0), 0x1234u);
    CBufferSurface none(nullptr, 2, 1, 2, PixelFormatOf(PFID_R5G6B5));
    EXPECT_FALSE(CopySurface(none, rgb.surface));
    EXPECT_FALSE(ClearSurface(none, 0));
    DrawLineClipped(none, {0, 0}, {1, 0}, ClipRect{0, 0, 1, 0}, 1);
    EXPECT_TRUE(warnings.Warned("CopySurface() surface not locked"));
    EXPECT_TRUE(warnings.Warned("DrawLineClipped() surface not locked"));
}

TEST(DarkenRect, HalvesEachChannelInsideTheClippedRectangleAndKeepsAlpha)
{
    // Every channel at its top and bottom values: halving must not carry one channel's bit into the next.
    struct Case {
        int id;
        uint32_t pixel, half;
    } cases[] = {{PFID_R5G6B5, 0xFFFF, 0x7BEF}, {PFID_R5G6B5, 0x0821, 0x0000}, {PFID_R5G6B5, 0xF800, 0x7800},
                 {PFID_X1R5G5B5, 0x7FFF, 0x3DEF}, {PFID_A8R8G8B8, 0xFF80FF01u, 0xFF407F00u}};
    for (const Case& c : cases) {
        Guarded g(5, 4, c.id);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) g.Put(x, y, c.pixel);
        ASSERT_TRUE(DarkenRect(g.surface, ClipRect{1, 9, 9, 3}));  // reaches past the bottom and right edges
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(g.At(x, y), x >= 3 && y >= 1 ? c.half : c.pixel) << std::hex << c.pixel << " at " << x << "," << y;
        EXPECT_TRUE(g.CanaryIntact());
    }
    // Twice halved in one call: each field keeps its own top bits.
    for (const Case& c : {Case{PFID_R5G6B5, 0xFFFF, 0x39E7}, Case{PFID_A8R8G8B8, 0xFF80FF01u, 0xFF203F00u}}) {
        Guarded g(1, 1, c.id);
        g.Put(0, 0, c.pixel);
        ASSERT_TRUE(DarkenRect(g.surface, ClipRect{0, 0, 0, 0}, 2));
        EXPECT_EQ(g.At(0, 0), c.half) << std::hex << c.pixel;
    }
    Guarded p8(2, 1, PFID_P8);
    p8.Put(0, 0, 0x80);
    WarningCapture warnings;
    EXPECT_FALSE(DarkenRect(p8.surface, ClipRect{0, 0, 1, 0}));
    EXPECT_TRUE(warnings.Warned("DarkenRect() format"));
    EXPECT_EQ(p8.At(0, 0), 0x80u);
}
