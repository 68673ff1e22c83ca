// Test helper: component-wise comparison of vectors.
#pragma once
#include <gtest/gtest.h>

#include "engine3d/Vector.h"

inline void ExpectVec(const CTVector3& a, const CTVector3& b, float eps = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}
