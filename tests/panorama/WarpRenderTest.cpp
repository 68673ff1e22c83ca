// The panorama cube: orientation of every face, seams without gaps or overlaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "panorama/WarpCube.h"
#include "panorama/WarpRasterizer.h"
#include "testdata/PanoramaWriter.h"

namespace {

constexpr float kPi = 3.14159265358979f;
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
        camera.SetFieldOfView(0.42222f * kPi, float(w), float(h));
    }
    uint16_t At(int x, int y) const { return static_cast<const uint16_t*>(surface.pixels)[y * surface.pitch + x]; }
    FaceCode CodeAt(int x, int y) const { return PanoramaWriter_DecodeCoded565(At(x, y)); }
    // Clears to the sentinel and draws the cube seen at (yaw, pitch, roll); spanFn replaces the texture span.
    void Show(Faces& faces, float yaw, float pitch, float roll = 0.0f, void (*spanFn)() = nullptr) {
        auto* p = static_cast<uint16_t*>(surface.pixels);
        std::fill(p, p + size_t(surface.pitch) * surface.height, kSentinel);
        camera.frame.SetLocalRotation(WarpCube_ViewRotation(yaw, pitch, roll));
        CTWarpRasterizer rast;
        ASSERT_TRUE(rast.SetTarget(&surface));
        rast.BeginScene();
        if (spanFn) rastState.rastSpanFn = spanFn;
        WarpCube_Draw(camera, faces.ptr, rast);
    }
};

// Counts how often each pixel is written, in place of the texture span.
std::vector<int> g_counts;
int g_countPitch = 0;
void CountingSpan() {
    const int row = int((rastState.rastDestRow - rastState.rastDestBits) / rastState.rastDestPitch);
    for (int c = rastState.rastSpanX0; c < rastState.rastSpanX1; c++) g_counts[size_t(row) * g_countPitch + c]++;
}

}  // namespace

TEST(WarpRender, LookingStraightAtEachFaceShowsItsCentreTheRightWayUp) {
    Faces faces;
    Screen sc(640, 480);
    const int sides[4] = {WARP_FACE_FRONT, WARP_FACE_RIGHT, WARP_FACE_BACK, WARP_FACE_LEFT};
    for (int k = 0; k < 4; k++) {
        sc.Show(faces, k * kPi / 2, 0.0f);
        const FaceCode c = sc.CodeAt(320, 240);
        EXPECT_EQ(c.face, sides[k]);
        EXPECT_NEAR(c.ucell, 16, 1);
        EXPECT_NEAR(c.vcell, 32, 1);
        // Right of the centre lies further right on the picture, below it further down.
        EXPECT_GT(sc.CodeAt(500, 240).ucell, c.ucell);
        EXPECT_GT(sc.CodeAt(320, 400).vcell, c.vcell);
    }
    sc.Show(faces, 0.0f, kPi / 2 - 0.01f);
    EXPECT_EQ(sc.CodeAt(320, 240).face, WARP_FACE_UP);
    sc.Show(faces, 0.0f, -(kPi / 2 - 0.01f));
    EXPECT_EQ(sc.CodeAt(320, 240).face, WARP_FACE_DOWN);
}

// Every pixel is drawn exactly once and shows the face and texel that the ray through its centre meets,
// across seams and corners, at two screen sizes.
TEST(WarpRender, EveryPixelIsDrawnOnceAndMatchesItsRay) {
    Faces faces;
    std::vector<std::array<float, 3>> views = {{-3 * kPi / 4, 0.3f, 0}, {2.0f, -0.6155f, 0}, {0.3f, 1.2f, 0},
                                               {-1.0f, -1.4f, 0},        {kPi, kPi / 2, 0},    {0.7f, 0.2f, 0.17453f}};
    for (float yaw : {0.0f, kPi / 4, 3 * kPi / 4, -0.3f})
        for (float pitch : {0.0f, 0.6155f, -0.9f, 1.3f}) views.push_back({yaw, pitch, 0});
    for (auto [w, h] : {std::pair{640, 480}, std::pair{800, 600}}) {
        Screen sc(w, h);
        g_countPitch = w;
        for (const auto& [yaw, pitch, roll] : views) {
            g_counts.assign(size_t(w) * h, 0);
            sc.Show(faces, yaw, pitch, roll, CountingSpan);
            int wrong = 0, bad = 0;
            for (int n : g_counts) wrong += n != 1;
            EXPECT_EQ(wrong, 0) << w << "x" << h << " view " << yaw << "," << pitch << "," << roll;
            sc.Show(faces, yaw, pitch, roll);
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++) {
                    ASSERT_NE(sc.At(x, y), kSentinel) << "gap at " << x << "," << y << " view " << yaw << "," << pitch;
                    int face;
                    float u, v;
                    ASSERT_TRUE(WarpCube_Locate(WarpCube_ScreenDirection(sc.camera, x + 0.5f, y + 0.5f), &face, &u, &v));
                    // Either face may own a pixel on a seam.
                    if (std::min(std::min(u, 1.0f - u), std::min(v, 1.0f - v)) * WARP_FACE_SIZE < 2.0f) continue;
                    const FaceCode code = sc.CodeAt(x, y);
                    const int ucell = int(u * WARP_FACE_SIZE) >> 4, vcell = int(v * WARP_FACE_SIZE) >> 3;
                    if ((code.face != face || std::abs(code.ucell - ucell) > 1 || std::abs(code.vcell - vcell) > 1) &&
                        bad++ < 5)
                        ADD_FAILURE() << "pixel " << x << "," << y << " shows face " << code.face << " cell "
                                      << code.ucell << "," << code.vcell << ", ray meets face " << face << " cell "
                                      << ucell << "," << vcell;
                }
            EXPECT_EQ(bad, 0) << w << "x" << h << " view " << yaw << "," << pitch << "," << roll;
        }
    }
}

// Coordinates a little past the edges of a face, as a seam gives them, show its edge texels: the texture
// clamps and never wraps round to the opposite edge.
TEST(WarpRender, TexelsClampAtTheFaceEdges) {
    CSystemMemorySurface tex;
    ASSERT_TRUE(tex.Create(16, 16, PixelFormatOf(PFID_R5G6B5)));
    tex.Lock();
    auto* t = static_cast<uint16_t*>(tex.pixels);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) t[y * tex.pitch + x] = uint16_t(1 + (x >= 8) + 2 * (y >= 8));
    CSystemMemorySurface dst;
    ASSERT_TRUE(dst.Create(64, 64, PixelFormatOf(PFID_R5G6B5)));
    dst.Lock();
    CTWarpRasterizer rast;
    ASSERT_TRUE(rast.SetTarget(&dst));
    ASSERT_TRUE(rast.SetTexture(&tex));
    rast.BeginScene();
    const RastVertex quad[4] = {{0, 0, 1, -0.01f, -0.01f, 0, 0, 0, 0},
                                {64, 0, 1, 1.01f, -0.01f, 0, 0, 0, 0},
                                {64, 64, 1, 1.01f, 1.01f, 0, 0, 0, 0},
                                {0, 64, 1, -0.01f, 1.01f, 0, 0, 0, 0}};
    std::copy(quad, quad + 4, rastState.rastVertices);
    rastState.rastVertexEnd = rastState.rastVertices + 4;
    rast.DrawPolygon();
    const auto* d = static_cast<const uint16_t*>(dst.pixels);
    int bad = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
            bad += d[y * dst.pitch + x] != uint16_t(1 + (x >= 32) + 2 * (y >= 32));
    EXPECT_EQ(bad, 0);
}
