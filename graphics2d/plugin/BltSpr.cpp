// Sprite-drawing plug-in: bank checking, clipped drawing in every blend mode, palette routines.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

#include "graphics2d/SprDll.h"

#ifndef BLT_VARIANT
#define BLT_VARIANT 5
#endif

namespace {

bool g_ready = false;

uint32_t Rd32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Rd16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
void Wr32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

enum Kind { KIND_NONE, KIND_BANK, KIND_BANK1, KIND_SPW };

Kind KindOf(const uint8_t* b) {
    if (std::memcmp(b, SPR_MAGIC_BANK, SPR_MAGIC_SIZE) == 0) return KIND_BANK;
    if (std::memcmp(b, SPR_MAGIC_BANK1, SPR_MAGIC_SIZE) == 0) return KIND_BANK1;
    if (std::memcmp(b, SPR_MAGIC_SPW, SPR_MAGIC_SIZE) == 0) return KIND_SPW;
    return KIND_NONE;
}

struct Entry {
    uint32_t offset;
    uint32_t size;
    int32_t w;
    int32_t h;
    int32_t x;
    int32_t y;
};

const uint8_t* EntryPtr(const uint8_t* b, int32_t n) { return b + SPR_OFS_TABLE + size_t(n) * SPR_ENTRY_SIZE; }

Entry ReadEntry(const uint8_t* b, int32_t n) {
    const uint8_t* e = EntryPtr(b, n);
    return Entry{Rd32(e), Rd32(e + 4), Rd16(e + 8), Rd16(e + 10), int32_t(Rd32(e + 12)), int32_t(Rd32(e + 16))};
}

// A bank that went through CONV_SPR32_64; every other routine trusts its tables and runs.
int32_t Prepared(const void* bank, const uint8_t** out, Kind* kind) {
    if (!g_ready) return SPR_ERR_NOINIT;
    if (!bank) return SPR_ERR_PARAM;
    const uint8_t* b = static_cast<const uint8_t*>(bank);
    Kind k = KindOf(b);
    if (k == KIND_NONE) return SPR_ERR_NOTSPR;
    if (Rd32(b + SPR_HDR_STATE) != SPR_STATE_READY) return SPR_ERR_NOTREADY;
    *out = b;
    if (kind) *kind = k;
    return SPR_OK;
}

// Prepared, for the routines that write into the bank.
int32_t PreparedForWrite(void* bank, uint8_t** out) {
    const uint8_t* b;
    *out = static_cast<uint8_t*>(bank);
    return Prepared(bank, &b, nullptr);
}

int32_t GetEntry(const void* bank, int32_t n, const uint8_t** out, Kind* kind, Entry* e) {
    int32_t rc = Prepared(bank, out, kind);
    if (rc != SPR_OK) return rc;
    if (n < 0 || uint32_t(n) >= Rd32(*out + SPR_HDR_COUNT)) return SPR_ERR_INDEX;
    *e = ReadEntry(*out, n);
    return SPR_OK;
}

// Walks one sprite's rows of (skip, run) packets; false when they leave [p, end) or the row width.
bool CheckRuns(const uint8_t* p, const uint8_t* end, const Entry& e, int bytesPerPixel) {
    // Rows of no pixels hold no packets: nothing to walk, however many.
    if (e.w == 0) return p == end;
    for (int32_t row = 0; row < e.h; ++row) {
        int32_t x = 0;
        while (x < e.w) {
            if (end - p < 2) return false;
            int skip = p[0], run = p[1];
            p += 2;
            if (skip + run > e.w - x) return false;
            if (end - p < std::ptrdiff_t(run) * bytesPerPixel) return false;
            p += run * bytesPerPixel;
            x += skip + run;
        }
    }
    return p == end;
}

// Pixel formats of the targets: three channels and the bits always set.
struct F565 {
    using P = uint16_t;
    static constexpr int sh[3] = {11, 5, 0};
    static constexpr uint32_t mx[3] = {31, 63, 31};
    static constexpr uint32_t fixed = 0;
};
struct F555 {
    using P = uint16_t;
    static constexpr int sh[3] = {10, 5, 0};
    static constexpr uint32_t mx[3] = {31, 31, 31};
    static constexpr uint32_t fixed = 0;
};
struct F8888 {
    using P = uint32_t;
    static constexpr int sh[3] = {16, 8, 0};
    static constexpr uint32_t mx[3] = {255, 255, 255};
    static constexpr uint32_t fixed = 0xFF000000u;
};

template <class F, class Fn>
typename F::P PerChannel(uint32_t d, uint32_t s, Fn fn) {
    uint32_t out = F::fixed;
    for (int c = 0; c < 3; ++c) {
        uint32_t dc = (d >> F::sh[c]) & F::mx[c];
        uint32_t sc = (s >> F::sh[c]) & F::mx[c];
        out |= fn(dc, sc, F::mx[c]) << F::sh[c];
    }
    return typename F::P(out);
}

uint32_t Mix(uint32_t d, uint32_t s, uint32_t level) { return (s * level + d * (256 - level)) >> 8; }

// The blend of each drawing routine: destination pixel, screen colour, alpha byte.
template <class F>
struct OpCopy {
    typename F::P operator()(uint32_t, uint32_t s, uint32_t) const { return typename F::P(s); }
};
template <class F>
struct OpHalf {
    typename F::P operator()(uint32_t d, uint32_t s, uint32_t) const {
        return PerChannel<F>(d, s, [](uint32_t dc, uint32_t sc, uint32_t) { return (dc + sc) >> 1; });
    }
};
template <class F>
struct OpLevel {
    uint32_t level;
    typename F::P operator()(uint32_t d, uint32_t s, uint32_t) const {
        uint32_t l = level;
        return PerChannel<F>(d, s, [l](uint32_t dc, uint32_t sc, uint32_t) { return Mix(dc, sc, l); });
    }
};
template <class F>
struct OpAlpha {
    typename F::P operator()(uint32_t d, uint32_t s, uint32_t a) const {
        uint32_t l = a + (a >> 7);  // 0..255 onto 0..256 so that 255 is opaque
        return PerChannel<F>(d, s, [l](uint32_t dc, uint32_t sc, uint32_t) { return Mix(dc, sc, l); });
    }
};
template <class F>
struct OpAdd {
    typename F::P operator()(uint32_t d, uint32_t s, uint32_t) const {
        return PerChannel<F>(d, s, [](uint32_t dc, uint32_t sc, uint32_t m) { return std::min(dc + sc, m); });
    }
};
template <class F>
struct OpShadow {
    uint32_t level;
    typename F::P operator()(uint32_t d, uint32_t, uint32_t) const {
        uint32_t k = 256 - level;
        return PerChannel<F>(d, 0, [k](uint32_t dc, uint32_t, uint32_t) { return (dc * k) >> 8; });
    }
};

struct Span {
    int64_t x0, x1, y0, y1;  // inclusive, in target pixels
};

template <class F, class Op>
void DrawRuns(const SprTarget* t, const uint8_t* data, const Entry& e, bool alpha, int64_t cx, int64_t cy,
              const Span& vis, const uint32_t* pal, Op op) {
    using P = typename F::P;
    const uint8_t* p = data;
    const int bytesPerPixel = alpha ? 2 : 1;
    for (int32_t row = 0; row < e.h; ++row) {
        const int64_t ty = cy + row;
        if (ty > vis.y1) break;
        P* dst = ty >= vis.y0 ? static_cast<P*>(t->pixels) + ty * int64_t(t->pitch) : nullptr;
        int32_t x = 0;
        while (x < e.w) {
            const int skip = p[0], run = p[1];
            const uint8_t* idx = p + 2;
            p = idx + run * bytesPerPixel;
            x += skip;
            if (dst && run) {
                const int64_t s0 = std::max<int64_t>(x, vis.x0 - cx);
                const int64_t s1 = std::min<int64_t>(x + run - 1, vis.x1 - cx);
                for (int64_t s = s0; s <= s1; ++s) {
                    const int64_t i = s - x;
                    P& d = dst[cx + s];
                    d = op(d, pal[idx[i]], alpha ? idx[run + i] : 255u);
                }
            }
            x += run;
        }
    }
}

int32_t TargetFormat(const SprTarget* t) {
    if (t->bpp == 32) return SPR_PAL_8888;
    if (t->bpp == 16) return t->is565 ? SPR_PAL_565 : SPR_PAL_555;
    return SPR_PAL_NONE;
}

bool TargetValid(const SprTarget* t) {
    return t && t->pixels && t->width > 0 && t->height > 0 && t->pitch >= t->width &&
           TargetFormat(t) != SPR_PAL_NONE;
}

// Shared front of every drawing routine: checks, placement, clipping, then the blend per format.
template <template <class> class Op, class... Args>
int32_t Draw(const SprTarget* t, const void* bank, int32_t n, int32_t x, int32_t y, bool spw, Args... args) {
    const uint8_t* b;
    Kind kind;
    Entry e;
    int32_t rc = GetEntry(bank, n, &b, &kind, &e);
    if (rc != SPR_OK) return rc;
    if (spw != (kind == KIND_SPW)) return spw ? SPR_ERR_NOTSPW : SPR_ERR_NOTSPR;
    if (!TargetValid(t)) return SPR_ERR_TARGET;
    const int32_t fmt = TargetFormat(t);
    if (int32_t(Rd32(b + SPR_HDR_PALFORMAT)) != fmt) return SPR_ERR_FORMAT;

    const int64_t cx = spw ? int64_t(x) + e.x : int64_t(x) - e.x;
    const int64_t cy = spw ? int64_t(y) + e.y : int64_t(y) - e.y;
    Span vis;
    vis.x0 = std::max<int64_t>({cx, t->clip.left, 0});
    vis.x1 = std::min<int64_t>({cx + e.w - 1, t->clip.right, t->width - 1});
    vis.y0 = std::max<int64_t>({cy, t->clip.top, 0});
    vis.y1 = std::min<int64_t>({cy + e.h - 1, t->clip.bottom, t->height - 1});
    if (vis.x0 > vis.x1 || vis.y0 > vis.y1) return SPR_OK;

    uint32_t pal[256];
    for (int i = 0; i < 256; ++i) pal[i] = Rd32(b + SPR_OFS_SCREENPAL + 4 * i);
    const uint8_t* data = b + e.offset;
    const bool alpha = kind == KIND_BANK1;
    switch (fmt) {
        case SPR_PAL_565: DrawRuns<F565>(t, data, e, alpha, cx, cy, vis, pal, Op<F565>{args...}); break;
        case SPR_PAL_555: DrawRuns<F555>(t, data, e, alpha, cx, cy, vis, pal, Op<F555>{args...}); break;
        default: DrawRuns<F8888>(t, data, e, alpha, cx, cy, vis, pal, Op<F8888>{args...}); break;
    }
    return SPR_OK;
}

// Size (w, h) or table offset (x, y) of one sprite.
int32_t GetPair(const void* bank, int32_t n, int32_t* a, int32_t* b, bool offset) {
    const uint8_t* data;
    Entry e;
    int32_t rc = GetEntry(bank, n, &data, nullptr, &e);
    if (rc != SPR_OK) return rc;
    if (!a || !b) return SPR_ERR_PARAM;
    *a = offset ? e.x : e.w;
    *b = offset ? e.y : e.h;
    return SPR_OK;
}

bool LevelValid(int32_t level) { return level >= 0 && level <= 256; }

uint32_t ScreenColour(int32_t fmt, uint32_t r, uint32_t g, uint32_t b) {
    switch (fmt) {
        case SPR_PAL_565: return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
        case SPR_PAL_555: return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
        default: return 0xFF000000u | r << 16 | g << 8 | b;
    }
}

int32_t ConvertPalette(void* bank, int32_t fmt) {
    uint8_t* b;
    int32_t rc = PreparedForWrite(bank, &b);
    if (rc != SPR_OK) return rc;
    for (int i = 0; i < 256; ++i) {
        const uint8_t* c = b + SPR_OFS_PALETTE + 3 * i;
        Wr32(b + SPR_OFS_SCREENPAL + 4 * i, ScreenColour(fmt, c[0], c[1], c[2]));
    }
    Wr32(b + SPR_HDR_PALFORMAT, uint32_t(fmt));
    return SPR_OK;
}

// After a change of the RGB palette the screen palette follows, in the format it already had.
int32_t Reconvert(void* bank) {
    const int32_t fmt = int32_t(Rd32(static_cast<uint8_t*>(bank) + SPR_HDR_PALFORMAT));
    return fmt == SPR_PAL_NONE ? SPR_OK : ConvertPalette(bank, fmt);
}

}  // namespace

extern "C" {

int32_t SprDll_Init(int32_t interfaceVersion, int32_t* variant) {
    if (interfaceVersion != SPRDLL_INTERFACE_VERSION) return SPR_ERR_INTERFACE;
    if (variant) *variant = BLT_VARIANT;
    g_ready = true;
    return SPR_OK;
}

void SprDll_Free(void) { g_ready = false; }

int32_t AFF_SPR(const SprTarget* t, const void* bank, int32_t n, int32_t x, int32_t y) {
    return Draw<OpCopy>(t, bank, n, x, y, false);
}

int32_t AFF_SPW(const SprTarget* t, const void* spw, int32_t n, int32_t x, int32_t y) {
    return Draw<OpCopy>(t, spw, n, x, y, true);
}

int32_t AFF_SPRTRS50(const SprTarget* t, const void* bank, int32_t n, int32_t x, int32_t y) {
    return Draw<OpHalf>(t, bank, n, x, y, false);
}

int32_t AFF_SPRTRS(const SprTarget* t, const void* bank, int32_t n, int32_t x, int32_t y, int32_t level) {
    if (!LevelValid(level)) return SPR_ERR_PARAM;
    return Draw<OpLevel>(t, bank, n, x, y, false, uint32_t(level));
}

int32_t AFF_SPRALPHA(const SprTarget* t, const void* bank, int32_t n, int32_t x, int32_t y) {
    return Draw<OpAlpha>(t, bank, n, x, y, false);
}

int32_t AFF_SPRECL(const SprTarget* t, const void* bank, int32_t n, int32_t x, int32_t y) {
    return Draw<OpAdd>(t, bank, n, x, y, false);
}

int32_t AFF_SPROMB(const SprTarget* t, const void* bank, int32_t n, int32_t x, int32_t y, int32_t level) {
    if (!LevelValid(level)) return SPR_ERR_PARAM;
    return Draw<OpShadow>(t, bank, n, x, y, false, uint32_t(level));
}

int32_t SPR_CONVPAL32(void* bank) { return ConvertPalette(bank, SPR_PAL_8888); }

int32_t SPR_CONVPAL16(void* bank, int32_t is565) { return ConvertPalette(bank, is565 ? SPR_PAL_565 : SPR_PAL_555); }

int32_t SPR_SAVPAL(void* bank) {
    uint8_t* b;
    int32_t rc = PreparedForWrite(bank, &b);
    if (rc != SPR_OK) return rc;
    std::memcpy(b + SPR_OFS_SAVEDPAL, b + SPR_OFS_PALETTE, 768);
    Wr32(b + SPR_HDR_PALSAVED, 1);
    return SPR_OK;
}

int32_t SPR_RESTOPAL(void* bank) {
    uint8_t* b;
    int32_t rc = PreparedForWrite(bank, &b);
    if (rc != SPR_OK) return rc;
    if (Rd32(b + SPR_HDR_PALSAVED) != 1) return SPR_ERR_NOSAVE;
    std::memcpy(b + SPR_OFS_PALETTE, b + SPR_OFS_SAVEDPAL, 768);
    return Reconvert(bank);
}

int32_t SPR_OMBREPAL(void* bank, int32_t level) {
    uint8_t* b;
    int32_t rc = PreparedForWrite(bank, &b);
    if (rc != SPR_OK) return rc;
    if (!LevelValid(level)) return SPR_ERR_PARAM;
    for (int i = 0; i < 768; ++i) b[SPR_OFS_PALETTE + i] = uint8_t((b[SPR_OFS_PALETTE + i] * uint32_t(256 - level)) >> 8);
    return Reconvert(bank);
}

int32_t SPR_REPAL(void* bank, const uint8_t* rgb768) {
    uint8_t* b;
    int32_t rc = PreparedForWrite(bank, &b);
    if (rc != SPR_OK) return rc;
    if (!rgb768) return SPR_ERR_PARAM;
    std::memcpy(b + SPR_OFS_PALETTE, rgb768, 768);
    return Reconvert(bank);
}

int32_t GET_SPRZ(const void* bank, int32_t n, uint32_t* bytes) {
    const uint8_t* b;
    Entry e;
    int32_t rc = GetEntry(bank, n, &b, nullptr, &e);
    if (rc != SPR_OK) return rc;
    if (!bytes) return SPR_ERR_PARAM;
    *bytes = e.size;
    return SPR_OK;
}

int32_t GET_SPRT(const void* bank, int32_t n, int32_t* w, int32_t* h) { return GetPair(bank, n, w, h, false); }

int32_t GET_SPROFF(const void* bank, int32_t n, int32_t* x, int32_t* y) { return GetPair(bank, n, x, y, true); }

int32_t MOD_SPROFF(void* bank, int32_t n, int32_t x, int32_t y) {
    const uint8_t* cb;
    Entry e;
    int32_t rc = GetEntry(bank, n, &cb, nullptr, &e);
    if (rc != SPR_OK) return rc;
    uint8_t* entry = static_cast<uint8_t*>(bank) + (EntryPtr(cb, n) - cb);
    Wr32(entry + 12, uint32_t(x));
    Wr32(entry + 16, uint32_t(y));
    return SPR_OK;
}

int32_t GET_NBSPR(const void* bank, int32_t* count) {
    const uint8_t* b;
    int32_t rc = Prepared(bank, &b, nullptr);
    if (rc != SPR_OK) return rc;
    if (!count) return SPR_ERR_PARAM;
    *count = int32_t(Rd32(b + SPR_HDR_COUNT));
    return SPR_OK;
}

// Offsets stay 32-bit file offsets from the bank's start; the conversion is the check that makes them
// safe to follow, after which the bank is marked ready.
int32_t CONV_SPR32_64(void* data, uint32_t size, int32_t kind) {
    if (!g_ready) return SPR_ERR_NOINIT;
    if (!data) return SPR_ERR_PARAM;
    const int32_t wrongMagic = kind == SPR_KIND_SPW ? SPR_ERR_NOTSPW : SPR_ERR_NOTSPR;
    if (size < SPR_MAGIC_SIZE) return wrongMagic;
    uint8_t* b = static_cast<uint8_t*>(data);
    const Kind k = KindOf(b);
    if (kind == SPR_KIND_SPW ? k != KIND_SPW : (k != KIND_BANK && k != KIND_BANK1)) return wrongMagic;
    if (size < SPR_OFS_TABLE) return SPR_ERR_CORRUPT;
    Wr32(b + SPR_HDR_STATE, 0);
    if (Rd32(b + SPR_HDR_VERSION) != SPR_FILE_VERSION) return SPR_ERR_VERSION;
    if (Rd32(b + SPR_HDR_FILESIZE) != size) return SPR_ERR_CORRUPT;
    const uint32_t count = Rd32(b + SPR_HDR_COUNT);
    if (count == 0 || count > SPR_MAX_COUNT) return SPR_ERR_CORRUPT;
    const uint64_t tableEnd = uint64_t(SPR_OFS_TABLE) + uint64_t(count) * SPR_ENTRY_SIZE;
    if (tableEnd > size) return SPR_ERR_CORRUPT;
    const int bytesPerPixel = k == KIND_BANK1 ? 2 : 1;
    // Sprites share pixel data only whole (same offset, size and sides); any other overlap is refused, so
    // the check walks each byte of the file once however many entries point at it.
    std::vector<Entry> entries(count);
    for (uint32_t n = 0; n < count; ++n) {
        const Entry e = entries[n] = ReadEntry(b, int32_t(n));
        if (e.offset < tableEnd || uint64_t(e.offset) + e.size > size) return SPR_ERR_CORRUPT;
    }
    const auto key = [](const Entry& e) { return std::tie(e.offset, e.size, e.w, e.h); };
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& e) { return key(a) < key(e); });
    uint64_t checkedEnd = 0;
    for (size_t n = 0; n < entries.size(); ++n) {
        const Entry& e = entries[n];
        if (n > 0 && key(e) == key(entries[n - 1])) continue;
        if (e.size > 0 && e.offset < checkedEnd) return SPR_ERR_CORRUPT;
        if (!CheckRuns(b + e.offset, b + e.offset + e.size, e, bytesPerPixel)) return SPR_ERR_CORRUPT;
        checkedEnd = std::max(checkedEnd, uint64_t(e.offset) + e.size);
    }
    Wr32(b + SPR_HDR_PALFORMAT, SPR_PAL_NONE);
    Wr32(b + SPR_HDR_PALSAVED, 0);
    Wr32(b + SPR_HDR_STATE, SPR_STATE_READY);
    return SPR_OK;
}

}  // extern "C"
