// Helpers of the sprite tests: formats, guarded target surfaces, a reference drawing model, a fixture.
#pragma once
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "graphics2d/Orv_Spr.h"
#include "graphics2d/Surface.h"
#include "testdata/SprWriter.h"
#include "tests/support/ScratchInstall.h"

inline CPixelFormat Fmt565() { return {PF_RGB, 16, 0, 0xF800, 0x7E0, 0x1F, 0}; }
inline CPixelFormat Fmt555() { return {PF_RGB, 16, 0, 0x7C00, 0x3E0, 0x1F, 0}; }
inline CPixelFormat Fmt8888() { return {PF_RGB, 32, 0, 0xFF0000, 0xFF00, 0xFF, 0}; }

inline uint32_t Mask(const CPixelFormat& pf, int i) { return i == 0 ? pf.redMask : i == 1 ? pf.greenMask : pf.blueMask; }
inline uint32_t Opaque(const CPixelFormat& pf) { return pf.bitsPerPixel == 32 ? 0xFF000000u : 0; }  // drawn alpha byte
// RGB truncated to the format's channel widths.
inline uint32_t Encode(const CPixelFormat& pf, uint32_t rgb) {
    uint32_t out = Opaque(pf);
    for (int i = 0; i < 3; ++i) {
        const uint32_t m = Mask(pf, i), v8 = (rgb >> (16 - 8 * i)) & 0xFF;
        out |= (v8 >> (8 - std::popcount(m))) << std::countr_zero(m);
    }
    return out;
}
// Source over destination at level l of 256, channel by channel: (s * l + d * (256 - l)) >> 8.
inline uint32_t Mix(const CPixelFormat& pf, uint32_t d, uint32_t s, uint32_t l) {
    uint32_t out = Opaque(pf);
    for (int i = 0; i < 3; ++i) {
        const uint32_t m = Mask(pf, i), at = uint32_t(std::countr_zero(m));
        out |= ((((s & m) >> at) * l + ((d & m) >> at) * (256 - l)) >> 8) << at;
    }
    return out;
}

// A surface inside a larger buffer: `guard` pixels of margin on every side detect stray writes.
class GuardedTarget {
public:
    GuardedTarget(const CPixelFormat& pf, int w, int h, int guard = 4)
        : bytes_(int(pf.bitsPerPixel / 8)), g_(guard), pitch_(w + 2 * guard),
          mem_(size_t(pitch_) * size_t(h + 2 * guard) * size_t(bytes_)) {
        Fill();
        surf.Set(mem_.data() + size_t(Index(0, 0)) * bytes_, w, h, pitch_, pf);
    }
    CBufferSurface surf;

    int Index(int x, int y) const { return (y + g_) * pitch_ + (x + g_); }
    // Every buffer pixel, margins included.
    std::vector<uint32_t> All() const {
        std::vector<uint32_t> out(mem_.size() / bytes_);
        for (size_t i = 0; i < out.size(); ++i) out[i] = At(i);
        return out;
    }
    // Without a value, a different one in most pixels so that blends meet varied destinations.
    void Fill(std::optional<uint32_t> v = std::nullopt) {
        for (size_t i = 0; i < mem_.size() / bytes_; ++i)
            Store(i, v ? *v : bytes_ == 2 ? (uint32_t(i * 2654435761u) >> 7) & 0xFFFF : (uint32_t(i * 2654435761u) | 0xFF000000u));
    }

private:
    uint32_t At(size_t i) const {
        uint32_t v = 0;
        std::memcpy(&v, mem_.data() + i * bytes_, size_t(bytes_));
        return v;
    }
    void Store(size_t i, uint32_t v) { std::memcpy(mem_.data() + i * bytes_, &v, size_t(bytes_)); }

    int bytes_, g_, pitch_;
    std::vector<uint8_t> mem_;
};

// What the buffer must hold after drawing `img` with its corner at (cx, cy), from its contents `before`:
// blend(d, s, alpha) for every drawn pixel inside the clip and the surface, the old value elsewhere.
using RefBlend = std::function<uint32_t(uint32_t d, uint32_t s, uint32_t alpha)>;
inline std::vector<uint32_t> Expected(const GuardedTarget& t, std::vector<uint32_t> before, const SprImage& img,
                                      int cx, int cy, const ClipRect& clip, const RefBlend& blend) {
    const CPixelFormat& pf = t.surf.format;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const int tx = cx + x, ty = cy + y;
            if (tx < 0 || ty < 0 || tx >= t.surf.width || ty >= t.surf.height) continue;
            if (tx < clip.left || tx > clip.right || ty < clip.top || ty > clip.bottom) continue;
            const uint32_t argb = img.pixels[size_t(y) * img.width + x];
            if ((argb >> 24) == 0) continue;
            uint32_t& d = before[t.Index(tx, ty)];
            d = blend(d, Encode(pf, argb & 0xFFFFFF), argb >> 24);
        }
    return before;
}

// A picture with a deterministic colour pattern, holes (alpha 0) where hole(x, y) is true.
inline SprImage Picture(int w, int h, int hx, int hy, const std::function<bool(int, int)>& hole,
                        uint32_t alpha = 0xFF) {
    SprImage img;
    img.width = w;
    img.height = h;
    img.x = hx;
    img.y = hy;
    img.pixels.resize(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t rgb = (uint32_t(x * 37 + 11) & 0xFF) << 16 | (uint32_t(y * 53 + 90) & 0xFF) << 8 |
                                 (uint32_t((x + y) * 29 + 200) & 0xFF);
            img.pixels[size_t(y) * w + x] = hole(x, y) ? 0 : (alpha << 24 | rgb);
        }
    return img;
}

// Loads the plug-in once, works in a scratch installation directory and records warnings.
class SprTest : public ::testing::Test, protected ScratchInstall {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(OrvSpr_MainInit()); }

    void SetUp() override {
        OpenInstall(false, false);
        cd_init();
        OrvSpr_SetScreenFormat(Fmt565());
    }
    void TearDown() override {
        OrvSpr_clear_spf();
        OrvSpr_set_curseur(nullptr, 0);
        OrvSpr_SetObjetEnMainSprite(0, nullptr);
        OrvSpr_SetResetHook(nullptr);
        OrvSpr_SetMouseSource(nullptr, nullptr);
        OrvSpr_SetSurfaceInfo(nullptr);
        OrvSpr_ResetClip();
        CloseInstall();
    }

    // Writes a file under the installation directory and returns its full path.
    std::string Write(const std::string& rel, const std::vector<uint8_t>& bytes) {
        EXPECT_TRUE(WriteFileBytes(dir / rel, bytes.data(), bytes.size()));
        return dir / rel;
    }
    static std::vector<uint8_t> Encode(const std::vector<SprImage>& images,
                                       SprFileKind kind = SprFileKind::Bank) {
        SprWriterOptions opt;
        opt.kind = kind;
        std::string err;
        std::vector<uint8_t> bytes = SprWriter_Encode(images, opt, &err);
        EXPECT_FALSE(bytes.empty()) << err;
        return bytes;
    }
    bool Warned(const std::string& text) const {
        for (const std::string& l : lines)
            if (l == "erreur: " + text) return true;
        return false;
    }
};
