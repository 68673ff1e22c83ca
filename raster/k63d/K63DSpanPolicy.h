// The K6-3D arithmetic of the shared two-lane span walker: single-precision start values, saturating conversions, the AddVar green and the perspective blocks.
#pragma once
#include <array>
#include <cstdint>

#include "raster/SpanState.h"
#include "raster/k63d/K3DNow.h"
#include "raster/packed/PackedConvert.h"
#include "raster/packed/SpreadBlend.h"

// Remainder tables of the perspective walk: entry k holds (k, k) and (1/k, 1/k), the nearest
// floats; entry 0 of the reciprocals is 0.
inline constexpr std::array<k3d::F32x2, 64> rastCountPairs = [] {
    std::array<k3d::F32x2, 64> t{};
    for (int k = 0; k < 64; ++k) t[size_t(k)] = {float(k), float(k)};
    return t;
}();
inline constexpr std::array<k3d::F32x2, 64> rastReciprocalPairs = [] {
    std::array<k3d::F32x2, 64> t{};
    for (int k = 1; k < 64; ++k) t[size_t(k)] = {1.0f / float(k), 1.0f / float(k)};
    return t;
}();

// AddVar green from the destination's spread form: its blue takes no part, unlike the Pentium II
// and MMX green that adds the whole destination pixel.
struct AddVarGreenK63D {
    template <class Vec>
    static Vec Green(const Vec& Dw, const Vec& T, const SpreadLanes<Vec>& k)
    {
        return AddUsW((Dw & k.mask) | k.fill, SrlW<4>(MulLoW(T, k.factorA)));
    }
};

// Start depth: below 0 gives 0 rather than a depth that beats every entry; 2^31 and above
// saturate at 0x7FFFFFFF.
inline uint32_t K63DDepthStart(float z) { return z < 0.0f ? 0u : static_cast<uint32_t>(k3d::Pf2Id(z)); }

template <class LaneForm>
struct K63DSpanPolicy {
    using Lanes = LaneForm;
    using AddVarGreen = AddVarGreenK63D;

    // Every start value is a single-precision product and sum; the values passed around as double
    // are floats.
    static double Offset(int x0, float edgeX) { return k3d::Pi2Fd(x0 + 1) - edgeX; }
    static double Start(float q, float dq, double offset) { return q + dq * static_cast<float>(offset); }
    static int32_t Trunc(double x) { return k3d::Pf2Id(static_cast<float>(x)); }
    static uint32_t LinearDepth(double z) { return K63DDepthStart(static_cast<float>(z)); }
    static uint32_t PerspectiveDepth(float w) { return K63DDepthStart(RastScaleExp31(w)); }

    // u and v divided out at the first pixel and at the end of every 32-pixel block, where each
    // block restarts on the divided value; a block steps by its truncated change rounded down to a
    // multiple of 32. A remainder of two or more pixels steps toward the divided value at the row's
    // last pixel by the truncated product with the tabulated reciprocal of its length.
    template <class Run>
    static void PerspectiveWalk(const SpanState& st, const RastEdge& e, double offset, int n, Run&& run)
    {
        using namespace k3d;
        const float d = static_cast<float>(offset);
        const F32x2 grad{st.rastDuDx, st.rastDvDx};
        float q = e.z + d * st.rastDzDx;
        F32x2 uvw = PfAdd({e.u, e.v}, PfMul({d, d}, grad));
        F32x2 uv = PfMul(uvw, PfRcp(q));
        uint32_t U = Fixed(uv.lo), V = Fixed(uv.hi);
        int rem = n;
        if (n >= 32) {
            const F32x2 grad32{st.rastDuDx32, st.rastDvDx32};
            for (int b = n >> 5; b > 0; --b) {
                q = q + st.rastDzDx32;
                uvw = PfAdd(uvw, grad32);
                const F32x2 end = PfMul(uvw, PfRcp(q));
                const F32x2 change = PfSub(end, uv);
                const uint32_t du = uint32_t(Pf2Id(change.lo) >> 5) << 6, dv = uint32_t(Pf2Id(change.hi) >> 5) << 6;
                run(32, U, V, du, dv, du << 1, dv << 1);
                U = Fixed(end.lo), V = Fixed(end.hi);
                uv = end;
            }
            rem = n & 31;
            if (rem == 0) return;
        }
        if (rem == 1) {
            run(1, U, V, 0u, 0u, 0u, 0u);
            return;
        }
        const F32x2 m = rastCountPairs[size_t(rem - 1)];
        const float qLast = q + m.lo * st.rastDzDx;
        const F32x2 last = PfMul(PfAdd(uvw, PfMul(m, grad)), PfRcp(qLast));
        const F32x2 step = PfMul(PfSub(last, uv), rastReciprocalPairs[size_t(rem - 1)]);
        const uint32_t du = Fixed(step.lo), dv = Fixed(step.hi);
        run(rem, U, V, du, dv, du << 1, dv << 1);
    }

private:
    static uint32_t Fixed(float x) { return static_cast<uint32_t>(k3d::Pf2Id(x)) << 6; }
};
