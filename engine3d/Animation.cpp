// Animation-set evaluation and the animation cache.
#include "engine3d/Animation.h"

#include <algorithm>
#include <cmath>

namespace {

CTAnimationSetMap& Cache()
{
    static CTAnimationSetMap cache;
    return cache;
}

// The keys around time: indices a <= b and the blend factor from a to b.
template <class K>
bool Bracket(const std::vector<K>& keys, float time, size_t& a, size_t& b, float& t)
{
    if (keys.empty() || !std::isfinite(time)) return false;
    const auto it = std::upper_bound(keys.begin(), keys.end(), time, [](float v, const K& k) { return v < k.time; });
    if (it == keys.begin()) {
        a = b = 0;
        t = 0.0f;
        return true;
    }
    b = size_t(it - keys.begin());
    a = b - 1;
    if (b == keys.size()) {
        b = a;
        t = 0.0f;
        return true;
    }
    const float span = keys[b].time - keys[a].time;
    t = span > 0.0f ? (time - keys[a].time) / span : 0.0f;
    return true;
}

}  // namespace

void CTAnimationSet::FromDb(const CTDbAnimation& r, CTAnimationSet& out) { static_cast<CTDbAnimation&>(out) = r; }

bool CTAnimationSet::RotationAt(float time, CTQuaternion& out) const
{
    size_t a, b;
    float t;
    if (!Bracket(rotationKeys, time, a, b, t)) return false;
    out = a == b ? rotationKeys[a].value.Normalised() : Quat_Slerp(rotationKeys[a].value, rotationKeys[b].value, t);
    return true;
}

bool CTAnimationSet::PositionAt(float time, CTVector3& out) const
{
    size_t a, b;
    float t;
    if (!Bracket(positionKeys, time, a, b, t)) return false;
    out = a == b ? positionKeys[a].value : Vec3_Lerp(positionKeys[a].value, positionKeys[b].value, t);
    return true;
}

bool CTAnimationSet::ScaleAt(float time, float& out) const
{
    size_t a, b;
    float t;
    if (!Bracket(scaleKeys, time, a, b, t)) return false;
    const float s0 = scaleKeys[a].value, s1 = scaleKeys[b].value;
    out = a == b ? s0 : s0 + (s1 - s0) * t;
    return true;
}

bool CTAnimationSet::MorphAt(float time, std::vector<CTVector3>& out) const
{
    out.clear();
    size_t a, b;
    float t;
    if (!Bracket(morphKeys, time, a, b, t)) return false;
    const std::vector<CTVector3>& va = morphKeys[a].vertices;
    const std::vector<CTVector3>& vb = morphKeys[b].vertices;
    if (a == b) {
        out = va;
        return true;
    }
    const size_t n = std::min(va.size(), vb.size());
    out.resize(n);
    for (size_t i = 0; i < n; ++i) out[i] = Vec3_Lerp(va[i], vb[i], t);
    return true;
}

void PlayAnimationSet(const CTAnimationSet* set, float time, CTFrame& frame, uint32_t mask)
{
    if (!set) return;
    CTQuaternion q = frame.LocalRotation();
    CTVector3 p = frame.LocalPosition();
    float s = frame.LocalScale();
    bool changed = false;
    if (mask & ANIM_ROTATION) changed |= set->RotationAt(time, q);
    if (mask & ANIM_POSITION) changed |= set->PositionAt(time, p);
    if (mask & ANIM_SCALE) changed |= set->ScaleAt(time, s);
    if (changed) frame.SetLocal(q, p, s);
}

CTAnimationSet& AnimationCache_Get(const CTDbAnimation& record)
{
    auto [it, fresh] = Cache().try_emplace(record.name);
    if (fresh) CTAnimationSet::FromDb(record, it->second);
    return it->second;
}

CTAnimationSet* AnimationCache_Find(const std::string& name)
{
    auto it = Cache().find(name);
    return it != Cache().end() ? &it->second : nullptr;
}

size_t AnimationCache_Size() { return Cache().size(); }

void AnimationCache_Clear() { Cache().clear(); }
