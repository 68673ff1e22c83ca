// The panorama rasteriser and cube: orientation of every face, seams without gaps or overlaps, clamping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "panorama/WarpCube.h"
#include "panorama/WarpRasterizer.h"
#include "testdata/PanoramaWriter.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kFov = 0.42222f * kPi;
constexpr uint16_t kSentinel = 0x001F;  // blue 31: no Coded face has it

struct Faces {
    CSystemMemorySurface s[WARP_NB_FACES];
    CSurface* ptr[WARP_NB_FACES];
    Faces() {
        for (int f = 0; f < WARP_NB_FACES; f++) {
            s[f].Create(WARP_FACE_SIZE, WARP_FACE_SIZE, PixelFormatOf(PFID_R5G6B5));
            s[f].Lock();
            const std::vector<uint32_t> px = PanoramaWriter_Face(f, FaceStyle::Coded);
            auto* dst = static_cast<uint16_t*>(s[f].pixels);
            for (size_t i = 0; i < px.size(); i++) dst[i] = uint16_t(PackColor(s[f].format, px[i]));
            ptr[f] = &s[f];
        }
    }
};

struct Screen {
    CSystemMemorySurface surface;
    CTCamera camera;
    Screen(int w, int h) {
        surface.Create(w, h, PixelFormatOf(PFID_R5G6B5));
        surface.Lock();
        camera.SetClipRect(0, 0, w - 1, h - 1);
        camera.SetCenter(w * 0.5f, h * 0.5f);
        camera.SetFieldOfView(kFov, float(w), float(h));
    }
    uint16_t At(int x, int y) const { return static_cast<const uint16_t*>(surface.pixels)[y * surface.pitch + x]; }
    void Fill(uint16_t v) {
        auto* p = static_cast<uint16_t*>(surface.pixels);
        std::fill(p, p + size_t(surface.pitch) * surface.height, v);
    }
    void Look(float yaw, float pitch, float roll = 0.0f) {
        camera.frame.SetLocalRotation(WarpCube_ViewRotation(yaw, pitch, roll));
    }
};

// Counts how often each pixel is written, in place of the texture span.
std::vector<int>* g_counts = nullptr;
int g_countPitch = 0;
void CountingSpan() {
    const int row = int((rastState.rastDestRow - rastState.rastDestBits) / rastState.rastDestPitch);
    for (int c = rastState.rastSpanX0; c < rastState.rastSpanX1; c++) (*g_counts)[size_t(row) * g_countPitch + c]++;
}

void Render(Screen& sc, Faces& faces) {
    CTWarpRasterizer rast;
    ASSERT_TRUE(rast.SetTarget(&sc.surface));
    rast.BeginScene();
    WarpCube_Draw(sc.camera, faces.ptr, rast);
}

// Distance of a face coordinate from the nearest face edge, in texels.
float EdgeDistance(float u, float v) {
    return std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v)) * WARP_FACE_SIZE;
}

// Every pixel shows the face and texel that the ray through its centre meets.
void ExpectFrameMatchesRays(Screen& sc, float yaw, float pitch, float roll = 0.0f) {
    int bad = 0;
    for (int y = 0; y < sc.surface.height; y++)
        for (int x = 0; x < sc.surface.width; x++) {
            const uint16_t px = sc.At(x, y);
            ASSERT_NE(px, kSentinel) << "gap at " << x << "," << y << " yaw " << yaw << " pitch " << pitch;
            const CTVector3 dir = WarpCube_ScreenDirection(sc.camera, x + 0.5f, y + 0.5f);
            int face;
            float u, v;
            ASSERT_TRUE(WarpCube_Locate(dir, &face, &u, &v));
            const FaceCode code = PanoramaWriter_DecodeCoded565(px);
            if (EdgeDistance(u, v) < 2.0f) continue;  // either face may own a pixel on a seam
            const int ucell = int(u * WARP_FACE_SIZE) >> 4, vcell = int(v * WARP_FACE_SIZE) >> 3;
            if (code.face != face || std::abs(code.ucell - ucell) > 1 || std::abs(code.vcell - vcell) > 1) {
                if (bad++ < 5)
                    ADD_FAILURE() << "pixel " << x << "," << y << " shows face " << code.face << " cell " << code.ucell
                                  << "," << code.vcell << ", ray meets face " << face << " cell " << ucell << "," << vcell;
            }
        }
    EXPECT_EQ(bad, 0) << "yaw " << yaw << " pitch " << pitch << " roll " << roll;
}

}  // namespace

TEST(WarpCube, LocateInvertsFacePoints) {
    for (int f = 0; f < WARP_NB_FACES; f++)
        for (float s : {-0.9f, -0.3f, 0.0f, 0.55f, 0.9f})
            for (float t : {-0.8f, 0.1f, 0.7f}) {
                int face;
                float u, v;
                ASSERT_TRUE(WarpCube_Locate(WarpCube_FacePoint(f, s, t), &face, &u, &v));
                EXPECT_EQ(face, f);
                EXPECT_NEAR(u, (s + 1) / 2, 1e-6);
                EXPECT_NEAR(v, (t + 1) / 2, 1e-6);
            }
    EXPECT_FALSE(WarpCube_Locate({0, 0, 0}, nullptr, nullptr, nullptr));
    EXPECT_FALSE(WarpCube_Locate({NAN, 0, 1}, nullptr, nullptr, nullptr));
}

TEST(WarpRender, LookingStraightAtEachSideFaceShowsItsCentre) {
    Faces faces;
    Screen sc(640, 480);
    const int expected[4] = {WARP_FACE_FRONT, WARP_FACE_RIGHT, WARP_FACE_BACK, WARP_FACE_LEFT};
    for (int k = 0; k < 4; k++) {
        sc.Fill(kSentinel);
        sc.Look(k * kPi / 2, 0.0f);
        Render(sc, faces);
        const FaceCode c = PanoramaWriter_DecodeCoded565(sc.At(320, 240));
        EXPECT_EQ(c.face, expected[k]);
        EXPECT_NEAR(c.ucell, 16, 1);
        EXPECT_NEAR(c.vcell, 32, 1);
        // Right of the centre lies further right on the picture, below it further down.
        EXPECT_GT(PanoramaWriter_DecodeCoded565(sc.At(500, 240)).ucell, c.ucell);
        EXPECT_GT(PanoramaWriter_DecodeCoded565(sc.At(320, 400)).vcell, c.vcell);
    }
    sc.Fill(kSentinel);
    sc.Look(0.0f, kPi / 2 - 0.01f);
    Render(sc, faces);
    EXPECT_EQ(PanoramaWriter_DecodeCoded565(sc.At(320, 240)).face, WARP_FACE_UP);
    sc.Fill(kSentinel);
    sc.Look(0.0f, -(kPi / 2 - 0.01f));
    Render(sc, faces);
    EXPECT_EQ(PanoramaWriter_DecodeCoded565(sc.At(320, 240)).face, WARP_FACE_DOWN);
}

TEST(WarpRender, EveryPixelMatchesItsRayAcrossSeamsAndCorners) {
    Faces faces;
    Screen sc(640, 480);
    const float views[][3] = {
        {0.0f, 0.0f, 0.0f},        {kPi / 4, 0.0f, 0.0f},     {-3 * kPi / 4, 0.3f, 0.0f},
        {kPi / 4, 0.6155f, 0.0f},  {2.0f, -0.6155f, 0.0f},    {0.3f, 1.2f, 0.0f},
        {-1.0f, -1.4f, 0.0f},      {0.7f, 0.2f, 0.17453f},    {kPi, kPi / 2, 0.0f},
    };
    for (const auto& v : views) {
        sc.Fill(kSentinel);
        sc.Look(v[0], v[1], v[2]);
        Render(sc, faces);
        ExpectFrameMatchesRays(sc, v[0], v[1], v[2]);
    }
}

TEST(WarpRender, SeamsAreCoveredExactlyOnce) {
    Faces faces;
    for (auto size : {std::pair{640, 480}, std::pair{800, 600}}) {
        Screen sc(size.first, size.second);
        std::vector<int> counts;
        g_counts = &counts;
        g_countPitch = sc.surface.width;
        for (float yaw : {0.0f, 0.7853982f, 2.356194f, -0.3f})
            for (float pitch : {0.0f, 0.6155f, -0.9f, 1.3f}) {
                counts.assign(size_t(sc.surface.width) * sc.surface.height, 0);
                sc.Look(yaw, pitch);
                CTWarpRasterizer rast;
                ASSERT_TRUE(rast.SetTarget(&sc.surface));
                rast.BeginScene();
                rastState.rastSpanFn = CountingSpan;
                WarpCube_Draw(sc.camera, faces.ptr, rast);
                int wrong = 0;
                for (size_t i = 0; i < counts.size(); i++) wrong += counts[i] != 1;
                EXPECT_EQ(wrong, 0) << size.first << "x" << size.second << " yaw " << yaw << " pitch " << pitch;
            }
        g_counts = nullptr;
    }
}

TEST(WarpRender, ViewportLimitsTheDrawing) {
    Faces faces;
    Screen sc(640, 480);
    sc.Fill(kSentinel);
    sc.Look(0.4f, 0.1f);
    CTWarpRasterizer rast;
    ASSERT_TRUE(rast.SetTarget(&sc.surface));
    rast.SetViewport(ClipRect{100, 199, 299, 50});
    rast.BeginScene();
    WarpCube_Draw(sc.camera, faces.ptr, rast);
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            const bool inside = x >= 50 && x <= 299 && y >= 100 && y <= 199;
            ASSERT_EQ(sc.At(x, y) != kSentinel, inside) << x << "," << y;
        }
}

TEST(WarpRasterizer, RefusesWhatItCannotDraw) {
    CTWarpRasterizer rast;
    CSystemMemorySurface wide;
    wide.Create(64, 64, PixelFormatOf(PFID_X8R8G8B8));
    wide.Lock();
    EXPECT_FALSE(rast.SetTarget(&wide));
    EXPECT_FALSE(rast.SetTarget(nullptr));
    CSystemMemorySurface odd;
    odd.Create(300, 256, PixelFormatOf(PFID_R5G6B5));
    odd.Lock();
    EXPECT_FALSE(rast.SetTexture(&odd));
    CSystemMemorySurface padded;
    padded.Create(256, 256, PixelFormatOf(PFID_R5G6B5), 320);
    padded.Lock();
    EXPECT_FALSE(rast.SetTexture(&padded));
    // Without a target nothing is drawn and the vertex list is still consumed.
    rast.BeginScene();
    rastState.rastVertexEnd = rastState.rastVertices + 3;
    rast.DrawPolygon();
    EXPECT_EQ(rastState.rastVertexEnd, rastState.rastVertices);
}

TEST(WarpRasterizer, ClampsInsteadOfWrappingAndSkipsBadPolygons) {
    // A texture whose left column is 1 and right column 2; a quad mapped slightly past both edges
    // must show only those two values, never the opposite edge wrapped round.
    CSystemMemorySurface tex;
    tex.Create(16, 16, PixelFormatOf(PFID_R5G6B5));
    tex.Lock();
    auto* t = static_cast<uint16_t*>(tex.pixels);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) t[y * 16 + x] = x < 8 ? 1 : 2;
    CSystemMemorySurface dst;
    dst.Create(64, 8, PixelFormatOf(PFID_R5G6B5));
    dst.Lock();
    std::memset(dst.pixels, 0, size_t(dst.PitchBytes()) * 8);
    CTWarpRasterizer rast;
    ASSERT_TRUE(rast.SetTarget(&dst));
    ASSERT_TRUE(rast.SetTexture(&tex));
    rast.BeginScene();
    const RastVertex quad[4] = {{0, 0, 1, -0.01f, 0, 0, 0, 0, 0}, {64, 0, 1, 1.01f, 0, 0, 0, 0, 0},
                                {64, 8, 1, 1.01f, 1, 0, 0, 0, 0}, {0, 8, 1, -0.01f, 1, 0, 0, 0, 0}};
    std::copy(quad, quad + 4, rastState.rastVertices);
    rastState.rastVertexEnd = rastState.rastVertices + 4;
    rast.DrawPolygon();
    const auto* d = static_cast<const uint16_t*>(dst.pixels);
    for (int y = 0; y < 8; y++) {
        EXPECT_EQ(d[y * 64 + 0], 1);
        EXPECT_EQ(d[y * 64 + 63], 2);
        for (int x = 0; x < 64; x++) ASSERT_EQ(d[y * 64 + x], x < 32 ? 1 : 2) << x << "," << y;
    }
    // Non-finite coordinates and lists of fewer than three vertices draw nothing.
    std::memset(dst.pixels, 0, size_t(dst.PitchBytes()) * 8);
    std::copy(quad, quad + 4, rastState.rastVertices);
    rastState.rastVertices[2].x = NAN;
    rastState.rastVertexEnd = rastState.rastVertices + 4;
    rast.DrawPolygon();
    std::copy(quad, quad + 4, rastState.rastVertices);
    rastState.rastVertexEnd = rastState.rastVertices + 2;
    rast.DrawPolygon();
    for (int i = 0; i < 64 * 8; i++) ASSERT_EQ(d[i], 0);
}
