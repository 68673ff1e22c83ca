// Shared helpers of the span tests.
#include "test_spans_common.h"

#include <algorithm>

namespace span_test {

void PublishFormat(const Format& f)
{
    rastState.rastRedMask = f.is565 ? 0xF800 : 0x7C00;
    rastState.rastGreenMask = f.is565 ? 0x7E0 : 0x3E0;
    rastState.rastAboveRedMask = f.is565 ? 0xFFFF0000 : 0xFFFF8000;
    rastState.rastAboveGreenMask = f.is565 ? 0xFFFFF800 : 0xFFFFFC00;
}

void OnePixel::Publish(int family, uint32_t depth, float shade)
{
    SpanState& s = rastState;
    edge = RastEdge{};
    edge.x = 0.5f;  // first pixel centre at distance 0.5
    edge.shade = shade;
    if (Perspective(family)) {
        edge.z = float(double(depth) / 2147483648.0);
    } else {
        edge.z = float(depth);
    }
    s.rastSpanEdge = &edge;
    s.rastSpanX0 = 0;
    s.rastSpanX1 = 1;
    s.rastDestRow = reinterpret_cast<uint8_t*>(&dst);
    s.rastZRow = reinterpret_cast<uint8_t*>(&z);
    s.rastTexBits = Tex8(family) ? &texel8 : reinterpret_cast<const uint8_t*>(&texel16);
    s.rastTexMaskLo = 0xFFFFFFFF;
    s.rastTexMaskHi = 0;
    s.rastTexShift = 32;
    s.rastPalette = palette;
    s.rastDzDx = s.rastDuDx = s.rastDvDx = s.rastDsDx = 0.0f;
    s.rastDzDx32 = s.rastDuDx32 = s.rastDvDx32 = 0.0f;
    s.rastDzDxFixed = s.rastDuDxFixed = s.rastDvDxFixed = s.rastDsDxFixed = 0;
}

uint32_t RefBlendChannel(int variant, uint32_t s, uint32_t d, uint32_t w, int shift, uint32_t max)
{
    switch (variant) {
    case kSpanAdd: return std::min(d + s, max);
    case kSpanSrcSubDest: return s > d ? s - d : 0;
    case kSpanDestSubSrc: return d > s ? d - s : 0;
    case kSpanAddVar: return std::min(d + s * w / 16, max);
    case kSpanSrcSubDestVar: {
        const uint32_t x = std::min(s * w / 16, max);
        return x > d ? x - d : 0;
    }
    case kSpanDestSubSrcVar: {
        // The weighted source keeps its bits below the channel: compare in place.
        const uint64_t W = (uint64_t(s) * w << shift) >> 4, D = uint64_t(d) << shift;
        return D >= W ? uint32_t((D - W) >> shift) & max : 0;
    }
    default: {
        const int64_t delta = (int64_t(s) - int64_t(d)) * int64_t(w);
        const int64_t step = delta >= 0 ? delta / 32 : -((-delta + 31) / 32);  // floor
        return uint32_t(int64_t(d) + step) & max;
    }
    }
}

uint32_t RefShade16(const Format& f, uint32_t S, uint32_t k, bool formA)
{
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t max = (1u << f.bits[c]) - 1;
        const uint32_t v = (S >> f.shift[c]) & max;
        const uint32_t r = formA ? v * k / 32768 : v * (k >> 10) / 32;
        out |= r << f.shift[c];
    }
    return out;
}

uint32_t RefPixel(const Format& f, int variant, uint32_t S, uint32_t D, uint32_t w)
{
    if (variant <= kSpanKeyShade) return S;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const uint32_t max = (1u << f.bits[c]) - 1;
        out |= RefBlendChannel(variant, (S >> f.shift[c]) & max, (D >> f.shift[c]) & max, w, f.shift[c], max)
               << f.shift[c];
    }
    return out;
}

}  // namespace span_test
