// Camera: field of view, projections of every kind, clip codes, bounds classification.
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

TEST(Camera, FieldOfViewDepthRangeAndRefusedValues)
{
    CTCamera c;
    // A 4:3 picture over 640 x 400 pixels has pixels taller than wide.
    c.SetFieldOfView(kPi / 2, 640, 400, 4, 3);
    EXPECT_NEAR(c.Sy, 320.0f * 4 * 400 / (3 * 640), 1e-3f);
    for (float bad : {0.0f, kPi, NAN}) c.SetFieldOfView(bad, 640, 480);
    c.SetFieldOfView(1.0f, 0, 480);
    EXPECT_NEAR(c.Sx, 320.0f, 1e-3f);

    // depth = Zo - Zs / z: 0 at near, 1 at far.
    CTCamera d = Screen640();
    EXPECT_NEAR(d.Zo - d.Zs / 1.5f, 0.0f, 1e-6f);
    EXPECT_NEAR(d.Zo - d.Zs / 100.0f, 1.0f, 1e-6f);
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
        for (const CTVector3 p : {CTVector3{0, 0, 10}, CTVector3{3, -2, 4}, CTVector3{-7.5f, 6, 50}, CTVector3{0.25f, 0.5f, 1.5f}}) {
            ASSERT_TRUE(c->Project(p, s));
            const CTVector3 back = c->Unproject(s, p.z);
            EXPECT_NEAR(back.x, p.x, 1e-4f * (1 + std::fabs(p.x)));
            EXPECT_NEAR(back.y, p.y, 1e-4f * (1 + std::fabs(p.y)));
            EXPECT_EQ(back.z, p.z);
        }
    }

    // Points at or behind the eye are never projected, and are coded near.
    eye.eye = {0, 0, -2};
    for (const CTVector3 p : {CTVector3{1, 1, 0}, CTVector3{1, 1, -3}, CTVector3{1, 1, NAN}}) {
        EXPECT_FALSE(persp.Project(p, s));
        EXPECT_EQ(persp.ClipCode(p) & CLIP_NEAR, CLIP_NEAR);
    }
    EXPECT_FALSE(eye.Project({1, 1, -2}, s));
    EXPECT_EQ(eye.ClipCode({0, 0, -2}) & CLIP_NEAR, CLIP_NEAR);
    EXPECT_TRUE(eye.Project({1, 1, -1}, s));
}

TEST(Camera, ClipCodesAndTies)
{
    const CTCamera c = Screen640();
    const struct {
        CTVector3 p;
        uint32_t code;
    } cases[] = {
        // On a plane is inside: every comparison is strict.
        {{0, 0, 10}, 0}, {{0, 0, 1.5f}, 0}, {{0, 0, 100}, 0}, {{-10, 0, 10}, 0}, {{0, -7.5f, 10}, 0},
        {{0, 0, 1.49f}, CLIP_NEAR}, {{0, 0, 100.01f}, CLIP_FAR}, {{-10.01f, 0, 10}, CLIP_LEFT},
        {{10.1f, 0, 10}, CLIP_RIGHT}, {{0, -7.51f, 10}, CLIP_TOP}, {{0, 7.6f, 10}, CLIP_BOTTOM},
        {{-20, 20, 200}, CLIP_FAR}, {{-250, 20, 200}, CLIP_FAR | CLIP_LEFT},
        {{-3, 3, 1}, CLIP_NEAR | CLIP_LEFT | CLIP_BOTTOM},
    };
    for (const auto& k : cases) EXPECT_EQ(c.ClipCode(k.p), k.code) << k.p.x << "," << k.p.y << "," << k.p.z;

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
    const struct {
        CTBounds box;
        uint32_t code;
    } cases[] = {
        {Box({0, 0, 10}, 1, 1, 1), 0},
        // Touching the near and far planes from inside: inside.
        {Box({0, 0, 3}, 1, 1, 1.5f), 0},
        {Box({0, 0, 98}, 1, 1, 2), 0},
        // Crossing the near plane is reported so the object is clipped vertex by vertex.
        {Box({0, 0, 2}, 0.1f, 0.1f, 1), CLIP_NEAR},
        // Wholly behind, wholly beyond far, wholly left of the view, or NaN: outside.
        {Box({0, 0, -5}, 1, 1, 1), CLIP_OUTSIDE},
        {Box({0, 0, 150}, 10, 10, 10), CLIP_OUTSIDE},
        {Box({-30, 0, 10}, 1, 1, 1), CLIP_OUTSIDE},
        {Box({0, 0, NAN}, 1, 1, 1), CLIP_OUTSIDE},
        // A corner on the left plane is inside it, so a box touching it from outside is kept.
        {Box({-11, 0, 10}, 1, 1, 0), CLIP_LEFT},
        {Box({-11.5f, 0, 10}, 1, 1, 0), CLIP_OUTSIDE},
        {Box({0, 0, 10}, 20, 1, 1), CLIP_LEFT | CLIP_RIGHT},
        // A box straddling the eye sideways: near and sides, not outside.
        {Box({0, 0, 0}, 50, 50, 5), CLIP_NEAR | CLIP_LEFT | CLIP_RIGHT | CLIP_TOP | CLIP_BOTTOM},
    };
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(c.ClassifyBounds(id, cases[i].box), cases[i].code) << i;

    // The matrix carries the box: axes rotated and scaled, centre translated.
    CTMatrix34 m;
    m.m[0][0] = 0;
    m.m[0][1] = -2;
    m.m[1][0] = 2;
    m.m[1][1] = 0;
    m.m[2][2] = 2;
    m.m[2][3] = 10;
    EXPECT_EQ(c.ClassifyBounds(m, Box({0, 0, 0}, 6, 0.5f, 0.5f)), CLIP_TOP | CLIP_BOTTOM);  // 6 along x: 12 along y
    EXPECT_EQ(c.ClassifyBounds(m, Box({0, 0, -4}, 1, 1, 1)) & (CLIP_NEAR | CLIP_OUTSIDE), CLIP_NEAR);
}

}  // namespace
