// The panorama cube: orientation of every face, every pixel against the exact ray model, seams without gaps or overlaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "engine3d/Quaternion.h"
#include "panorama/WarpCube.h"
#include "panorama/WarpRasterizer.h"
#include "testdata/PanoramaWriter.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr uint16_t kSentinel = 0x001F;  // blue 31: no Coded face has it

// Six 5-6-5 faces, each filled by fill(face, its pixels, its pitch).
struct Faces {
    CSystemMemorySurface s[WARP_NB_FACES];
    CSurface* ptr[WARP_NB_FACES];
    explicit Faces(void (*fill)(int face, uint16_t* pixels, int pitch)) {
        for (int f = 0; f < WARP_NB_FACES; f++) {
            s[f].Create(WARP_FACE_SIZE, WARP_FACE_SIZE, PixelFormatOf(PFID_R5G6B5));
            s[f].Lock();
            fill(f, static_cast<uint16_t*>(s[f].pixels), s[f].pitch);
            ptr[f] = &s[f];
        }
    }
};

// The Coded faces: every pixel names its face and cell of 16 x 8 texels.
void CodedFace(int face, uint16_t* pixels, int pitch) {
    const std::vector<uint32_t> px = PanoramaWriter_Face(face, FaceStyle::Coded);
    for (int r = 0; r < WARP_FACE_SIZE; r++)
        for (int c = 0; c < WARP_FACE_SIZE; c++)
            pixels[r * pitch + c] = uint16_t(PackColor(PixelFormatOf(PFID_R5G6B5), px[size_t(r) * WARP_FACE_SIZE + c]));
}

// Faces whose texels name themselves: 0x8000 | face << 12 | (row mod 64) << 6 | (column mod 64) (the
// top bit keeps every code off the sentinel). With the ray's own place on the face known to a texel or
// two, that names the texel exactly.
void TexelFace(int face, uint16_t* pixels, int pitch) {
    for (int r = 0; r < WARP_FACE_SIZE; r++)
        for (int c = 0; c < WARP_FACE_SIZE; c++) pixels[r * pitch + c] = uint16_t(0x8000 | face << 12 | (r & 63) << 6 | (c & 63));
}

struct Screen {
    CSystemMemorySurface surface;
    CTCamera camera;
    Screen(int w, int h, float fov = 0.42222f * kPi) {
        surface.Create(w, h, PixelFormatOf(PFID_R5G6B5));
        surface.Lock();
        camera.SetClipRect(0, 0, w - 1, h - 1);
        camera.SetCenter(w * 0.5f, h * 0.5f);
        camera.SetFieldOfView(fov, float(w), float(h));
    }
    uint16_t At(int x, int y) const { return static_cast<const uint16_t*>(surface.pixels)[y * surface.pitch + x]; }
    FaceCode CodeAt(int x, int y) const { return PanoramaWriter_DecodeCoded565(At(x, y)); }
    // Clears to the sentinel and draws the cube seen at (yaw, pitch, roll); spanFn replaces the texture span.
    void Show(CSurface* const* faces, float yaw, float pitch, float roll = 0.0f, void (*spanFn)() = nullptr) {
        auto* p = static_cast<uint16_t*>(surface.pixels);
        std::fill(p, p + size_t(surface.pitch) * surface.height, kSentinel);
        camera.frame.SetLocalRotation(WarpCube_ViewRotation(yaw, pitch, roll));
        CTWarpRasterizer rast;
        ASSERT_TRUE(rast.SetTarget(&surface));
        rast.BeginScene();
        if (spanFn) rastState.rastSpanFn = spanFn;
        WarpCube_Draw(camera, faces, rast);
    }
};

// The exact model: the ray through a pixel's centre, in panorama space, in double precision.
struct Rays {
    double a[3], dx[3], dy[3];  // ray(x, y) = a + x dx + y dy
    explicit Rays(const CTCamera& cam) {
        const CTVector3 ex = Quat_RotateVec3(cam.frame.worldRotation, {1, 0, 0});
        const CTVector3 ey = Quat_RotateVec3(cam.frame.worldRotation, {0, 1, 0});
        const CTVector3 ez = Quat_RotateVec3(cam.frame.worldRotation, {0, 0, 1});
        const double e[3][3] = {{ex.x, ex.y, ex.z}, {ey.x, ey.y, ey.z}, {ez.x, ez.y, ez.z}};
        for (int k = 0; k < 3; k++) {
            dx[k] = e[0][k] / cam.Sx;
            dy[k] = e[1][k] / cam.Sy;
            a[k] = e[2][k] - cam.Cx * dx[k] - cam.Cy * dy[k];
        }
    }
    void At(int x, int y, double d[3]) const {
        for (int k = 0; k < 3; k++) d[k] = a[k] + (x + 0.5) * dx[k] + (y + 0.5) * dy[k];
    }
};

// Where ray d meets the plane of face f, in texels (column, row) of the face's picture; false when the
// ray runs away from that plane.
bool OnFacePlane(const double d[3], int f, double* col, double* row) {
    const CTVector3 o = WarpCube_FacePoint(f, 0, 0), s = WarpCube_FacePoint(f, 1, 0), t = WarpCube_FacePoint(f, 0, 1);
    const double n[3] = {o.x, o.y, o.z}, sx[3] = {s.x - o.x, s.y - o.y, s.z - o.z}, tx[3] = {t.x - o.x, t.y - o.y, t.z - o.z};
    const double k = n[0] * d[0] + n[1] * d[1] + n[2] * d[2];
    if (!(k > 0)) return false;
    *col = ((sx[0] * d[0] + sx[1] * d[1] + sx[2] * d[2]) / k + 1.0) * 0.5 * WARP_FACE_SIZE;
    *row = ((tx[0] * d[0] + tx[1] * d[1] + tx[2] * d[2]) / k + 1.0) * 0.5 * WARP_FACE_SIZE;
    return true;
}

// A texel number known modulo 64 against the exact one: their distance.
int Off64(int known, int exact) { return ((known - exact) % 64 + 96) % 64 - 32; }

// The drawn texel (a TexelFace code) lies within one texel, in column and in row, of the texel of
// its face that the ray meets; on a seam the ray meets the face's plane at most one texel beyond its
// edge, and the texel is the edge's.
bool WithinOneTexel(uint16_t code, const double d[3]) {
    const int f = code >> 12 & 7;
    double col, row;
    if (f >= WARP_NB_FACES || !OnFacePlane(d, f, &col, &row)) return false;
    if (col < -1.0 || col > WARP_FACE_SIZE + 1.0 || row < -1.0 || row > WARP_FACE_SIZE + 1.0) return false;
    const int c = std::clamp(int(std::floor(col)), 0, WARP_FACE_SIZE - 1);
    const int r = std::clamp(int(std::floor(row)), 0, WARP_FACE_SIZE - 1);
    return std::abs(Off64(code & 63, c)) <= 1 && std::abs(Off64(code >> 6 & 63, r)) <= 1;
}

// Counts how often each pixel is written, in place of the texture span.
std::vector<int> g_counts;
int g_countPitch = 0;
void CountingSpan() {
    const int row = int((rastState.rastDestRow - rastState.rastDestBits) / rastState.rastDestPitch);
    for (int c = rastState.rastSpanX0; c < rastState.rastSpanX1; c++) g_counts[size_t(row) * g_countPitch + c]++;
}

}  // namespace

TEST(WarpRender, LookingStraightAtEachFaceShowsItsCentreTheRightWayUp) {
    Faces faces(CodedFace);
    Screen sc(640, 480);
    const int sides[4] = {WARP_FACE_FRONT, WARP_FACE_RIGHT, WARP_FACE_BACK, WARP_FACE_LEFT};
    for (int k = 0; k < 4; k++) {
        sc.Show(faces.ptr, k * kPi / 2, 0.0f);
        const FaceCode c = sc.CodeAt(320, 240);
        EXPECT_EQ(c.face, sides[k]);
        EXPECT_NEAR(c.ucell, 16, 1);
        EXPECT_NEAR(c.vcell, 32, 1);
        // Right of the centre lies further right on the picture, below it further down.
        EXPECT_GT(sc.CodeAt(500, 240).ucell, c.ucell);
        EXPECT_GT(sc.CodeAt(320, 400).vcell, c.vcell);
    }
    sc.Show(faces.ptr, 0.0f, kPi / 2 - 0.01f);
    EXPECT_EQ(sc.CodeAt(320, 240).face, WARP_FACE_UP);
    sc.Show(faces.ptr, 0.0f, -(kPi / 2 - 0.01f));
    EXPECT_EQ(sc.CodeAt(320, 240).face, WARP_FACE_DOWN);
}

// Every pixel is drawn exactly once and shows a texel within one texel of the one that the ray through
// its centre meets, seams and corners included, over a sweep of yaw, pitch, roll and field of view at
// both screen sizes.
TEST(WarpRender, EveryPixelIsDrawnOnceWithinOneTexelOfItsRay) {
    Faces faces(TexelFace);
    std::vector<std::array<float, 3>> views = {{-3 * kPi / 4, 0.3f, 0}, {2.0f, -0.6155f, 0}, {0.3f, 1.2f, 0},
                                               {-1.0f, -1.4f, 0},        {kPi, kPi / 2, 0},    {0.7f, 0.2f, 0.17453f},
                                               {2.6f, -0.4f, -0.17453f}};
    for (float yaw : {0.0f, kPi / 4, 3 * kPi / 4, -0.3f})
        for (float pitch : {0.0f, 0.6155f, -0.9f, 1.3f}) views.push_back({yaw, pitch, 0});
    for (auto [w, h] : {std::pair{640, 480}, std::pair{800, 600}})
        for (float fov : {0.42222f * kPi, 0.5f * kPi, 0.3f * kPi}) {
            Screen sc(w, h, fov);
            g_countPitch = w;
            for (const auto& [yaw, pitch, roll] : views) {
                SCOPED_TRACE(testing::Message() << w << "x" << h << " fov " << fov << " view " << yaw << "," << pitch
                                                << "," << roll);
                g_counts.assign(size_t(w) * h, 0);
                sc.Show(faces.ptr, yaw, pitch, roll, CountingSpan);
                int wrong = 0, bad = 0;
                for (int n : g_counts) wrong += n != 1;
                EXPECT_EQ(wrong, 0) << "pixels not drawn exactly once";
                sc.Show(faces.ptr, yaw, pitch, roll);
                const Rays rays(sc.camera);
                for (int y = 0; y < h; y++)
                    for (int x = 0; x < w; x++) {
                        ASSERT_NE(sc.At(x, y), kSentinel) << "gap at " << x << "," << y;
                        double d[3];
                        rays.At(x, y, d);
                        if (!WithinOneTexel(sc.At(x, y), d) && bad++ < 5) {
                            int face;
                            float u, v;
                            WarpCube_Locate({float(d[0]), float(d[1]), float(d[2])}, &face, &u, &v);
                            ADD_FAILURE() << "pixel " << x << "," << y << " shows face " << (sc.At(x, y) >> 12 & 7) << " texel "
                                          << (sc.At(x, y) & 63) << "," << (sc.At(x, y) >> 6 & 63) << " (mod 64), ray meets face "
                                          << face << " at " << u * WARP_FACE_SIZE << "," << v * WARP_FACE_SIZE;
                        }
                    }
                EXPECT_EQ(bad, 0);
            }
        }
}

// Coordinates a little past the edges of a face, as a seam gives them, show its edge texels: the texture
// clamps and never wraps round to the opposite edge or the next row, whichever way the coordinates run
// (falling towards an edge too) and with 1/w changing along the rows.
TEST(WarpRender, TexelsClampAtTheFaceEdges) {
    CSystemMemorySurface tex;
    ASSERT_TRUE(tex.Create(16, 16, PixelFormatOf(PFID_R5G6B5)));
    tex.Lock();
    auto* t = static_cast<uint16_t*>(tex.pixels);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) t[y * tex.pitch + x] = uint16_t(y << 4 | x);
    CSystemMemorySurface dst;
    ASSERT_TRUE(dst.Create(64, 64, PixelFormatOf(PFID_R5G6B5)));
    dst.Lock();
    CTWarpRasterizer rast;
    ASSERT_TRUE(rast.SetTarget(&dst));
    ASSERT_TRUE(rast.SetTexture(&tex));
    for (bool falling : {false, true})
        for (float farSide : {1.0f, 0.5f}) {
            SCOPED_TRACE(testing::Message() << (falling ? "falling" : "rising") << ", right side 1/w " << farSide);
            const float lo = falling ? 1.5f : -0.5f, hi = falling ? -0.5f : 1.5f;
            rast.BeginScene();
            // u and v as the cube gives them, normalised (the rasteriser premultiplies them by 1/w): u
            // from lo to hi across, v times 1/w from lo to hi down.
            const RastVertex quad[4] = {{0, 0, 1, lo, lo, 0, 0, 0, 0},
                                        {64, 0, farSide, hi, lo / farSide, 0, 0, 0, 0},
                                        {64, 64, farSide, hi, hi / farSide, 0, 0, 0, 0},
                                        {0, 64, 1, lo, hi, 0, 0, 0, 0}};
            std::copy(quad, quad + 4, rastState.rastVertices);
            rastState.rastVertexEnd = rastState.rastVertices + 4;
            rast.DrawPolygon();
            const auto* d = static_cast<const uint16_t*>(dst.pixels);
            int bad = 0;
            for (int y = 0; y < 64; y++)
                for (int x = 0; x < 64; x++) {
                    // The exact texel of the pixel's centre, clamped; the drawn one within a texel of it.
                    const double a = (x + 0.5) / 64, w = 1 + (farSide - 1) * a;
                    const double u = (lo * (1 - a) + hi * a * farSide) / w, v = (lo + (hi - lo) * (y + 0.5) / 64) / w;
                    const int col = std::clamp(int(std::floor(u * 16)), 0, 15), row = std::clamp(int(std::floor(v * 16)), 0, 15);
                    const int got = d[y * dst.pitch + x];
                    const bool wrong = std::abs((got & 15) - col) > 1 || std::abs((got >> 4) - row) > 1 || got > 255;
                    if (wrong && bad < 5)
                        ADD_FAILURE() << "pixel " << x << "," << y << " shows texel " << (got & 15) << "," << (got >> 4)
                                      << ", the exact one is " << col << "," << row;
                    bad += wrong;
                }
            EXPECT_EQ(bad, 0);
        }
}
