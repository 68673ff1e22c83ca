// CTCamera: projection, view volume, clip codes and bounds classification of a camera.
#pragma once
#include <cstdint>
#include <string>

#include "engine3d/Frame.h"
#include "engine3d/Matrix.h"
#include "engine3d/Vector.h"
#include "graphics2d/Surface.h"

struct CTDbCamera;

// Projection kinds (low four bits of the projection word).
enum : uint32_t {
    CAMERA_PERSPECTIVE = 1,
    CAMERA_PARALLEL = 2,
    CAMERA_EYEPOINT = 4,
};

// Clip-code bits of a camera-space point; CLIP_OUTSIDE is the bounds verdict "wholly outside".
enum : uint32_t {
    CLIP_LEFT = 0x01,
    CLIP_TOP = 0x02,
    CLIP_RIGHT = 0x04,
    CLIP_BOTTOM = 0x08,
    CLIP_NEAR = 0x10,
    CLIP_FAR = 0x20,
    CLIP_OUTSIDE = 0x40,
};

struct CTScreenPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// Bounding box: centre, three unit axes with their half extents, and the bounding radius.
struct CTBounds {
    CTVector3 centre;
    CTVector3 axis[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    float extent[3] = {0, 0, 0};
    float radius = 0.0f;
};

// Camera space: x to the right, y down, z forward (the camera looks along +z). The view volume's
// sides pass through the outer edges of the clip rectangle (left, top, right + 1, bottom + 1).
// The public fields are read by the pipeline; write them through the setters, or call Update after
// writing them directly.
class CTCamera {
public:
    CTCamera();

    std::string name;
    // Focal scales and projection centre: perspective screen x = x Sx / z + Cx, y = y Sy / z + Cy.
    float Sx = 1.0f;
    float Sy = 1.0f;
    float Cx = 0.0f;
    float Cy = 0.0f;
    float near = 1.0f;
    float far = 1000.0f;
    // Perspective view-volume slopes: left x, upper y, right x, lower y per unit of z.
    float slopes[4] = {0, 0, 0, 0};
    // depth = Zo - Zs / z: 0 at the near plane, 1 at the far plane (both 0 while far <= near).
    float Zo = 0.0f;
    float Zs = 0.0f;
    // Eye point of the eye-point kind, in camera space (its world place is EyeWorld).
    CTVector3 eye;
    CTFrame frame;
    // Top, bottom, right, left, inclusive.
    ClipRect clip{0, 0, 0, 0};
    // Projection word: its low four bits are the kind.
    uint32_t projection = CAMERA_PERSPECTIVE;

    uint32_t Kind() const { return projection & 0xF; }

    // Recomputes the slopes and the depth constants from the other fields.
    void Update();

    void SetCenter(float x, float y);
    void SetClipRect(const ClipRect& rect);
    void SetClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // Sx = (width / 2) / tan(angle / 2): the angle spans the width. Sy = Sx (aspectX height) /
    // (aspectY width), so that a picture of aspect aspectX : aspectY fills width x height pixels;
    // aspect values of 0 stand for width and height (square pixels). The angle must lie in (0, pi)
    // and the sizes must be positive; anything else is reported and changes nothing.
    void SetFieldOfView(float angle, float width, float height, float aspectX = 0.0f, float aspectY = 0.0f);
    // Finite and positive; otherwise reported and ignored.
    void SetNear(float distance);
    void SetFar(float distance);
    // 1, 2 or 4; otherwise reported and ignored.
    void SetProjectionKind(uint32_t kind);
    // Non-zero finite scales; otherwise reported and ignored.
    void SetFocalScale(float sx, float sy);

    // Clip bits of a camera-space point: 0x10 nearer than near (and every point at or behind the eye
    // of the perspective and eye-point kinds, or with a NaN depth), else 0x20 beyond far; sides as
    // 0x01/0x04 and 0x02/0x08 by the view volume of the kind. All comparisons strict.
    uint32_t ClipCode(const CTVector3& p) const;
    // Given the object-to-camera matrix: 0x40 when the box lies wholly outside one plane of the view
    // volume, else the OR of the clip bits of its corners (near included); 0 when wholly inside.
    uint32_t ClassifyBounds(const CTMatrix34& m, const CTBounds& bounds) const;
    // Screen point of a camera-space point. False (out untouched) for a point at or behind the eye,
    // which is never projected, and for a projection kind without a rule.
    bool Project(const CTVector3& p, CTScreenPoint& out) const;
    // The camera-space point at camera-space depth z that projects to the screen point.
    CTVector3 Unproject(const CTScreenPoint& s, float z) const;
    // The eye point placed in the world by the camera's frame.
    CTVector3 EyeWorld() const;
    // Screen x, screen y, depth Zo - Zs q and q = 1/z of a camera-space point beyond the eye, by the
    // camera's kind (the perspective rule where the kind gives none).
    CTVector4 ProjectPoint(const CTVector3& p) const;

    // Sets camera from a database camera record.
    static void FromDb(const CTDbCamera& record, CTCamera& camera);
};

// Screen rectangle in floats: the bounding box of projected points.
struct CTScreenRect {
    float left = 0.0f;
    float top = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
};

// The part of camera a's screen that camera b's screen rectangle rectB covers, for content between
// b's near and far planes. False when no point of it lies in front of a's near plane.
bool Camera_ProjectRect(CTScreenRect& out, const CTCamera& a, const CTCamera& b, const ClipRect& rectB);
// The part of a's screen, within both cameras' clip rectangles, that b's view covers. False (and an
// all-zero rectangle) when they do not overlap.
bool Camera_OverlapRect(const CTCamera& a, const CTCamera& b, ClipRect& out);
