// Every family's spans drawn eight pixels at a time, at every vector level, against its scalar
// reference on random rows.
#include <vector>

#include "raster_test.h"

#include "raster/k63d/K63DSpanPolicy.h"
#include "raster/p2/MxSpanPolicy.h"
#include "tests/support/SimdLevels.h"

using namespace rtest;

namespace {

#define QM_P2_REFERENCE(index, name, mode) &HandModeSpan<MxSpanPolicy<packed::Lane1>, mode>,
constexpr RastFn kP2References[] = {QM_HAND_TEXTURED_SPANS(QM_P2_REFERENCE)};
#undef QM_P2_REFERENCE
#define QM_K63D_REFERENCE(index, name, mode) &HandModeSpan<K63DSpanPolicy<packed::Lane1>, mode>,
constexpr RastFn kK63DReferences[] = {QM_K63D_TEXTURED_SPANS(QM_K63D_REFERENCE)};
#undef QM_K63D_REFERENCE

// Texture blocks as the spans address them: width and height bits. The smallest have fewer texels
// than a 32-bit word holds, which the AVX2 loop leaves to the SSE2 one.
struct Block {
    int wb, hb;
};
constexpr Block kBlocks[] = {{8, 8}, {6, 5}, {2, 3}, {1, 0}, {0, 1}, {2, 0}, {0, 0}};

// A random span of the shared rig (position, edge, steps, weights, rows) with what the portable rows
// read besides: a texture block, a pixel format, fixed steps, keys of both texel kinds.
struct PortableSpan : RandomSpan {
    Block block;
    bool is565;
    int32_t duFixed, dvFixed, dsFixed;
    uint32_t key8, key16;

    PortableSpan(Rng& rng, const SpanRig& rig, bool persp) : RandomSpan(rng, persp)
    {
        block = kBlocks[rng.Range(0, int64_t(std::size(kBlocks)) - 1)];
        is565 = rng.Range(0, 1) != 0;
        duFixed = int32_t(rng.Next()), dvFixed = int32_t(rng.Next());
        dsFixed = rng.Range(0, 3) ? int32_t(rng.Range(-900, 900)) : int32_t(rng.Next());
        key8 = rng.Range(0, 4) ? uint32_t(rng.Range(0, 15)) : 0x100u;
        key16 = rng.Range(0, 4) ? rig.plane[size_t(rng.Range(0, 15))] : 0x10000u;
    }

    std::pair<std::vector<uint16_t>, std::vector<uint32_t>> Run(SpanRig& rig, RastFn span, bool tex8) const
    {
        rig.dst = dst, rig.z = z;
        rig.Publish(tex8, n);
        SpanState& s = rastState;
        rig.edge = edge;
        PublishFormat(is565 ? k565 : k555);
        s.rastSpanX0 = x0, s.rastSpanX1 = x0 + n;
        s.rastTexMaskLo = block.hb ? 0xFFFFFFFFu >> block.hb : 0xFFFFFFFFu;
        s.rastTexMaskHi = ~s.rastTexMaskLo;
        s.rastTexShift = uint32_t(32 - block.hb - block.wb);
        s.rastAlpha = key8, s.rastAlphaPixel = key16;
        s.rastDzDx = dz, s.rastDzDx32 = dz * 32.0f, s.rastDzDxFixed = dzFixed;
        s.rastDuDx = du, s.rastDvDx = dv, s.rastDuDx32 = du * 32.0f, s.rastDvDx32 = dv * 32.0f;
        s.rastDuDxFixed = duFixed, s.rastDvDxFixed = dvFixed;
        s.rastDsDx = float(ds), s.rastDsDxFixed = dsFixed;
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
    SpanRig rig(false);
    rig.Randomise(rng);  // texels of a few values, so that keys are met often
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

// Every textured hand-written span against its scalar lane form on random rows: random texels and
// destinations, keys that hit, intensities beyond both ends, negative steps, depths, weights. Each
// Texture8 member without Gouraudmono draws as its Texture16 twin on the plane-0 colours.
TEST(SpanGroups, HandWrittenSpansEqualTheirScalarReference)
{
    struct Group {
        bool k6;
        const HandSpanEntry* spans;
        const RastFn* references;
        size_t count;
        RastFn (*twinOf)(RenderMode);
    };
    const Group groups[] = {{false, kHandSpans, kP2References, std::size(kP2References), &HandSpanOf},
                            {true, kK63DSpans, kK63DReferences, std::size(kK63DReferences), &K63DSpanOf}};
    Rng rng(21);
    for (const Group& g : groups) {
        SpanRig rig(g.k6);
        rig.Randomise(rng);
        AtEverySimdLevel([&] {
            for (size_t i = 0; i < g.count; ++i) {
                const HandSpanEntry& e = g.spans[i + 1];
                SCOPED_TRACE(e.name);
                const bool tex8 = e.mode & RM_TEXTURE8;
                for (int iter = 0; iter < 24; ++iter) {
                    const RandomSpan s(rng, e.mode & RM_PERSPECTIVE);
                    ASSERT_EQ(s.Run(rig, e.span, tex8, true), s.Run(rig, g.references[i], tex8, true)) << iter;
                    if (tex8 && !(e.mode & RM_GOURAUDMONO)) {
                        ASSERT_EQ(s.Run(rig, e.span, true, false), s.Run(rig, g.twinOf(e.mode & ~RM_TEXTURE8), false, false))
                            << iter;
                    }
                }
            }
        });
    }
}
