// The portable stand-ins for the K6-3D's packed-float instructions: the reciprocal estimate's
// bound and special values, the saturating conversion.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <utility>

#include "raster/k63d/K3DNow.h"
#include "raster/k63d/K63DSpanPolicy.h"
#include "testdata/RasterHarness.h"

using namespace k3d;

// Within 2^-14 of 1/x over every exponent of both signs, exact for powers of two, the same for x
// and -x; zero and denormals give FLT_MAX, infinities zero, the signs kept; NaN stays NaN.
TEST(K3DNow, ReciprocalEstimate)
{
    raster_harness::Rng rng(83);
    for (int i = 0; i < 200000; ++i) {
        const uint32_t bits = uint32_t(rng.Range(0x00800000, 0x7F7FFFFF));
        const float x = FloatOf(bits);
        const float r = RcpEstimate(x);
        const double err = std::fabs(double(r) * double(x) - 1.0);
        if (x < 0x1p126f) {
            ASSERT_LT(err, 0x1p-14) << x;
        } else {
            ASSERT_LE(r, 0x1p-126f) << x;  // below the normal range: flushed or the smallest normal
        }
        ASSERT_EQ(RcpEstimate(-x), -r);
    }
    for (int e = -126; e < 127; ++e) ASSERT_EQ(RcpEstimate(std::ldexp(1.0f, e)), std::ldexp(1.0f, -e)) << e;
    EXPECT_EQ(RcpEstimate(0.0f), FLT_MAX);
    EXPECT_EQ(RcpEstimate(-0.0f), -FLT_MAX);
    EXPECT_EQ(RcpEstimate(FloatOf(1)), FLT_MAX);
    EXPECT_EQ(RcpEstimate(-FloatOf(0x007FFFFF)), -FLT_MAX);
    EXPECT_EQ(BitsOf(RcpEstimate(INFINITY)), 0u);
    EXPECT_EQ(BitsOf(RcpEstimate(-INFINITY)), 0x80000000u);
    EXPECT_TRUE(std::isnan(RcpEstimate(NAN)));
    EXPECT_EQ(RcpEstimate(FLT_MAX), 0.0f);
}

// Truncation toward zero, saturating at both limits; NaN gives 0x80000000.
TEST(K3DNow, SaturatingConversion)
{
    const std::pair<float, int32_t> cases[] = {{-0.99f, 0}, {-1.5f, -1}, {2147483520.0f, 2147483520}, {2147483648.0f, INT32_MAX},
                                               {INFINITY, INT32_MAX}, {-1e30f, INT32_MIN}, {NAN, INT32_MIN}};
    for (const auto& [x, want] : cases) EXPECT_EQ(Pf2Id(x), want) << x;
}
