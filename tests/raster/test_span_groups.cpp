// The portable spans drawn eight pixels at a time, at every vector level, against the pixel-by-pixel
// reference on random rows (the hand-written groups' own tests do the same for theirs).
#include <vector>

#include "raster_test.h"

#include "tests/support/SimdLevels.h"

using namespace rtest;

namespace {

// Texture blocks as the spans address them: width and height bits. The smallest have fewer texels
// than a 32-bit word holds, which the AVX2 loop leaves to the SSE2 one.
struct Block {
    int wb, hb;
};
constexpr Block kBlocks[] = {{8, 8}, {6, 5}, {2, 3}, {1, 0}, {0, 1}, {2, 0}, {0, 0}};

// One row of 160 pixels and its depths over random texels of a few values (keys are met often), a
// random plane, both pixel formats.
struct PortableRig {
    static constexpr int kW = 160;
    std::vector<uint16_t> dst = std::vector<uint16_t>(kW);
    std::vector<uint32_t> z = std::vector<uint32_t>(kW);
    std::vector<uint16_t> tex16 = std::vector<uint16_t>(65536);
    std::vector<uint8_t> tex8 = std::vector<uint8_t>(65536);
    std::vector<uint16_t> plane = std::vector<uint16_t>(kRastPaletteRows * kRastPaletteEntries);
    RastEdge edge{};
    explicit PortableRig(Rng& rng)
    {
        for (uint16_t& p : plane) p = uint16_t(rng.Next());
        for (size_t i = 0; i < tex8.size(); ++i) tex8[i] = uint8_t(rng.Next() & 15), tex16[i] = plane[tex8[i]];
    }
};

// A random span of the rig: position, edge, steps, texture block, key, format, weights, rows.
struct PortableSpan {
    RastEdge edge{};
    int x0, n;
    Block block;
    bool is565;
    float dz, du, dv, ds;
    int32_t dzFixed, duFixed, dvFixed, dsFixed;
    uint32_t key8, key16;
    uint16_t weights[3];
    std::vector<uint16_t> dst;
    std::vector<uint32_t> z;

    PortableSpan(Rng& rng, const PortableRig& rig, bool persp)
    {
        x0 = int(rng.Range(0, 20));
        n = int(rng.Range(1, PortableRig::kW - 1 - x0));
        block = kBlocks[rng.Range(0, int64_t(std::size(kBlocks)) - 1)];
        is565 = rng.Range(0, 1) != 0;
        edge.x = float(x0) + float(rng.Range(0, 1024)) / 1024.0f - 0.5f;
        edge.z = persp ? float(rng.Range(300, 1000)) / 1024.0f : float(rng.Range(0, 1 << 30)) * 2.0f;
        edge.u = float(rng.Range(-1 << 20, 1 << 20));
        edge.v = float(rng.Range(-1 << 28, 1 << 28));
        edge.shade = float(rng.Range(-3000, 36000));
        dz = persp ? float(rng.Range(-100, 100)) / 65536.0f : float(rng.Range(-1 << 24, 1 << 24));
        du = float(rng.Range(-3000, 3000)) * 64.0f;
        dv = float(rng.Range(-1 << 19, 1 << 19));
        ds = float(rng.Range(-900, 900));
        dzFixed = int32_t(rng.Next());
        duFixed = int32_t(rng.Next()), dvFixed = int32_t(rng.Next());
        dsFixed = rng.Range(0, 3) ? int32_t(rng.Range(-900, 900)) : int32_t(rng.Next());
        key8 = rng.Range(0, 4) ? uint32_t(rng.Range(0, 15)) : 0x100u;
        key16 = rng.Range(0, 4) ? rig.plane[size_t(rng.Range(0, 15))] : 0x10000u;
        for (uint16_t& w : weights) w = uint16_t(rng.Range(0, 32));
        for (int j = 0; j < PortableRig::kW; ++j) dst.push_back(uint16_t(rng.Next())), z.push_back(uint32_t(rng.Next()));
    }

    std::pair<std::vector<uint16_t>, std::vector<uint32_t>> Run(PortableRig& rig, RastFn span, bool tex8) const
    {
        rig.dst = dst, rig.z = z, rig.edge = edge;
        SpanState& s = rastState;
        PublishFormat(is565 ? k565 : k555);
        s.rastSpanEdge = &rig.edge;
        s.rastSpanX0 = x0, s.rastSpanX1 = x0 + n;
        s.rastDestRow = reinterpret_cast<uint8_t*>(rig.dst.data());
        s.rastZRow = reinterpret_cast<uint8_t*>(rig.z.data());
        s.rastTexBits = tex8 ? rig.tex8.data() : reinterpret_cast<const uint8_t*>(rig.tex16.data());
        s.rastTexMaskLo = block.hb ? 0xFFFFFFFFu >> block.hb : 0xFFFFFFFFu;
        s.rastTexMaskHi = ~s.rastTexMaskLo;
        s.rastTexShift = uint32_t(32 - block.hb - block.wb);
        s.rastPalette = rig.plane.data();
        s.rastAlpha = key8, s.rastAlphaPixel = key16;
        s.rastDzDx = dz, s.rastDzDx32 = dz * 32.0f, s.rastDzDxFixed = dzFixed;
        s.rastDuDx = du, s.rastDvDx = dv, s.rastDuDx32 = du * 32.0f, s.rastDvDx32 = dv * 32.0f;
        s.rastDuDxFixed = duFixed, s.rastDvDxFixed = dvFixed;
        s.rastDsDx = ds, s.rastDsDxFixed = dsFixed;
        s.rastVarWeightR = weights[0], s.rastVarWeightG = weights[1], s.rastVarWeightB = weights[2];
        span();
        return {rig.dst, rig.z};
    }
};

}  // namespace

// Every portable row against its pixel-by-pixel form: keys met and missed, depths passing and failing,
// intensities beyond both ends and wrapping, both pixel formats, texture blocks down to one texel.
TEST(SpanGroups, PortableRowsEqualTheirReference)
{
    Rng rng(83);
    PortableRig rig(rng);
    AtEverySimdLevel([&] {
        for (const Row& row : kRows) {
            SCOPED_TRACE(row.name);
            const RastFn reference = PortableReferenceSpan(row.family, row.variant);
            ASSERT_NE(reference, nullptr);
            for (int iter = 0; iter < 40; ++iter) {
                const PortableSpan s(rng, rig, Perspective(row.family));
                ASSERT_EQ(s.Run(rig, row.span, Tex8(row.family)), s.Run(rig, reference, Tex8(row.family))) << iter;
            }
        }
    });
}
