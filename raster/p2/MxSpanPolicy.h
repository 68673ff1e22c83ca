// The arithmetic of the span routines that the Pentium II and MMX rows share: conversions, start
// depths and the FastPerspective walk with its 32-pixel subdivision.
#pragma once
#include <array>
#include <cstdint>

#include "raster/SpanState.h"
#include "raster/packed/PackedConvert.h"
#include "raster/packed/PackedLanes.h"
#include "raster/packed/SpreadBlend.h"

// Tail tables of the FastPerspective walk, indexed by a tail of r = 1..32 pixels: the distance from
// the last subdivision point to the tail's last pixel, and its reciprocal (0 for a one-pixel tail,
// so that no division by zero occurs). Both are f32, as the walk multiplies by them.
inline constexpr std::array<float, 34> kMxTailLength = [] {
    std::array<float, 34> t{};
    for (int r = 1; r < 34; ++r) t[size_t(r)] = float(r - 1);
    return t;
}();
inline constexpr std::array<float, 34> kMxTailReciprocal = [] {
    std::array<float, 34> t{};
    t[0] = 63.0f;
    for (int r = 2; r < 34; ++r) t[size_t(r)] = float(1.0 / double(r - 1));
    return t;
}();

template <class LaneForm>
struct MxSpanPolicy {
    using Lanes = LaneForm;
    using AddVarGreen = AddVarGreenMx;

    static int32_t Trunc(double x) { return RastTruncIndefinite(x); }
    static uint32_t LinearDepth(double z) { return RastDepthStart(z); }
    // 1/w as the walk stores it (f32), scaled by 2^31 on its exponent, then converted.
    static uint32_t PerspectiveDepth(float w) { return RastDepthStart(double(RastScaleExp31(w))); }

    // u and v at one subdivision point: UW and VW times 1/W. A W of 0 or less (or NaN) is not
    // divided by: the point keeps the previous point's coordinates.
    static void Point(double W, double UW, double VW, double& u, double& v)
    {
        if (!(W > 0.0)) return;
        const double inv = 1.0 / W;
        u = UW * inv;
        v = VW * inv;
    }

    // Exact (to the truncation) at the first pixel, every 32nd pixel and the last pixel, linear in
    // between. 1/w, u/w and v/w accumulate in double precision, never rounded to f32 on the way.
    template <class Run>
    static void PerspectiveWalk(const SpanState& st, const RastEdge& e, double offset, int n, Run&& run)
    {
        double W = double(e.z) + double(st.rastDzDx) * offset;
        double UW = double(e.u) + double(st.rastDuDx) * offset;
        double VW = double(e.v) + double(st.rastDvDx) * offset;
        double u = 0.0, v = 0.0;
        Point(W, UW, VW, u, v);
        uint32_t pu = uint32_t(Trunc(u)), pv = uint32_t(Trunc(v));

        int blocks = 0, tail = n;
        if (n > 32) {
            blocks = n >> 5;
            tail = n & 31;
            if (tail == 0) {
                --blocks;
                tail = 32;
            }
        }
        for (int k = 0; k < blocks; ++k) {
            W += double(st.rastDzDx32);
            UW += double(st.rastDuDx32);
            VW += double(st.rastDvDx32);
            Point(W, UW, VW, u, v);
            const uint32_t qu = uint32_t(Trunc(u)), qv = uint32_t(Trunc(v));
            const uint32_t du = ((qu >> 5) - (pu >> 5)) << 6, dv = ((qv >> 5) - (pv >> 5)) << 6;
            run(32, pu << 6, pv << 6, du, dv, du << 1, dv << 1);
            pu = qu;
            pv = qv;
        }

        const double length = double(kMxTailLength[size_t(tail)]);
        double ue = u, ve = v;
        Point(W + double(st.rastDzDx) * length, UW + double(st.rastDuDx) * length, VW + double(st.rastDvDx) * length,
              ue, ve);
        const double recip = double(kMxTailReciprocal[size_t(tail)]);
        const uint32_t du = uint32_t(Trunc((ue - u) * recip)) << 6;
        const uint32_t dv = uint32_t(Trunc((ve - v) * recip)) << 6;
        run(tail, pu << 6, pv << 6, du, dv, du << 1, dv << 1);
    }
};
