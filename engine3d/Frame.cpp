// CTFrame: hierarchy links, world cache and reference-frame operations.
#include "engine3d/Frame.h"

#include <cmath>

CTFrame::CTFrame() { Link(&Root()); }

CTFrame::CTFrame(CTFrame* parent) { Link(parent); }

CTFrame::CTFrame(const CTFrame& other) : rotation_(other.rotation_), position_(other.position_), scale_(other.scale_)
{
    Link(other.parent_);
}

CTFrame& CTFrame::operator=(const CTFrame& other)
{
    if (this == &other) return *this;
    rotation_ = other.rotation_;
    position_ = other.position_;
    scale_ = other.scale_;
    if (!SetParent(other.parent_)) Invalidate();
    return *this;
}

CTFrame::CTFrame(CTFrame&& other) noexcept
    : rotation_(other.rotation_), position_(other.position_), scale_(other.scale_)
{
    Link(other.parent_);
    AdoptChildren(other);
}

CTFrame& CTFrame::operator=(CTFrame&& other) noexcept
{
    if (this == &other) return *this;
    *this = static_cast<const CTFrame&>(other);
    // Children of this frame stay; those of other join them unless that would close a loop.
    if (!IsWithin(&other)) AdoptChildren(other);
    return *this;
}

CTFrame::~CTFrame()
{
    Unlink();
    for (CTFrame* c = firstChild_; c;) {
        CTFrame* next = c->nextSibling_;
        c->parent_ = nullptr;
        c->prevSibling_ = c->nextSibling_ = nullptr;
        c->Invalidate();
        c = next;
    }
}

CTFrame& CTFrame::Root()
{
    static CTFrame root(nullptr);
    return root;
}

void CTFrame::Link(CTFrame* parent)
{
    parent_ = parent;
    if (parent) {
        nextSibling_ = parent->firstChild_;
        prevSibling_ = nullptr;
        if (nextSibling_) nextSibling_->prevSibling_ = this;
        parent->firstChild_ = this;
    }
    Invalidate();
}

void CTFrame::Unlink()
{
    if (!parent_) return;
    if (prevSibling_)
        prevSibling_->nextSibling_ = nextSibling_;
    else
        parent_->firstChild_ = nextSibling_;
    if (nextSibling_) nextSibling_->prevSibling_ = prevSibling_;
    parent_ = nullptr;
    prevSibling_ = nextSibling_ = nullptr;
}

void CTFrame::AdoptChildren(CTFrame& from)
{
    while (CTFrame* c = from.firstChild_) {
        c->Unlink();
        c->Link(this);
    }
}

bool CTFrame::IsWithin(const CTFrame* frame) const
{
    for (const CTFrame* p = this; p; p = p->parent_)
        if (p == frame) return true;
    return false;
}

bool CTFrame::SetParent(CTFrame* parent)
{
    if (parent == parent_) return true;
    if (parent && parent->IsWithin(this)) return false;
    Unlink();
    Link(parent);
    return true;
}

void CTFrame::Invalidate()
{
    worldValid = 0;
    // Stale frames have stale descendants already, so the walk stops there.
    for (CTFrame* c = firstChild_; c; c = c->nextSibling_)
        if (c->worldValid) c->Invalidate();
}

void CTFrame::SetLocalRotation(const CTQuaternion& q)
{
    rotation_ = q.Normalised();
    Invalidate();
}

void CTFrame::SetLocalPosition(const CTVector3& p)
{
    position_ = p;
    Invalidate();
}

void CTFrame::SetLocalScale(float s)
{
    scale_ = s;
    Invalidate();
}

void CTFrame::SetLocal(const CTQuaternion& q, const CTVector3& p, float s)
{
    rotation_ = q.Normalised();
    position_ = p;
    scale_ = s;
    Invalidate();
}

void CTFrame::UpdateWorld() const
{
    if (worldValid) return;
    if (parent_) {
        parent_->UpdateWorld();
        worldRotation = (parent_->worldRotation * rotation_).Normalised();
        worldScale = parent_->worldScale * scale_;
        worldPosition = Vec3_Add(parent_->worldPosition,
                                 Vec3_Scale(Quat_RotateVec3(parent_->worldRotation, position_), parent_->worldScale));
    } else {
        worldRotation = rotation_;
        worldScale = scale_;
        worldPosition = position_;
    }
    worldValid = 1;
}

CTVector3 CTFrame::PointToWorld(const CTVector3& p) const
{
    UpdateWorld();
    return Vec3_Add(worldPosition, Vec3_Scale(Quat_RotateVec3(worldRotation, p), worldScale));
}

CTVector3 CTFrame::PointFromWorld(const CTVector3& p) const
{
    UpdateWorld();
    const float s = worldScale != 0.0f ? worldScale : 1.0f;
    return Vec3_DivScalar(Quat_RotateVec3b(worldRotation, Vec3_Sub(p, worldPosition)), s);
}

const CTFrame& CTFrame::RefOrRoot(const CTFrame* ref) { return ref ? *ref : Root(); }

void CTFrame::SetPosition(const CTFrame* ref, const CTVector3& p)
{
    const CTVector3 w = RefOrRoot(ref).PointToWorld(p);
    SetLocalPosition(parent_ ? parent_->PointFromWorld(w) : w);
}

CTVector3 CTFrame::GetPosition(const CTFrame* ref) const
{
    UpdateWorld();
    return RefOrRoot(ref).PointFromWorld(worldPosition);
}

void CTFrame::SetRotation(const CTFrame* ref, const CTQuaternion& q)
{
    const CTFrame& r = RefOrRoot(ref);
    r.UpdateWorld();
    const CTQuaternion w = r.worldRotation * q;
    if (parent_) parent_->UpdateWorld();
    SetLocalRotation(parent_ ? parent_->worldRotation.ConjTimes(w) : w);
}

CTQuaternion CTFrame::GetRotation(const CTFrame* ref) const
{
    const CTFrame& r = RefOrRoot(ref);
    r.UpdateWorld();
    UpdateWorld();
    return r.worldRotation.ConjTimes(worldRotation);
}

void CTFrame::SetScale(const CTFrame* ref, const float* factor)
{
    if (!factor || !(*factor != 0.0f) || !std::isfinite(*factor)) return;
    const CTFrame& r = RefOrRoot(ref);
    r.UpdateWorld();
    const float w = r.worldScale * *factor;
    if (parent_) parent_->UpdateWorld();
    const float ps = parent_ ? parent_->worldScale : 1.0f;
    if (ps == 0.0f) return;
    SetLocalScale(w / ps);
}

void CTFrame::Rotate(const CTFrame* ref, const CTQuaternion& q)
{
    const CTFrame& r = RefOrRoot(ref);
    r.UpdateWorld();
    UpdateWorld();
    // q expressed in the reference's axes is r q r* in the world's.
    const CTQuaternion w = r.worldRotation * q * r.worldRotation.Conj() * worldRotation;
    if (parent_) parent_->UpdateWorld();
    SetLocalRotation(parent_ ? parent_->worldRotation.ConjTimes(w) : w);
}

void CTFrame::Translate(const CTFrame* ref, const CTVector3& v)
{
    const CTFrame& r = RefOrRoot(ref);
    r.UpdateWorld();
    UpdateWorld();
    const CTVector3 w = Vec3_Add(worldPosition, Vec3_Scale(Quat_RotateVec3(r.worldRotation, v), r.worldScale));
    SetLocalPosition(parent_ ? parent_->PointFromWorld(w) : w);
}

float CTCamera_ScaleOrOne(float value, float scale)
{
    const float q = value / scale;
    if (q == 0.0f || !std::isfinite(q)) return 1.0f;
    return q;
}

CTMatrix34 Frame_RelativeMatrix(const CTFrame& reference, const CTFrame& object)
{
    reference.UpdateWorld();
    object.UpdateWorld();
    const float refScale = reference.worldScale != 0.0f ? reference.worldScale : 1.0f;
    const float k = object.worldScale / refScale;
    const CTMatrix3 r = CTMatrix3::FromQuaternion(reference.worldRotation.ConjTimes(object.worldRotation));
    const CTVector3 t = Vec3_DivScalar(
        Quat_RotateVec3b(reference.worldRotation, Vec3_Sub(object.worldPosition, reference.worldPosition)), refScale);
    CTMatrix34 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i][j] = r.m[i][j] * k;
    m.m[0][3] = t.x;
    m.m[1][3] = t.y;
    m.m[2][3] = t.z;
    return m;
}
