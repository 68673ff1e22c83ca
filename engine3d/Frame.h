// CTFrame: a node of the frame hierarchy with local values and a cached world transform.
#pragma once
#include <cstdint>

#include "engine3d/Matrix.h"
#include "engine3d/Quaternion.h"
#include "engine3d/Vector.h"

// A point p of the frame is at worldPosition + worldScale * (worldRotation p worldRotation*) in the
// world, and its local values place it the same way in its parent. A frame without parent (the root
// frame among them) has world values equal to its local values.
//
// Changing a frame's local values or parent marks it and all its descendants stale; UpdateWorld
// brings the chain up to date. A valid frame always has valid ancestors.
class CTFrame {
public:
    // A new frame is a child of the root frame, at the origin, unturned, scale 1.
    CTFrame();
    // A child of parent (null: no parent).
    explicit CTFrame(CTFrame* parent);
    // A copy takes the local values and the parent of other, not its children.
    CTFrame(const CTFrame& other);
    CTFrame& operator=(const CTFrame& other);
    // A move also takes over the children.
    CTFrame(CTFrame&& other) noexcept;
    CTFrame& operator=(CTFrame&& other) noexcept;
    // Unlinks from the parent; children are left without parent.
    ~CTFrame();

    // The one parent of every top node; always valid.
    static CTFrame& Root();

    CTFrame* Parent() const { return parent_; }
    // Keeps the local values. Refused (false) when parent is this frame or one of its descendants.
    bool SetParent(CTFrame* parent);

    const CTQuaternion& LocalRotation() const { return rotation_; }
    const CTVector3& LocalPosition() const { return position_; }
    float LocalScale() const { return scale_; }
    void SetLocalRotation(const CTQuaternion& q);
    void SetLocalPosition(const CTVector3& p);
    void SetLocalScale(float s);
    // All three at once, one invalidation.
    void SetLocal(const CTQuaternion& q, const CTVector3& p, float s);

    // Values expressed in a reference frame (null: the world, as the root frame).
    // With the frame itself as reference: SetRotation applies q after the current rotation,
    // Rotate turns about and Translate moves along the frame's own axes.
    void SetPosition(const CTFrame* ref, const CTVector3& p);
    CTVector3 GetPosition(const CTFrame* ref) const;
    void SetRotation(const CTFrame* ref, const CTQuaternion& q);
    CTQuaternion GetRotation(const CTFrame* ref) const;
    // The scale relative to the reference's world scale; a null factor or one that is 0 or not
    // finite changes nothing.
    void SetScale(const CTFrame* ref, const float* factor);
    // Turns the orientation by q expressed in the reference's axes; the position stays.
    void Rotate(const CTFrame* ref, const CTQuaternion& q);
    // Moves by v expressed in the reference's axes and units.
    void Translate(const CTFrame* ref, const CTVector3& v);

    // Brings the world values up to date from the parent chain when the flag is clear.
    void UpdateWorld() const;
    // Marks the frame and its descendants stale.
    void Invalidate();

    // Frame point to world and back (UpdateWorld first).
    CTVector3 PointToWorld(const CTVector3& p) const;
    CTVector3 PointFromWorld(const CTVector3& p) const;

    // World cache: read after UpdateWorld.
    mutable CTQuaternion worldRotation;
    mutable CTVector3 worldPosition;
    mutable float worldScale = 1.0f;
    mutable uint8_t worldValid = 0;

private:
    void Link(CTFrame* parent);
    void Unlink();
    void AdoptChildren(CTFrame& from);
    // True when frame is this frame or one of its ancestors.
    bool IsWithin(const CTFrame* frame) const;
    // World value of the reference: the root's when null.
    static const CTFrame& RefOrRoot(const CTFrame* ref);

    CTQuaternion rotation_;
    CTVector3 position_;
    float scale_ = 1.0f;

    CTFrame* parent_ = nullptr;
    CTFrame* firstChild_ = nullptr;
    CTFrame* nextSibling_ = nullptr;
    CTFrame* prevSibling_ = nullptr;
};

// value / scale, or 1.0 when the quotient is 0 or not finite (a zero scale among them).
float CTCamera_ScaleOrOne(float value, float scale);

// The transform taking points of the object frame to points of the reference frame: the rotation of
// conj(reference rotation) x (object rotation) scaled by objectScale / referenceScale, and the
// translation (objectPosition - referencePosition) / referenceScale in the reference's axes. Both
// frames' world caches are brought up to date. A reference of world scale 0 is taken as scale 1.
CTMatrix34 Frame_RelativeMatrix(const CTFrame& reference, const CTFrame& object);
