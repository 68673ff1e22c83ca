// Animation sets: keyed rotation, position, scale and morph tracks, and their evaluation.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine3d/DbRecords.h"
#include "engine3d/Frame.h"

// Channels of PlayAnimationSet's mask.
enum : uint32_t {
    ANIM_ROTATION = 0x1,
    ANIM_POSITION = 0x2,
    ANIM_SCALE = 0x4,
    ANIM_ALL = 31,
};

// The tracks of an animation record, evaluated. Keys are in frames and sorted by time. Between two
// keys a value is blended linearly (rotations by the shortest arc); before the first key it is the
// first key's, after the last the last key's.
class CTAnimationSet : public CTDbAnimation {
public:
    static void FromDb(const CTDbAnimation& record, CTAnimationSet& out);

    bool HasAnimation() const { return !rotationKeys.empty() || !positionKeys.empty() || !scaleKeys.empty(); }
    // False when the channel has no key.
    bool RotationAt(float time, CTQuaternion& out) const;
    bool PositionAt(float time, CTVector3& out) const;
    bool ScaleAt(float time, float& out) const;
    // The morph vertex list at a time, blended vertex by vertex between the two keys around it over
    // as many vertices as both have. False (out empty) without morph keys.
    bool MorphAt(float time, std::vector<CTVector3>& out) const;
};

// Poses the frame's local rotation, position and scale (as the mask selects) at the time. A null
// set, a channel without keys or a time that is not finite leaves the frame as it is.
void PlayAnimationSet(const CTAnimationSet* set, float time, CTFrame& frame, uint32_t mask);

using CTAnimationSetMap = std::map<std::string, CTAnimationSet>;

// The 3D layer's name-keyed animation cache: a name met again reuses the set built first.
CTAnimationSet& AnimationCache_Get(const CTDbAnimation& record);
CTAnimationSet* AnimationCache_Find(const std::string& name);
size_t AnimationCache_Size();
// Empties the cache; sets taken from it before are gone.
void AnimationCache_Clear();
