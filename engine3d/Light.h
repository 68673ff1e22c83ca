// CTLight: the light record of the 3D engine, made from a database light.
#pragma once
#include <cstdint>
#include <string>

#include "engine3d/DbRecords.h"
#include "engine3d/Frame.h"
#include "engine3d/Vector.h"

// Kind word of a light.
enum : uint32_t {
    LIGHT_AMBIENT = 0x01,
    LIGHT_DIRECTIONAL = 0x02,
    LIGHT_POINT_DIRECTION = 0x04,  // a point light taken as one direction per object
    LIGHT_POINT = 0x08,
    LIGHT_SPOT = 0x10,
    LIGHT_SPECULAR = 0x100,
    LIGHT_ATTENUATION = 0x7000,
    LIGHT_ATTEN_CONSTANT = 0x1000,
    LIGHT_ATTEN_LINEAR = 0x2000,
    LIGHT_ATTEN_QUADRATIC = 0x4000,
    LIGHT_OFF = 0x10000000,
    LIGHT_RANGED = 0x20000000,
};

struct CTLight {
    uint32_t flags = 0;
    // Ambient, diffuse (times the intensity), specular: red, green, blue, alpha in 0..1.
    CTVector4 colours[3];
    // Constant, linear and quadratic attenuation; for ranged lights inner and outer range and the
    // inner-cone cosine.
    float values[3] = {1.0f, 0.0f, 0.0f};
    float coneAngle = 0.0f;
    float coneCos = 1.0f;
    float spotExponent = 4.0f;
    CTFrame frame;
    std::string name;
};

// The record of a database light: flags translated, colours unpacked, usable values copied, placed
// under the root frame.
void Orv3D_MakeLight(const CTDbLight& record, CTLight& light);
