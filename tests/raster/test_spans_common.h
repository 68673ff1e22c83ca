// Shared helpers of the span tests: the row list, one-pixel span calls and per-channel references.
#pragma once
#include <cstdint>

#include "raster/portable/PortableSpans.h"
#include "raster/portable/SpanKernel.h"

namespace span_test {

struct Row {
    int row;
    const char* name;
    int family;
    int variant;
    RastFn span;
};

#define QM_SPAN_TEST_ROW(row, name, family, variant) Row{row, #name, family, variant, &Span_##name},
inline constexpr Row kRows[] = {QM_PORTABLE_TEXTURED_SPANS(QM_SPAN_TEST_ROW)};
#undef QM_SPAN_TEST_ROW

inline const Row& RowOf(int family, int variant) { return kRows[family * 12 + variant]; }
inline bool Tex8(int family) { return family < 4; }
inline bool HasZ(int family) { return (family & 2) != 0; }
inline bool Perspective(int family) { return (family & 1) != 0; }

struct Format {
    bool is565;
    int shift[3];  // red, green, blue
    int bits[3];
};
inline constexpr Format k565{true, {11, 5, 0}, {5, 6, 5}};
inline constexpr Format k555{false, {10, 5, 0}, {5, 5, 5}};

// Publishes the channel masks of a 16-bit format.
void PublishFormat(const Format& f);

// One pixel at column 0 drawn by a span with a 1x1 texture (shift 32), z and intensity constant.
struct OnePixel {
    uint16_t dst = 0;
    uint32_t z = 0;
    uint16_t texel16 = 0;
    uint8_t texel8 = 0;
    uint16_t palette[kRastPaletteEntries * kRastPaletteRows] = {};
    RastEdge edge{};
    // Publishes everything for a call of a span of the given family; depth is the z value the
    // span starts from (exactly representable as a float), shade the intensity.
    void Publish(int family, uint32_t depth, float shade);
};

// Reference of one channel (values shifted down, max = 2^bits - 1) for variants 4..11; w is the weight.
uint32_t RefBlendChannel(int variant, uint32_t s, uint32_t d, uint32_t w, int shift, uint32_t max);
// Shaded 16-bit source: form A (variant 2) and form B (variants 3, 10, 11).
uint32_t RefShade16(const Format& f, uint32_t S, uint32_t k, bool formA);
// The whole new pixel for a variant given the (already shaded, for 2, 3, 10, 11) source.
uint32_t RefPixel(const Format& f, int variant, uint32_t S, uint32_t D, uint32_t w);

}  // namespace span_test
