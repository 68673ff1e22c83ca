// Camera: field of view, projections of every kind, clip codes, bounds classification, overlap.
#include <gtest/gtest.h>

#include <cmath>

#include "engine3d/Camera.h"
#include "engine3d/DbRecords.h"

namespace {

constexpr float kPi = 3.14159265f;

// 640 x 480, centre (320, 240), 90 degrees: Sx = Sy = 320, slopes -1, -0.75, 1, 0.75 (outer edges).
CTCamera Screen640(uint32_t kind = CAMERA_PERSPECTIVE)
{
    CTCamera c;
    c.SetCenter(320, 240);
    c.SetClipRect(0, 0, 639, 479);
    c.SetFieldOfView(kPi / 2, 640, 480);
    c.SetNear(1.5f);
    c.SetFar(100.0f);
    c.SetProjectionKind(kind);
    return c;
}

TEST(Camera, FieldOfViewFormula)
{
    CTCamera c;
    c.SetFieldOfView(0.42222f * kPi, 640, 480);
    EXPECT_NEAR(c.Sx, 320.0 / std::tan(0.42222 * M_PI / 2), 1e-3);
    EXPECT_EQ(c.Sx, c.Sy);
    // A 4:3 picture over 640 x 400 pixels has pixels taller than wide.
    c.SetFieldOfView(kPi / 2, 640, 400, 4, 3);
    EXPECT_NEAR(c.Sx, 320.0f, 1e-3f);
    EXPECT_NEAR(c.Sy, 320.0f * 4 * 400 / (3 * 640), 1e-3f);

    const float sx = c.Sx;
    for (float bad : {0.0f, kPi, -1.0f, NAN}) c.SetFieldOfView(bad, 640, 480);
    c.SetFieldOfView(1.0f, 0, 480);
    EXPECT_EQ(c.Sx, sx);
}

TEST(Camera, DerivedValues)
{
    const CTCamera c = Screen640();
    EXPECT_FLOAT_EQ(c.slopes[0], -1.0f);
    EXPECT_FLOAT_EQ(c.slopes[1], -0.75f);
    EXPECT_FLOAT_EQ(c.slopes[2], 1.0f);
    EXPECT_FLOAT_EQ(c.slopes[3], 0.75f);
    EXPECT_FLOAT_EQ(c.Zo, 100.0f / 98.5f);
    EXPECT_FLOAT_EQ(c.Zs, c.Zo * 1.5f);
    // depth = Zo - Zs / z: 0 at near, 1 at far.
    EXPECT_NEAR(c.Zo - c.Zs / 1.5f, 0.0f, 1e-6f);
    EXPECT_NEAR(c.Zo - c.Zs / 100.0f, 1.0f, 1e-6f);

    CTCamera d = Screen640();
    d.SetNear(200.0f);  // beyond far: nothing visible, constants neutral
    EXPECT_EQ(d.Zo, 0.0f);
    d.SetNear(-1.0f);
    d.SetFar(NAN);
    d.SetProjectionKind(3);
    EXPECT_EQ(d.near, 200.0f);
    EXPECT_EQ(d.far, 100.0f);
    EXPECT_EQ(d.Kind(), CAMERA_PERSPECTIVE);
}

TEST(Camera, ProjectionOfEveryKindAndRoundTrips)
{
    const CTVector3 pts[] = {{0, 0, 10}, {3, -2, 4}, {-7.5f, 6, 50}, {0.25f, 0.5f, 1.5f}};

    CTCamera persp = Screen640();
    CTScreenPoint s;
    ASSERT_TRUE(persp.Project({3, -2, 4}, s));
    EXPECT_FLOAT_EQ(s.x, 320 + 320 * 3 / 4.0f);
    EXPECT_FLOAT_EQ(s.y, 240 - 320 * 2 / 4.0f);

    CTCamera par = Screen640(CAMERA_PARALLEL);
    par.SetFocalScale(1.52f, 1.52f);
    ASSERT_TRUE(par.Project({10, -20, 99}, s));
    EXPECT_FLOAT_EQ(s.x, 1.52f * 10 + 320);
    EXPECT_FLOAT_EQ(s.y, 1.52f * -20 + 240);

    CTCamera eye = Screen640(CAMERA_EYEPOINT);
    eye.eye = {1, -1, -2};
    // t = 4 / 6: x' = 3 / 3 + 2 / 3, y' = -2 / 3 - 2 / 3.
    ASSERT_TRUE(eye.Project({3, -2, 4}, s));
    EXPECT_NEAR(s.x, 320 + 320 * (5.0f / 3), 1e-3f);
    EXPECT_NEAR(s.y, 240 - 320 * (4.0f / 3), 1e-3f);

    for (const CTCamera* c : {&persp, &par, &eye}) {
        for (const CTVector3& p : pts) {
            ASSERT_TRUE(c->Project(p, s));
            const CTVector3 back = c->Unproject(s, p.z);
            EXPECT_NEAR(back.x, p.x, 1e-4f * (1 + std::fabs(p.x)));
            EXPECT_NEAR(back.y, p.y, 1e-4f * (1 + std::fabs(p.y)));
            EXPECT_EQ(back.z, p.z);
        }
    }
}

TEST(Camera, PointsAtOrBehindTheEyeAreNeverProjected)
{
    CTScreenPoint s{-1, -1};
    const CTCamera persp = Screen640();
    EXPECT_FALSE(persp.Project({1, 1, 0}, s));
    EXPECT_FALSE(persp.Project({1, 1, -3}, s));
    EXPECT_FALSE(persp.Project({1, 1, NAN}, s));
    CTCamera eye = Screen640(CAMERA_EYEPOINT);
    eye.eye = {0, 0, -2};
    EXPECT_FALSE(eye.Project({1, 1, -2}, s));
    EXPECT_FALSE(eye.Project({1, 1, -5}, s));
    EXPECT_TRUE(eye.Project({1, 1, -1}, s));
    EXPECT_EQ(persp.ClipCode({0, 0, 0}) & CLIP_NEAR, CLIP_NEAR);
    EXPECT_EQ(eye.ClipCode({0, 0, -2}) & CLIP_NEAR, CLIP_NEAR);
    EXPECT_EQ(persp.ClipCode({0, 0, NAN}) & CLIP_NEAR, CLIP_NEAR);
}

TEST(Camera, ClipCodesAndTies)
{
    const CTCamera c = Screen640();
    EXPECT_EQ(c.ClipCode({0, 0, 10}), 0u);
    // On the plane is inside: every comparison is strict.
    EXPECT_EQ(c.ClipCode({0, 0, 1.5f}), 0u);
    EXPECT_EQ(c.ClipCode({0, 0, 100}), 0u);
    EXPECT_EQ(c.ClipCode({-10, 0, 10}), 0u);
    EXPECT_EQ(c.ClipCode({0, -7.5f, 10}), 0u);
    EXPECT_EQ(c.ClipCode({0, 0, 1.49f}), CLIP_NEAR);
    EXPECT_EQ(c.ClipCode({0, 0, 100.01f}), CLIP_FAR);
    EXPECT_EQ(c.ClipCode({-10.01f, 0, 10}), CLIP_LEFT);
    EXPECT_EQ(c.ClipCode({10.1f, 0, 10}), CLIP_RIGHT);
    EXPECT_EQ(c.ClipCode({0, -7.51f, 10}), CLIP_TOP);
    EXPECT_EQ(c.ClipCode({0, 7.6f, 10}), CLIP_BOTTOM);
    EXPECT_EQ(c.ClipCode({-20, 20, 200}), CLIP_FAR);
    EXPECT_EQ(c.ClipCode({-250, 20, 200}), CLIP_FAR | CLIP_LEFT);
    EXPECT_EQ(c.ClipCode({-3, 3, 1}), CLIP_NEAR | CLIP_LEFT | CLIP_BOTTOM);

    // The other kinds compare the projected point with the outer pixel edges.
    for (uint32_t kind : {CAMERA_PARALLEL, CAMERA_EYEPOINT}) {
        CTCamera k = Screen640(kind);
        if (kind == CAMERA_PARALLEL) k.SetFocalScale(2, 2);
        k.eye = {0, 0, -1};
        for (const CTVector3 p : {CTVector3{100, 50, 10}, CTVector3{-200, 0, 3}, CTVector3{0, 300, 50},
                                  CTVector3{159, -119, 2}, CTVector3{160.5f, 120.5f, 20}}) {
            CTScreenPoint s;
            ASSERT_TRUE(k.Project(p, s));
            uint32_t want = 0;
            if (s.x < 0) want |= CLIP_LEFT;
            if (s.x > 640) want |= CLIP_RIGHT;
            if (s.y < 0) want |= CLIP_TOP;
            if (s.y > 480) want |= CLIP_BOTTOM;
            EXPECT_EQ(k.ClipCode(p), want) << "kind " << kind << " at " << p.x << "," << p.y << "," << p.z;
        }
    }
}

CTBounds Box(CTVector3 centre, float ex, float ey, float ez)
{
    CTBounds b;
    b.centre = centre;
    b.extent[0] = ex;
    b.extent[1] = ey;
    b.extent[2] = ez;
    b.radius = std::sqrt(ex * ex + ey * ey + ez * ez);
    return b;
}

TEST(Camera, ClassifyBounds)
{
    const CTCamera c = Screen640();
    const CTMatrix34 id;
    EXPECT_EQ(c.ClassifyBounds(id, Box({0, 0, 10}, 1, 1, 1)), 0u);
    // Touching near and far planes from inside: inside.
    EXPECT_EQ(c.ClassifyBounds(id, Box({0, 0, 3}, 1, 1, 1.5f)), 0u);
    EXPECT_EQ(c.ClassifyBounds(id, Box({0, 0, 98}, 1, 1, 2)), 0u);
    // Crossing the near plane is reported so the object is clipped vertex by vertex.
    EXPECT_EQ(c.ClassifyBounds(id, Box({0, 0, 2}, 0.1f, 0.1f, 1)), CLIP_NEAR);
    // Wholly behind the camera, wholly beyond far, wholly left of the view: outside.
    EXPECT_EQ(c.ClassifyBounds(id, Box({0, 0, -5}, 1, 1, 1)), CLIP_OUTSIDE);
    EXPECT_EQ(c.ClassifyBounds(id, Box({0, 0, 150}, 10, 10, 10)), CLIP_OUTSIDE);
    EXPECT_EQ(c.ClassifyBounds(id, Box({-30, 0, 10}, 1, 1, 1)), CLIP_OUTSIDE);
    // A corner on the left plane is inside it, so a box touching it from outside is kept.
    EXPECT_EQ(c.ClassifyBounds(id, Box({-11, 0, 10}, 1, 1, 0)), CLIP_LEFT);
    EXPECT_EQ(c.ClassifyBounds(id, Box({-11.5f, 0, 10}, 1, 1, 0)), CLIP_OUTSIDE);
    EXPECT_EQ(c.ClassifyBounds(id, Box({-10, 0, 10}, 1, 1, 0)), CLIP_LEFT);
    EXPECT_EQ(c.ClassifyBounds(id, Box({0, 0, 10}, 20, 1, 1)), CLIP_LEFT | CLIP_RIGHT);
    // A box straddling the eye sideways: near and sides, not outside.
    EXPECT_EQ(c.ClassifyBounds(id, Box({0, 0, 0}, 50, 50, 5)),
              CLIP_NEAR | CLIP_LEFT | CLIP_RIGHT | CLIP_TOP | CLIP_BOTTOM);

    // The matrix carries the box: axes rotated and scaled, centre translated.
    CTMatrix34 m;
    m.m[0][0] = 0;
    m.m[0][1] = -2;
    m.m[1][0] = 2;
    m.m[1][1] = 0;
    m.m[2][2] = 2;
    m.m[2][3] = 10;
    CTBounds tall = Box({0, 0, 0}, 6, 0.5f, 0.5f);  // 6 along x becomes 12 along y
    EXPECT_EQ(c.ClassifyBounds(m, tall), CLIP_TOP | CLIP_BOTTOM);
    EXPECT_EQ(c.ClassifyBounds(m, Box({0, 0, -4}, 1, 1, 1)) & (CLIP_NEAR | CLIP_OUTSIDE), CLIP_NEAR);
    CTBounds nan = Box({0, 0, NAN}, 1, 1, 1);
    EXPECT_EQ(c.ClassifyBounds(id, nan), CLIP_OUTSIDE);
}

TEST(Camera, FromDbKeepsTheScreen)
{
    CTCamera c = Screen640();
    CTDbCamera r;
    r.name = "Cam1";
    r.position = {1, 2, 3};
    r.rotation = CTQuaternion::FromAxisAngle({0, 1, 0}, 0.5f);
    r.fieldOfView = kPi / 3;
    r.nearDist = 2.0f;
    r.farDist = 500.0f;
    CTCamera::FromDb(r, c);
    EXPECT_EQ(c.name, "Cam1");
    EXPECT_EQ(c.Cx, 320.0f);
    EXPECT_NEAR(c.Sx, 320.0 / std::tan(M_PI / 6), 1e-3);
    EXPECT_EQ(c.Sx, c.Sy);
    EXPECT_EQ(c.near, 2.0f);
    EXPECT_EQ(c.far, 500.0f);
    const CTVector3 p = c.frame.GetPosition(nullptr);
    EXPECT_NEAR(p.x, 1, 1e-6);
    EXPECT_NEAR(p.z, 3, 1e-6);
    r.projection = CAMERA_PARALLEL;
    r.parallelWidth = 64.0f;
    CTCamera::FromDb(r, c);
    EXPECT_EQ(c.Kind(), CAMERA_PARALLEL);
    EXPECT_FLOAT_EQ(c.Sx, 10.0f);
}

TEST(Camera, OverlapRect)
{
    // Two cameras at one place: the overlap of the same view is the whole clip rectangle.
    CTCamera a = Screen640(), b = Screen640();
    ClipRect r;
    ASSERT_TRUE(Camera_OverlapRect(a, b, r));
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 639);
    EXPECT_EQ(r.bottom, 479);

    // A narrower b turned right by 45 degrees: its axis meets a's right edge.
    b.SetFieldOfView(kPi / 4, 640, 480);
    b.frame.SetLocalRotation(CTQuaternion::FromAxisAngle({0, 1, 0}, kPi / 4));
    ASSERT_TRUE(Camera_OverlapRect(a, b, r));
    // b's left edge is 22.5 degrees right of a's axis.
    const float leftX = 320 + 320 * std::tan(kPi / 4 - kPi / 8);
    EXPECT_NEAR(r.left, std::floor(leftX), 1.0f);
    EXPECT_EQ(r.right, 639);
    EXPECT_GT(r.top, 0);
    EXPECT_LT(r.bottom, 479);

    // Looking backwards: no overlap.
    b.frame.SetLocalRotation(CTQuaternion::FromAxisAngle({0, 1, 0}, kPi));
    EXPECT_FALSE(Camera_OverlapRect(a, b, r));
    EXPECT_EQ(r.left | r.right | r.top | r.bottom, 0);
}

}  // namespace
