// The built-in ".qmv" frame decoder: code trees, piece copies with symmetries, motion, intra blocks.
#include "video/QmvDecoder.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/SimdLevel.h"
#include "video/QmvFormat.h"
#include "video/QmvTables.h"
#include "app/FloatToInt.h"

namespace {

constexpr int P = QMVDEC_WIDTH;  // pitch in pixels
constexpr int PICTURE_PIXELS = QMVDEC_WIDTH * QMVDEC_HEIGHT;

// Colour tables cover indexes -64..127; conversion tables c + 256 for c in -256..511.
constexpr int COLOUR_MIN = -64;
constexpr int COLOUR_MAX = 127;
constexpr int CONV_SIZE = 768;

struct Tables {
    bool ready = false;
    bool is565 = true;
    QmvDisplacement spiral[4096];
    QmvDisplacement shortPrev[4096];
    QmvDisplacement shortCur[4096];
    int16_t wrap[2048];  // column for p = -1024..1023
    uint16_t red[COLOUR_MAX - COLOUR_MIN + 1];
    uint16_t green[COLOUR_MAX - COLOUR_MIN + 1];
    uint16_t blue[COLOUR_MAX - COLOUR_MIN + 1];
    int32_t convV[CONV_SIZE];
    int32_t convU[CONV_SIZE];
    int32_t aan[64];
} g;

inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

void BuildCommonTables() {
    // Rings from the outside in, entry 4095 = (+32, +32) down to entry 0 = (+1, 0).
    int index = 4095, x = 32, y = 32;
    auto put = [&] { g.spiral[index--] = {int8_t(x), int8_t(y)}; };
    for (int n = 64; n >= 2; n -= 2) {
        put();
        for (int i = 0; i < n - 1; ++i) --x, put();
        for (int i = 0; i < n - 1; ++i) --y, put();
        for (int i = 0; i < n - 1; ++i) ++x, put();
        for (int i = 0; i < n - 2; ++i) ++y, put();
        --x;
    }
    for (int i = 0; i < 4096; ++i) {
        g.shortPrev[i] = {int8_t(31 - (i & 63)), int8_t(31 - (i >> 6))};
        g.shortCur[i] = {int8_t(63 - (i & 127)), int8_t(6 - (i >> 7))};
    }
    for (int p = -1024; p < 1024; ++p) g.wrap[p + 1024] = int16_t(((p + 128) % P + P) % P);
    for (int i = 0; i < CONV_SIZE; ++i) {
        g.convV[i] = ((i - 256) * 16 + 8) / 10;
        g.convU[i] = (i - 256) / 3;
    }
    double s[8];
    s[0] = 1.0;
    for (int k = 1; k < 8; ++k) s[k] = std::sqrt(2.0) * std::cos(k * M_PI / 16.0);
    for (int u = 0; u < 8; ++u)
        for (int v = 0; v < 8; ++v) g.aan[u * 8 + v] = Orv_RoundSat(16384.0 * s[u] * s[v]);
}

void BuildColourTables(bool is565) {
    for (int i = COLOUR_MIN; i <= COLOUR_MAX; ++i) {
        const int k = i - COLOUR_MIN;
        if (i < 0) {
            g.red[k] = g.green[k] = g.blue[k] = 0;
            continue;
        }
        const int half = std::min(i >> 1, 31);
        g.blue[k] = uint16_t(half);
        g.red[k] = uint16_t(half << (is565 ? 11 : 10));
        g.green[k] = uint16_t((is565 ? std::min(i, 62) : std::min(i >> 1, 30)) << 5);
    }
}

void Init(bool is565) {
    g.is565 = is565;
    BuildCommonTables();
    BuildColourTables(is565);
    g.ready = true;
}

// Pieces: width and height in pixels.
enum Kind { K8x8, K8x4, K4x8, K4x4, K4x2, K2x4, K2x2, KIND_COUNT };
constexpr int kW[KIND_COUNT] = {8, 8, 4, 4, 4, 2, 2};
constexpr int kH[KIND_COUNT] = {8, 4, 8, 4, 2, 4, 2};

// Each destination pixel is read from its source just before it is written, in destination order, so a
// source overlapping the piece gives one defined result.
template <int W, int H, int S>
void CopySym(uint16_t* d, const uint16_t* s) {
    for (int r = 0; r < H; ++r)
        for (int c = 0; c < W; ++c) {
            int sr = r, sc = c;
            if constexpr (S == 1) sc = W - 1 - c;
            if constexpr (S == 2) sr = H - 1 - r;
            if constexpr (S == 3) sr = H - 1 - r, sc = W - 1 - c;
            if constexpr (S == 4) sr = W - 1 - c, sc = H - 1 - r;
            if constexpr (S == 5) sr = W - 1 - c, sc = r;
            if constexpr (S == 6) sr = c, sc = H - 1 - r;
            if constexpr (S == 7) sr = c, sc = r;
            d[r * P + c] = s[sr * P + sc];
        }
}

using CopyFn = void (*)(uint16_t*, const uint16_t*);
template <int W, int H>
constexpr CopyFn kSymRow[8] = {CopySym<W, H, 0>, CopySym<W, H, 1>, CopySym<W, H, 2>, CopySym<W, H, 3>,
                               CopySym<W, H, 4>, CopySym<W, H, 5>, CopySym<W, H, 6>, CopySym<W, H, 7>};
constexpr const CopyFn* kCopy[KIND_COUNT] = {kSymRow<8, 8>, kSymRow<8, 4>, kSymRow<4, 8>, kSymRow<4, 4>,
                                             kSymRow<4, 2>, kSymRow<2, 4>, kSymRow<2, 2>};

// ---- Vector forms of the transform and the colour conversion (SSE2), equal to the plain ones ----

// The 1-D transform of QmvDec_Idct1D on four lines at once: d[0..7] hold the line's values in
// their lanes. The products by 3, 30, 17 and 40 are sums of shifts, as exact as the products.
inline void Idct1DLanes(__m128i* d) {
    auto add = [](__m128i a, __m128i b) { return _mm_add_epi32(a, b); };
    auto sub = [](__m128i a, __m128i b) { return _mm_sub_epi32(a, b); };
    auto times3 = [&](__m128i a) { return add(a, add(a, a)); };
    const __m128i t13 = add(d[2], d[6]);
    const __m128i t12 = sub(_mm_srai_epi32(times3(sub(d[2], d[6])), 1), t13);
    const __m128i t10 = add(d[0], d[4]), t11 = sub(d[0], d[4]);
    const __m128i e0 = add(t10, t13), e3 = sub(t10, t13), e1 = add(t11, t12), e2 = sub(t11, t12);
    const __m128i z13 = add(d[5], d[3]), z10 = sub(d[5], d[3]), z11 = add(d[1], d[7]), z12 = sub(d[1], d[7]);
    const __m128i o7 = add(z11, z13);
    const __m128i o11 = _mm_srai_epi32(times3(sub(z11, z13)), 1);
    const __m128i s = add(z10, z12);
    const __m128i z5 = sub(_mm_slli_epi32(s, 5), _mm_slli_epi32(s, 1));
    const __m128i o10 = _mm_srai_epi32(sub(add(_mm_slli_epi32(z12, 4), z12), z5), 4);
    const __m128i o12 = _mm_srai_epi32(sub(z5, add(_mm_slli_epi32(z10, 5), _mm_slli_epi32(z10, 3))), 4);
    const __m128i o6 = sub(o12, o7), o5 = sub(o11, o6), o4 = add(o10, o5);
    d[0] = add(e0, o7), d[7] = sub(e0, o7), d[1] = add(e1, o6), d[6] = sub(e1, o6);
    d[2] = add(e2, o5), d[5] = sub(e2, o5), d[4] = add(e3, o4), d[3] = sub(e3, o4);
}

// An 8x8 block of 32-bit values: row r in lo[r] (columns 0-3) and hi[r] (columns 4-7).
struct Block8 {
    __m128i lo[8], hi[8];
    void Load(const int32_t* b) {
        for (int r = 0; r < 8; ++r) {
            lo[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(b + 8 * r));
            hi[r] = _mm_load_si128(reinterpret_cast<const __m128i*>(b + 8 * r + 4));
        }
    }
    void Store(int32_t* b) const {
        for (int r = 0; r < 8; ++r) {
            _mm_store_si128(reinterpret_cast<__m128i*>(b + 8 * r), lo[r]);
            _mm_store_si128(reinterpret_cast<__m128i*>(b + 8 * r + 4), hi[r]);
        }
    }
    // The 1-D transform of every column.
    void Columns() {
        Idct1DLanes(lo);
        Idct1DLanes(hi);
    }
    static void Transpose4(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
        const __m128i ab0 = _mm_unpacklo_epi32(a, b), ab1 = _mm_unpackhi_epi32(a, b);
        const __m128i cd0 = _mm_unpacklo_epi32(c, d), cd1 = _mm_unpackhi_epi32(c, d);
        a = _mm_unpacklo_epi64(ab0, cd0), b = _mm_unpackhi_epi64(ab0, cd0);
        c = _mm_unpacklo_epi64(ab1, cd1), d = _mm_unpackhi_epi64(ab1, cd1);
    }
    void Transpose() {
        Transpose4(lo[0], lo[1], lo[2], lo[3]);
        Transpose4(hi[4], hi[5], hi[6], hi[7]);
        Transpose4(hi[0], hi[1], hi[2], hi[3]);
        Transpose4(lo[4], lo[5], lo[6], lo[7]);
        for (int r = 0; r < 4; ++r) std::swap(hi[r], lo[r + 4]);
    }
};

// QmvDec_Idct from in (64 values, 16-byte aligned) into out, both passes on every line (a line of
// zeros gives zeros, and one holding only its first value gives that value throughout).
void IdctLanes(const int32_t* in, uint8_t rowMask, uint8_t colMask, int32_t* out) {
    if (rowMask == 1 && colMask == 1) {
        const __m128i dc = _mm_set1_epi32(in[0]);
        for (int i = 0; i < 64; i += 4) _mm_store_si128(reinterpret_cast<__m128i*>(out + i), dc);
        return;
    }
    Block8 b;
    b.Load(in);
    if (int8_t(rowMask) < int8_t(colMask)) {
        // Rows first: the rows as columns of the transposed block, then the columns in place.
        b.Transpose();
        b.Columns();
        b.Transpose();
        b.Columns();
    } else {
        b.Columns();
        b.Transpose();
        b.Columns();
        b.Transpose();
    }
    b.Store(out);
}

// Eight 16-bit lanes x / d truncated toward zero, for |x| < 2^15 / 4, by the multiplier m with
// floor(|x| m / 2^(16 + shift)) = floor(|x| / d) over the range the conversion gives.
template <int kShift>
inline __m128i DivideLanes(__m128i x, int16_t m) {
    const __m128i sign = _mm_srai_epi16(x, 15);
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
    const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(magnitude, _mm_set1_epi16(m)), kShift);
    return _mm_sub_epi16(_mm_xor_si128(q, sign), sign);
}

// Sign-extended 32-bit halves of eight 16-bit lanes.
inline __m128i WidenLow(__m128i x) { return _mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16); }
inline __m128i WidenHigh(__m128i x) { return _mm_srai_epi32(_mm_unpackhi_epi16(x, x), 16); }

// Colour table index 0..127 (the tables give 0 below 0) of two halves of 32-bit values.
inline __m128i ColourIndex(__m128i a, __m128i b) {
    return _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(a, b), _mm_setzero_si128()), _mm_set1_epi16(127));
}

// QmvDec_ConvertPixel for eight positions: the conversion tables' divisions as multiplies, the colour
// tables as their formulas.
void ConvertLanes(const int32_t* out0, const int32_t* out1, const int32_t* out2, uint16_t* pixels) {
    __m128i a[2], b[2], c[2];
    for (int h = 0; h < 2; ++h) {
        a[h] = _mm_load_si128(reinterpret_cast<const __m128i*>(out0 + 4 * h));
        b[h] = _mm_load_si128(reinterpret_cast<const __m128i*>(out1 + 4 * h));
        c[h] = _mm_load_si128(reinterpret_cast<const __m128i*>(out2 + 4 * h));
    }
    // The conversion tables cover c1 and c2 from -256 to 511.
    auto limited = [](const __m128i* x) {
        const __m128i s = _mm_packs_epi32(_mm_srai_epi32(x[0], 4), _mm_srai_epi32(x[1], 4));
        return _mm_min_epi16(_mm_max_epi16(s, _mm_set1_epi16(-256)), _mm_set1_epi16(511));
    };
    const __m128i c2 = limited(c), c1 = limited(b);
    // v = (16 c2 + 8) / 10 over -4088..8184; u = c1 / 3 over -256..511.
    const __m128i v = DivideLanes<2>(_mm_add_epi16(_mm_slli_epi16(c2, 4), _mm_set1_epi16(8)), 26215);
    const __m128i u = DivideLanes<0>(c1, 21846);
    const __m128i v2u = _mm_add_epi16(_mm_srai_epi16(v, 1), u);
    __m128i red[2], green[2], blue[2];
    for (int h = 0; h < 2; ++h) {
        const __m128i y = _mm_add_epi32(_mm_srai_epi32(a[h], 4), _mm_set1_epi32(128));
        const __m128i vh = h ? WidenHigh(v) : WidenLow(v), v2uh = h ? WidenHigh(v2u) : WidenLow(v2u);
        red[h] = _mm_srai_epi32(_mm_add_epi32(y, vh), 2);
        blue[h] = _mm_srai_epi32(_mm_add_epi32(y, _mm_srai_epi32(b[h], 3)), 2);
        green[h] = _mm_srai_epi32(_mm_sub_epi32(y, v2uh), 2);
    }
    const __m128i r = ColourIndex(red[0], red[1]), gi = ColourIndex(green[0], green[1]), bi = ColourIndex(blue[0], blue[1]);
    const __m128i half31 = _mm_set1_epi16(31);
    const __m128i rf = _mm_sll_epi16(_mm_min_epi16(_mm_srli_epi16(r, 1), half31), _mm_cvtsi32_si128(g.is565 ? 11 : 10));
    const __m128i gf = _mm_slli_epi16(g.is565 ? _mm_min_epi16(gi, _mm_set1_epi16(62))
                                              : _mm_min_epi16(_mm_srli_epi16(gi, 1), _mm_set1_epi16(30)),
                                      5);
    const __m128i bf = _mm_min_epi16(_mm_srli_epi16(bi, 1), half31);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), _mm_or_si128(_mm_or_si128(rf, gf), bf));
}

// The same two with AVX2, eight 32-bit lanes a register: compiled for AVX2 whatever the build's
// target, called only where the processor has it (app/SimdLevel.h).
QM_AVX2_BEGIN
namespace lanes8 {

inline void Idct1D(__m256i* d) {
    auto add = [](__m256i a, __m256i b) { return _mm256_add_epi32(a, b); };
    auto sub = [](__m256i a, __m256i b) { return _mm256_sub_epi32(a, b); };
    auto times3 = [&](__m256i a) { return add(a, add(a, a)); };
    const __m256i t13 = add(d[2], d[6]);
    const __m256i t12 = sub(_mm256_srai_epi32(times3(sub(d[2], d[6])), 1), t13);
    const __m256i t10 = add(d[0], d[4]), t11 = sub(d[0], d[4]);
    const __m256i e0 = add(t10, t13), e3 = sub(t10, t13), e1 = add(t11, t12), e2 = sub(t11, t12);
    const __m256i z13 = add(d[5], d[3]), z10 = sub(d[5], d[3]), z11 = add(d[1], d[7]), z12 = sub(d[1], d[7]);
    const __m256i o7 = add(z11, z13);
    const __m256i o11 = _mm256_srai_epi32(times3(sub(z11, z13)), 1);
    const __m256i s = add(z10, z12);
    const __m256i z5 = sub(_mm256_slli_epi32(s, 5), _mm256_slli_epi32(s, 1));
    const __m256i o10 = _mm256_srai_epi32(sub(add(_mm256_slli_epi32(z12, 4), z12), z5), 4);
    const __m256i o12 = _mm256_srai_epi32(sub(z5, add(_mm256_slli_epi32(z10, 5), _mm256_slli_epi32(z10, 3))), 4);
    const __m256i o6 = sub(o12, o7), o5 = sub(o11, o6), o4 = add(o10, o5);
    d[0] = add(e0, o7), d[7] = sub(e0, o7), d[1] = add(e1, o6), d[6] = sub(e1, o6);
    d[2] = add(e2, o5), d[5] = sub(e2, o5), d[4] = add(e3, o4), d[3] = sub(e3, o4);
}

inline void Transpose(__m256i* r) {
    __m256i t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
    }
    for (int i = 0; i < 8; i += 4) {
        u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
        u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
        u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
        u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        r[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}

void Idct(const int32_t* in, uint8_t rowMask, uint8_t colMask, int32_t* out) {
    if (rowMask == 1 && colMask == 1) {
        const __m256i dc = _mm256_set1_epi32(in[0]);
        for (int i = 0; i < 64; i += 8) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), dc);
        return;
    }
    __m256i r[8];
    for (int i = 0; i < 8; ++i) r[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 8 * i));
    if (int8_t(rowMask) < int8_t(colMask)) {
        Transpose(r);
        Idct1D(r);
        Transpose(r);
        Idct1D(r);
    } else {
        Idct1D(r);
        Transpose(r);
        Idct1D(r);
        Transpose(r);
    }
    for (int i = 0; i < 8; ++i) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8 * i), r[i]);
}

// x / d truncated toward zero: floor(|x| m / 2^shift) = floor(|x| / d) over the conversion's range.
inline __m256i Divide(__m256i x, int m, int shift) {
    const __m256i q = _mm256_srl_epi32(_mm256_mullo_epi32(_mm256_abs_epi32(x), _mm256_set1_epi32(m)), _mm_cvtsi32_si128(shift));
    return _mm256_sign_epi32(q, x);
}

void Convert(const int32_t* out0, const int32_t* out1, const int32_t* out2, uint16_t* pixels, bool is565) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out0));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out1));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out2));
    auto limited = [](__m256i x, int lo, int hi) {
        return _mm256_min_epi32(_mm256_max_epi32(x, _mm256_set1_epi32(lo)), _mm256_set1_epi32(hi));
    };
    const __m256i c2 = limited(_mm256_srai_epi32(c, 4), -256, 511), c1 = limited(_mm256_srai_epi32(b, 4), -256, 511);
    const __m256i v = Divide(_mm256_add_epi32(_mm256_slli_epi32(c2, 4), _mm256_set1_epi32(8)), 26215, 18);
    const __m256i u = Divide(c1, 21846, 16);
    const __m256i y = _mm256_add_epi32(_mm256_srai_epi32(a, 4), _mm256_set1_epi32(128));
    const __m256i r = limited(_mm256_srai_epi32(_mm256_add_epi32(y, v), 2), 0, 127);
    const __m256i gi = limited(_mm256_srai_epi32(_mm256_sub_epi32(_mm256_sub_epi32(y, _mm256_srai_epi32(v, 1)), u), 2), 0, 127);
    const __m256i bi = limited(_mm256_srai_epi32(_mm256_add_epi32(y, _mm256_srai_epi32(b, 3)), 2), 0, 127);
    const __m256i half31 = _mm256_set1_epi32(31);
    const __m256i rf = _mm256_sll_epi32(_mm256_min_epi32(_mm256_srli_epi32(r, 1), half31), _mm_cvtsi32_si128(is565 ? 11 : 10));
    const __m256i gf = _mm256_slli_epi32(is565 ? _mm256_min_epi32(gi, _mm256_set1_epi32(62))
                                               : _mm256_min_epi32(_mm256_srli_epi32(gi, 1), _mm256_set1_epi32(30)),
                                         5);
    const __m256i bf = _mm256_min_epi32(_mm256_srli_epi32(bi, 1), half31);
    const __m256i px = _mm256_or_si256(_mm256_or_si256(rf, gf), bf);
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(px, px), 0x08);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), _mm256_castsi256_si128(packed));
}

}  // namespace lanes8
QM_AVX2_END

// The bits of each zig-zag position's row (low byte) and column (high byte).
constexpr std::array<uint16_t, 64> kZigzagLineBits = [] {
    std::array<uint16_t, 64> t{};
    for (int k = 0; k < 64; ++k) t[size_t(k)] = uint16_t(1u << (QMV_ZIGZAG[k] >> 3) | 1u << (8 + (QMV_ZIGZAG[k] & 7)));
    return t;
}();
// Nibbles the longest intra block takes (per component an 8-bit DC and 63 codes of three nibbles),
// and the sixteen that ReadComponentUnchecked's last window may load beyond them.
constexpr size_t kIntraNibblesMax = 3 * (2 + 63 * 3) + 16;

constexpr int8_t kV[16] = {1, 2, 3, 4, 5, 6, 7, 8, -8, -7, -6, -5, -4, -3, -2, -1};
constexpr int8_t kA[16] = {1, 1, 1, 1, 2, 2, 2, 2, -2, -2, -2, -2, -1, -1, -1, -1};
constexpr int8_t kB[16] = {1, 2, -2, -1, 1, 2, -2, -1, 1, 2, -2, -1, 1, 2, -2, -1};

// The nibble stream read in place (the values are those a refilled window would hold) from a position,
// byte by byte; an exhausted stream gives 0 and the error. error keeps the first error.
struct NibbleReader {
    const uint8_t* nibbles;
    size_t pos, count;
    int error = QMVDEC_OK;

    void Fail(int e) {
        if (error == QMVDEC_OK) error = e;
    }
    int Next() {
        if (pos >= count) {
            Fail(QMVDEC_ERR_NIBBLES);
            return 0;
        }
        const uint8_t b = nibbles[pos >> 1];
        return (pos++ & 1) ? b >> 4 : b & 15;
    }
    int Byte() {
        const int hi = Next();
        return int(int8_t(uint8_t(hi << 4 | Next())));
    }
};

// The nibbles from position pos on, as the low bits of 64: a little-endian load of eight bytes holds
// their nibbles in stream order, low first.
inline uint64_t NibbleWindow(const uint8_t* nibbles, size_t pos) {
    uint64_t w;
    std::memcpy(&w, nibbles + (pos >> 1), sizeof w);
    if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
    return w >> ((pos & 1) << 2);
}

// One component as Decoder::Component reads it, from nibble position pos of a stream that holds the
// longest component and eight bytes more: no check per nibble, every code's nibbles from one window.
// Returns QMVDEC_OK or QMVDEC_ERR_COEFF; pos moves past the component, lines gets the row (low byte)
// and column (high byte) masks of the positions it stored.
int ReadComponentUnchecked(const uint8_t* nibbles, size_t& pos, const int32_t* q, int32_t* out, uint32_t& lines) {
    size_t at = pos;
    uint32_t m = 0;
    int k = 0, error = QMVDEC_OK;
    auto put = [&](int value) {
        if (k > 63) {
            error = QMVDEC_ERR_COEFF;
            return;
        }
        out[QMV_ZIGZAG[k]] = value * q[k];
        m |= kZigzagLineBits[size_t(k)];
        ++k;
    };
    // The 8-bit value of the window's next two nibbles, the first the high half.
    auto byteOf = [](uint64_t w) { return int(int8_t(uint8_t((w & 15) << 4 | (w >> 4 & 15)))); };
    put(byteOf(NibbleWindow(nibbles, at)));
    at += 2;
    while (k < 64 && error == QMVDEC_OK) {
        uint64_t w = NibbleWindow(nibbles, at);
        const int code = int(w & 15);
        w >>= 4;
        ++at;
        if (code == 0) break;
        switch (code) {
        case 1: k += 5; break;
        case 2: case 3: case 4: case 5: case 6: case 7:
            k += code >> 1;
            put(code & 1 ? -1 : 1);
            break;
        case 8: {
            const int a = int(w & 15);
            w >>= 4;
            k += (a >> 2 & 3) + 1;
            const int pairs = (a & 3) >= 2 ? 2 : 1;
            for (int i = 0; i < pairs; ++i, w >>= 4) put(kA[w & 15]), put(kB[w & 15]);
            if (a & 1) put(kA[w & 15]);
            at += size_t(1 + pairs + (a & 1));
            break;
        }
        case 9: {
            const int a = int(w & 15);
            w >>= 4;
            k += (a >> 2 & 3) + 1;
            for (int i = 0; i <= (a & 3); ++i, w >>= 4) put(kV[w & 15]);
            at += size_t(2 + (a & 3));
            break;
        }
        case 10:
            put(kA[w & 15]), put(kB[w & 15]);
            ++at;
            break;
        case 11: case 12: case 13:
            for (int i = 0; i < code - 10; ++i, w >>= 4) put(kV[w & 15]);
            at += size_t(code - 10);
            break;
        case 14: k += 1; break;
        default:
            put(byteOf(w));
            at += 2;
            break;
        }
    }
    pos = at;
    lines |= m;
    return error;
}

// kFast: intra blocks read by ReadComponentUnchecked where the longest block fits the stream,
// transformed and converted eight values at a time; otherwise the plain routines throughout.
template <bool kFast>
struct Decoder {
    const uint8_t* codes;
    const uint8_t* codesEnd;
    uint64_t bitBuf = 0;
    int bitCount = 0;
    const uint8_t* words;
    const uint8_t* wordsEnd;
    const uint8_t* motion;
    const uint8_t* motionEnd;
    uint32_t motionGroup = 0;
    bool motionSecond = false;
    const uint8_t* nibbles;
    size_t nibblePos = 0;
    size_t nibbleCount = 0;
    const uint16_t* prev;
    uint16_t* dst;
    bool key;
    int error = QMVDEC_OK;
    int32_t quant[2][64];
    // The fast intra blocks' coefficients, kept zero between blocks: each block clears the rows it wrote.
    alignas(16) int32_t coefficients[3][64] = {};

    void Fail(int e) {
        if (error == QMVDEC_OK) error = e;
    }

    uint32_t Bits(int n) {
        if (bitCount < n) {
            if (codesEnd - codes < 4) {
                Fail(QMVDEC_ERR_CODES);
                return 0;
            }
            bitBuf = bitBuf << 32 | QmvRead32(codes);
            codes += 4;
            bitCount += 32;
        }
        bitCount -= n;
        return uint32_t(bitBuf >> bitCount) & ((1u << n) - 1);
    }
    uint32_t Bit() { return Bits(1); }

    uint16_t Word() {
        if (wordsEnd - words < 2) {
            Fail(QMVDEC_ERR_COPYWORDS);
            return 0;
        }
        const uint16_t w = uint16_t(words[0] | words[1] << 8);
        words += 2;
        return w;
    }

    int MotionIndex() {
        if (motionSecond) {
            motionSecond = false;
            return int(motionGroup >> 12 & 0xFFF);
        }
        if (motionEnd - motion < 3) {
            Fail(QMVDEC_ERR_MOTION);
            return 0;
        }
        motionGroup = uint32_t(motion[0]) | uint32_t(motion[1]) << 8 | uint32_t(motion[2]) << 16;
        motion += 3;
        motionSecond = true;
        return int(motionGroup & 0xFFF);
    }

    void Copy(Kind kind, int sym, const uint16_t* picture, long corner, int row, int col) {
        if (error) return;
        const int rows = sym < 4 ? kH[kind] : kW[kind];
        const int cols = sym < 4 ? kW[kind] : kH[kind];
        // Rows of a source area follow each other with no gap: only the linear extent must be inside.
        if (corner < 0 || corner + long(rows - 1) * P + cols > PICTURE_PIXELS) {
            Fail(QMVDEC_ERR_SOURCE);
            return;
        }
        kCopy[kind][sym](dst + row * P + col, picture + corner);
    }

    void Motion(Kind kind, int row, int col) {
        const QmvDisplacement d = g.spiral[MotionIndex()];
        Copy(kind, 0, prev, long(row + d.dy) * P + col + d.dx, row, col);
    }
    void Colocated(Kind kind, int row, int col) { Copy(kind, 0, prev, long(row) * P + col, row, col); }

    // Long copy word: the corner is reckoned from the 8x8 block's corner (R, C) whatever the piece.
    void Long(Kind kind, int sym, uint16_t word, int R, int C, int row, int col) {
        const int v = word & 127;
        const int h = word >> 7 & 255;
        const bool current = key || (word & 0x8000);
        const int srcRow = current ? R + (kind == K8x8 ? 0 : 4) - v : R + 64 - v;
        const int srcCol = g.wrap[C - h + 1024];
        Copy(kind, sym, current ? dst : prev, long(srcRow) * P + srcCol, row, col);
    }
    void LongWithSymmetry(Kind kind, int R, int C, int row, int col) {
        const int sym = int(Bits(3));
        Long(kind, sym, Word(), R, C, row, col);
    }
    // Key frames: two bits, then the word whose bit 15 is the symmetry's lowest bit.
    void KeyLong(Kind kind, int R, int C, int row, int col) {
        const int high = int(Bits(2));
        const uint16_t word = Word();
        Long(kind, high << 1 | word >> 15, word, R, C, row, col);
    }

    void Short(Kind kind, int R, int C, int row, int col) {
        const uint16_t word = Word();
        const bool current = key || (word & 0x8000);
        const QmvDisplacement d = (current ? g.shortCur : g.shortPrev)[word & 0xFFF];
        Copy(kind, word >> 12 & 7, current ? dst : prev, long(R + d.dy) * P + C + d.dx, row, col);
    }

    // Ordinary frames.
    void Tiny(int R, int C, int row, int col) {
        if (!Bit())
            Motion(K2x2, row, col);
        else if (!Bit())
            Short(K2x2, R, C, row, col);
        else
            Colocated(K2x2, row, col);
    }
    void Small(Kind kind, int R, int C, int row, int col) {
        if (!Bit())
            Motion(kind, row, col);
        else if (!Bit())
            Short(kind, R, C, row, col);
        else if (!Bit())
            Colocated(kind, row, col);
        else if (kind == K4x2)
            Tiny(R, C, row, col), Tiny(R, C, row, col + 2);
        else
            Tiny(R, C, row, col), Tiny(R, C, row + 2, col);
    }
    void Quarter(int R, int C, int row, int col) {
        switch (Bits(2)) {
        case 0: Motion(K4x4, row, col); break;
        case 1: LongWithSymmetry(K4x4, R, C, row, col); break;
        case 2:
            if (!Bit())
                Colocated(K4x4, row, col);
            else
                Small(K4x2, R, C, row, col), Small(K4x2, R, C, row + 2, col);
            break;
        default:
            if (!Bit()) {
                Small(K2x4, R, C, row, col), Small(K2x4, R, C, row, col + 2);
            } else {
                Tiny(R, C, row, col), Tiny(R, C, row, col + 2);
                Tiny(R, C, row + 2, col), Tiny(R, C, row + 2, col + 2);
            }
            break;
        }
    }
    void Half(Kind kind, int R, int C, int row, int col) {
        switch (Bits(2)) {
        case 0: Motion(kind, row, col); break;
        case 1: LongWithSymmetry(kind, R, C, row, col); break;
        case 2:
            if (kind == K8x4)
                Quarter(R, C, row, col), Quarter(R, C, row, col + 4);
            else
                Quarter(R, C, row, col), Quarter(R, C, row + 4, col);
            break;
        default: Colocated(kind, row, col); break;
        }
    }
    void Block(int R, int C) {
        if (!Bit()) {
            if (!Bit())
                Motion(K8x8, R, C);
            else if (!Bit())
                LongWithSymmetry(K8x8, R, C, R, C);
            else
                Intra(R, C);
            return;
        }
        const uint32_t two = Bits(2);
        if (two == 0)
            Half(K8x4, R, C, R, C), Half(K8x4, R, C, R + 4, C);
        else if (two == 1)
            Half(K4x8, R, C, R, C), Half(K4x8, R, C, R, C + 4);
        else if (two == 2)
            Colocated(K8x8, R, C);
        else if (!Bit())
            Quarter(R, C, R, C), Quarter(R, C, R, C + 4), Quarter(R, C, R + 4, C), Quarter(R, C, R + 4, C + 4);
        else
            Fail(QMVDEC_ERR_CODE);
    }

    // Key frames: every source is the picture being decoded.
    void KeySmall(Kind kind, int R, int C, int row, int col) {
        if (!Bit())
            Short(kind, R, C, row, col);
        else if (kind == K4x2)
            Short(K2x2, R, C, row, col), Short(K2x2, R, C, row, col + 2);
        else
            Short(K2x2, R, C, row, col), Short(K2x2, R, C, row + 2, col);
    }
    void KeyQuarter(int R, int C, int row, int col) {
        switch (Bits(2)) {
        case 0: KeyLong(K4x4, R, C, row, col); break;
        case 1: KeySmall(K4x2, R, C, row, col), KeySmall(K4x2, R, C, row + 2, col); break;
        case 2: KeySmall(K2x4, R, C, row, col), KeySmall(K2x4, R, C, row, col + 2); break;
        default:
            Short(K2x2, R, C, row, col), Short(K2x2, R, C, row, col + 2);
            Short(K2x2, R, C, row + 2, col), Short(K2x2, R, C, row + 2, col + 2);
            break;
        }
    }
    void KeyHalf(Kind kind, int R, int C, int row, int col) {
        if (Bit())
            KeyLong(kind, R, C, row, col);
        else if (kind == K8x4)
            KeyQuarter(R, C, row, col), KeyQuarter(R, C, row, col + 4);
        else
            KeyQuarter(R, C, row, col), KeyQuarter(R, C, row + 4, col);
    }
    void KeyBlock(int R, int C) {
        switch (Bits(2)) {
        case 0: KeyHalf(K8x4, R, C, R, C), KeyHalf(K8x4, R, C, R + 4, C); break;
        case 1: KeyHalf(K4x8, R, C, R, C), KeyHalf(K4x8, R, C, R, C + 4); break;
        case 2:
            KeyQuarter(R, C, R, C), KeyQuarter(R, C, R, C + 4);
            KeyQuarter(R, C, R + 4, C), KeyQuarter(R, C, R + 4, C + 4);
            break;
        default:
            if (!Bit())
                Intra(R, C);
            else
                KeyLong(K8x8, R, C, R, C);
            break;
        }
    }

    // One component's coefficients in zig-zag order; false on an error.
    bool Component(const int32_t* q, int32_t* out, uint8_t& rowMaskOut, uint8_t& colMaskOut) {
        NibbleReader rd{nibbles, nibblePos, nibbleCount};
        // A local, so that the masks stay in a register while the values are stored.
        uint32_t lines = 0;
        int k = 0;
        auto put = [&](int value) {
            if (k > 63) {
                rd.Fail(QMVDEC_ERR_COEFF);
                return;
            }
            out[QMV_ZIGZAG[k]] = value * q[k];
            lines |= kZigzagLineBits[size_t(k)];
            ++k;
        };
        put(rd.Byte());
        while (k < 64 && !rd.error) {
            const int code = rd.Next();
            if (rd.error) break;
            if (code == 0) break;
            switch (code) {
            case 1: k += 5; break;
            case 2: case 3: case 4: case 5: case 6: case 7:
                k += code >> 1;
                put(code & 1 ? -1 : 1);
                break;
            case 8: {
                const int a = rd.Next();
                k += (a >> 2 & 3) + 1;
                const int pairs = (a & 3) >= 2 ? 2 : 1;
                for (int i = 0; i < pairs; ++i) {
                    const int c = rd.Next();
                    put(kA[c]), put(kB[c]);
                }
                if (a & 1) put(kA[rd.Next()]);
                break;
            }
            case 9: {
                const int a = rd.Next();
                k += (a >> 2 & 3) + 1;
                for (int i = 0; i <= (a & 3); ++i) put(kV[rd.Next()]);
                break;
            }
            case 10: {
                const int c = rd.Next();
                put(kA[c]), put(kB[c]);
                break;
            }
            case 11: case 12: case 13:
                for (int i = 0; i < code - 10; ++i) put(kV[rd.Next()]);
                break;
            case 14: k += 1; break;
            default: put(rd.Byte()); break;
            }
        }
        nibblePos = rd.pos;
        rowMaskOut = uint8_t(lines);
        colMaskOut = uint8_t(lines >> 8);
        if (rd.error) Fail(rd.error);
        return !rd.error;
    }

    void Intra(int R, int C) {
        if (error) return;
        if constexpr (kFast) {
            IntraLanes(R, C);
            return;
        }
        int32_t blk[3][64] = {};
        uint8_t rowMask[3] = {}, colMask[3] = {};
        for (int comp = 0; comp < 3; ++comp)
            if (!Component(quant[comp == 0 ? 0 : 1], blk[comp], rowMask[comp], colMask[comp])) return;
        for (int comp = 0; comp < 3; ++comp) QmvDec_Idct(blk[comp], rowMask[comp], colMask[comp]);
        uint16_t* out = dst + R * P + C;
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c) {
                const int i = r * 8 + c;
                out[r * P + c] = QmvDec_ConvertPixel(blk[0][i], blk[1][i], blk[2][i]);
            }
    }

    void IntraLanes(int R, int C) {
        uint8_t rowMask[3] = {}, colMask[3] = {};
        const bool unchecked = nibbleCount - nibblePos >= kIntraNibblesMax;
        bool ok = true;
        for (int comp = 0; comp < 3 && ok; ++comp) {
            const int32_t* q = quant[comp == 0 ? 0 : 1];
            if (unchecked) {
                uint32_t lines = 0;
                const int e = ReadComponentUnchecked(nibbles, nibblePos, q, coefficients[comp], lines);
                rowMask[comp] = uint8_t(lines);
                colMask[comp] = uint8_t(lines >> 8);
                if (e != QMVDEC_OK) Fail(e);
                ok = e == QMVDEC_OK;
            } else {
                ok = Component(q, coefficients[comp], rowMask[comp], colMask[comp]);
            }
        }
        alignas(16) int32_t out[3][64];
        const bool avx2 = Simd_UseAvx2();
        for (int comp = 0; comp < 3; ++comp) {
            if (ok && avx2)
                lanes8::Idct(coefficients[comp], rowMask[comp], colMask[comp], out[comp]);
            else if (ok)
                IdctLanes(coefficients[comp], rowMask[comp], colMask[comp], out[comp]);
            for (int r = 0; r < 8; ++r)
                if (rowMask[comp] >> r & 1) std::memset(coefficients[comp] + 8 * r, 0, 8 * sizeof(int32_t));
        }
        if (!ok) return;
        uint16_t* dst8 = dst + R * P + C;
        for (int r = 0; r < 8; ++r) {
            if (avx2)
                lanes8::Convert(out[0] + 8 * r, out[1] + 8 * r, out[2] + 8 * r, dst8 + r * P, g.is565);
            else
                ConvertLanes(out[0] + 8 * r, out[1] + 8 * r, out[2] + 8 * r, dst8 + r * P);
        }
    }
};

}  // namespace

const char* QmvDec_ResultText(int result) {
    switch (result) {
    case QMVDEC_OK: return "ok";
    case QMVDEC_ERR_NOT_INIT: return "decodeur non initialise";
    case QMVDEC_ERR_HEADER: return "entete de trame incorrecte";
    case QMVDEC_ERR_QUALITY: return "qualite 0";
    case QMVDEC_ERR_CODES: return "fin des codes de blocs";
    case QMVDEC_ERR_CODE: return "code de bloc indefini";
    case QMVDEC_ERR_COPYWORDS: return "fin des mots de copie";
    case QMVDEC_ERR_MOTION: return "fin des index de mouvement";
    case QMVDEC_ERR_NIBBLES: return "fin des coefficients";
    case QMVDEC_ERR_COEFF: return "coefficient au-dela de 63";
    case QMVDEC_ERR_SOURCE: return "source de copie hors de l'image";
    default: return "erreur inconnue";
    }
}

void QmvDec_Init565() { Init(true); }
void QmvDec_Init555() { Init(false); }

QmvDisplacement QmvDec_SpiralEntry(int index) { return g.spiral[index & 4095]; }

QmvDisplacement QmvDec_ShortDisplacement(int index, bool currentPicture) {
    return (currentPicture ? g.shortCur : g.shortPrev)[index & 4095];
}

int QmvDec_WrapColumn(int p) { return g.wrap[Clamp(p, -1024, 1023) + 1024]; }

void QmvDec_QuantTables(int quality, int32_t luma[64], int32_t chroma[64]) {
    const int scale = QmvQualityScale(quality);
    for (int k = 0; k < 64; ++k) {
        const int pos = QMV_ZIGZAG[k];
        luma[k] = (QmvQuantStep(QMV_LUMA_BASE[pos], scale) * g.aan[pos]) >> 13;
        chroma[k] = (QmvQuantStep(QMV_CHROMA_BASE[pos], scale) * g.aan[pos]) >> 13;
    }
}

void QmvDec_Idct1D(int32_t* d, int s) {
    const int32_t t13 = d[2 * s] + d[6 * s];
    const int32_t t12 = ((3 * (d[2 * s] - d[6 * s])) >> 1) - t13;
    const int32_t t10 = d[0] + d[4 * s];
    const int32_t t11 = d[0] - d[4 * s];
    const int32_t e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;
    const int32_t z13 = d[5 * s] + d[3 * s];
    const int32_t z10 = d[5 * s] - d[3 * s];
    const int32_t z11 = d[s] + d[7 * s];
    const int32_t z12 = d[s] - d[7 * s];
    const int32_t o7 = z11 + z13;
    const int32_t o11 = (3 * (z11 - z13)) >> 1;
    const int32_t z5 = 30 * (z10 + z12);
    const int32_t o10 = (17 * z12 - z5) >> 4;
    const int32_t o12 = (z5 - 40 * z10) >> 4;
    const int32_t o6 = o12 - o7;
    const int32_t o5 = o11 - o6;
    const int32_t o4 = o10 + o5;
    d[0] = e0 + o7;
    d[7 * s] = e0 - o7;
    d[s] = e1 + o6;
    d[6 * s] = e1 - o6;
    d[2 * s] = e2 + o5;
    d[5 * s] = e2 - o5;
    d[4 * s] = e3 + o4;
    d[3 * s] = e3 - o4;
}

void QmvDec_Idct(int32_t b[64], uint8_t rowMask, uint8_t colMask) {
    if (rowMask == 1 && colMask == 1) {
        for (int i = 1; i < 64; ++i) b[i] = b[0];
        return;
    }
    // Rows first when the row mask is the smaller as a signed byte; the two orders round differently.
    const bool rowsFirst = int8_t(rowMask) < int8_t(colMask);
    const uint8_t firstMask = rowsFirst ? rowMask : colMask;
    const int lineStep = rowsFirst ? 8 : 1;   // from one first-pass line to the next
    const int inLine = rowsFirst ? 1 : 8;     // along a first-pass line
    for (int l = 0; l < 8; ++l)
        if (firstMask >> l & 1) QmvDec_Idct1D(b + l * lineStep, inLine);
    for (int l = 0; l < 8; ++l) {
        int32_t* line = b + l * inLine;
        if (firstMask == 1) {
            for (int i = 1; i < 8; ++i) line[i * lineStep] = line[0];
        } else {
            QmvDec_Idct1D(line, lineStep);
        }
    }
}

uint16_t QmvDec_ConvertPixel(int32_t out0, int32_t out1, int32_t out2) {
    const int32_t c1 = out1 >> 4, c2 = out2 >> 4;
    const int32_t y = (out0 >> 4) + 128;
    const int32_t v = g.convV[Clamp(c2 + 256, 0, CONV_SIZE - 1)];
    const int32_t u = g.convU[Clamp(c1 + 256, 0, CONV_SIZE - 1)];
    auto at = [](int32_t i) { return Clamp(i, COLOUR_MIN, COLOUR_MAX) - COLOUR_MIN; };
    return uint16_t(g.red[at((y + v) >> 2)] | g.blue[at((y + (out1 >> 3)) >> 2)] |
                    g.green[at((y - (v >> 1) - u) >> 2)]);
}

namespace {

template <bool kFast>
int DecodeFrame(const void* frame, uint32_t length, const uint16_t* previous, uint16_t* destination) {
    if (!g.ready) return QMVDEC_ERR_NOT_INIT;
    const uint8_t* data = static_cast<const uint8_t*>(frame);
    if (!data || !destination || length < QMVDEC_HEADER_SIZE) return QMVDEC_ERR_HEADER;
    const int32_t word0 = int32_t(QmvRead32(data));
    uint32_t off[6];
    for (int i = 1; i < 6; ++i) off[i] = QmvRead32(data + 4 * i);
    off[0] = QMVDEC_HEADER_SIZE;
    for (int i = 1; i < 6; ++i)
        if (off[i] < off[i - 1] || off[i] > length) return QMVDEC_ERR_HEADER;

    const bool key = word0 < 0;
    const int64_t magnitude = std::llabs(int64_t(word0));
    const int quality = int(magnitude > 100 ? 100 : magnitude);
    if (quality == 0) return QMVDEC_ERR_QUALITY;
    if (!key && !previous) return QMVDEC_ERR_SOURCE;

    Decoder<kFast> d;
    d.codes = data + off[1];
    d.codesEnd = data + off[2];
    d.words = data + off[2];
    d.wordsEnd = data + off[3];
    d.motion = data + off[3];
    d.motionEnd = data + off[4];
    d.nibbles = data + off[4];
    d.nibbleCount = size_t(off[5] - off[4]) * 2;
    d.prev = previous;
    d.dst = destination;
    d.key = key;
    QmvDec_QuantTables(quality, d.quant[0], d.quant[1]);
    for (int R = 0; R < QMVDEC_HEIGHT; R += 8)
        for (int C = 0; C < QMVDEC_WIDTH; C += 8) {
            if (key)
                d.KeyBlock(R, C);
            else
                d.Block(R, C);
            if (d.error) return d.error;
        }
    return QMVDEC_OK;
}

}  // namespace

int QmvDec_DecodeFrame(const void* frame, uint32_t length, const uint16_t* previous, uint16_t* destination) {
    return DecodeFrame<true>(frame, length, previous, destination);
}

int QmvDec_DecodeFramePlain(const void* frame, uint32_t length, const uint16_t* previous, uint16_t* destination) {
    return DecodeFrame<false>(frame, length, previous, destination);
}

void QmvDec_IdctLanes(const int32_t in[64], uint8_t rowMask, uint8_t columnMask, int32_t out[64]) {
    alignas(16) int32_t a[64], b[64];
    std::memcpy(a, in, sizeof a);
    if (Simd_UseAvx2())
        lanes8::Idct(a, rowMask, columnMask, b);
    else
        IdctLanes(a, rowMask, columnMask, b);
    std::memcpy(out, b, sizeof b);
}

void QmvDec_ConvertLanes(const int32_t out0[8], const int32_t out1[8], const int32_t out2[8], uint16_t pixels[8]) {
    alignas(16) int32_t a[8], b[8], c[8];
    std::memcpy(a, out0, sizeof a);
    std::memcpy(b, out1, sizeof b);
    std::memcpy(c, out2, sizeof c);
    if (Simd_UseAvx2())
        lanes8::Convert(a, b, c, pixels, g.is565);
    else
        ConvertLanes(a, b, c, pixels);
}
