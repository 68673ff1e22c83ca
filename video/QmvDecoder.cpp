// The built-in ".qmv" frame decoder: code trees, piece copies with symmetries, motion, intra blocks.
#include "video/QmvDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

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

constexpr int8_t kV[16] = {1, 2, 3, 4, 5, 6, 7, 8, -8, -7, -6, -5, -4, -3, -2, -1};
constexpr int8_t kA[16] = {1, 1, 1, 1, 2, 2, 2, 2, -2, -2, -2, -2, -1, -1, -1, -1};
constexpr int8_t kB[16] = {1, 2, -2, -1, 1, 2, -2, -1, 1, 2, -2, -1, 1, 2, -2, -1};

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

    // The nibble stream is read in place: the values are those a refilled window would hold.
    int Nibble() {
        if (nibblePos >= nibbleCount) {
            Fail(QMVDEC_ERR_NIBBLES);
            return 0;
        }
        const uint8_t b = nibbles[nibblePos >> 1];
        return (nibblePos++ & 1) ? b >> 4 : b & 15;
    }
    int Byte() {
        const int hi = Nibble();
        return int(int8_t(uint8_t(hi << 4 | Nibble())));
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
    bool Component(const int32_t* q, int32_t* out, uint8_t& rowMask, uint8_t& colMask) {
        int k = 0;
        auto put = [&](int value) {
            if (k > 63) {
                Fail(QMVDEC_ERR_COEFF);
                return;
            }
            const int pos = QMV_ZIGZAG[k];
            out[pos] = value * q[k];
            rowMask |= uint8_t(1u << (pos >> 3));
            colMask |= uint8_t(1u << (pos & 7));
            ++k;
        };
        put(Byte());
        while (k < 64 && !error) {
            const int code = Nibble();
            if (error) break;
            switch (code) {
            case 0: return true;
            case 1: k += 5; break;
            case 2: case 3: case 4: case 5: case 6: case 7:
                k += code >> 1;
                put(code & 1 ? -1 : 1);
                break;
            case 8: {
                const int a = Nibble();
                k += (a >> 2 & 3) + 1;
                const int pairs = (a & 3) >= 2 ? 2 : 1;
                for (int i = 0; i < pairs; ++i) {
                    const int c = Nibble();
                    put(kA[c]), put(kB[c]);
                }
                if (a & 1) put(kA[Nibble()]);
                break;
            }
            case 9: {
                const int a = Nibble();
                k += (a >> 2 & 3) + 1;
                for (int i = 0; i <= (a & 3); ++i) put(kV[Nibble()]);
                break;
            }
            case 10: {
                const int c = Nibble();
                put(kA[c]), put(kB[c]);
                break;
            }
            case 11: case 12: case 13:
                for (int i = 0; i < code - 10; ++i) put(kV[Nibble()]);
                break;
            case 14: k += 1; break;
            default: put(Byte()); break;
            }
        }
        return !error;
    }

    void Intra(int R, int C) {
        if (error) return;
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

int QmvDec_DecodeFrame(const void* frame, uint32_t length, const uint16_t* previous, uint16_t* destination) {
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

    Decoder d;
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
