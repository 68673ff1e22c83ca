// The plug-in's routines on banks in memory: file checks, queries, argument checks, palette routines.
#include "tests/graphics2d_spr/SprTestUtil.h"

namespace {

uint32_t Rd32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
void Wr32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
size_t Entry(int n) { return SPR_OFS_TABLE + size_t(n) * SPR_ENTRY_SIZE; }

class SprPlugin : public SprTest {
protected:
    const SprDllApi& api = *OrvSpr_GetDll();

    // Three sprites: holes, a 1 x 1, and one with a negative hot spot.
    static std::vector<SprImage> Three() {
        return {Picture(7, 5, 3, 2, [](int x, int y) { return x == 2 || y == 3; }),
                Picture(1, 1, 0, 0, [](int, int) { return false; }),
                Picture(12, 4, -20, -7, [](int x, int) { return x < 5; })};
    }
    int32_t Conv(std::vector<uint8_t>& b, int32_t kind = SPR_KIND_BANK) {
        return api.conv_spr32_64(b.data(), uint32_t(b.size()), kind);
    }
};

TEST_F(SprPlugin, DamagedFilesAreRefused) {
    const std::vector<uint8_t> good = Encode(Three());
    const uint32_t size = uint32_t(good.size());
    const uint32_t data0 = Rd32(good, Entry(0));
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        int32_t expected;
    };
    // Cut or lengthened files keep the size field of the original.
    const Case cases[] = {
        {"bad magic", [](auto& b) { b[3] = 'X'; }, SPR_ERR_NOTSPR},
        {"cut in the header", [](auto& b) { b.resize(100); }, SPR_ERR_CORRUPT},
        {"cut in the table", [](auto& b) { b.resize(Entry(2) + 3); }, SPR_ERR_CORRUPT},
        {"cut in the pixels", [](auto& b) { b.pop_back(); }, SPR_ERR_CORRUPT},
        {"version 2", [](auto& b) { Wr32(b, SPR_HDR_VERSION, 2); }, SPR_ERR_VERSION},
        {"huge count", [](auto& b) { Wr32(b, SPR_HDR_COUNT, 0xFFFFFFFF); }, SPR_ERR_CORRUPT},
        {"offset past the end", [size](auto& b) { Wr32(b, Entry(1), size + 10); }, SPR_ERR_CORRUPT},
        {"data inside the table", [](auto& b) { Wr32(b, Entry(0), Entry(1)); }, SPR_ERR_CORRUPT},
        {"run past the row", [data0](auto& b) { b[data0 + 1] = 200; }, SPR_ERR_CORRUPT},
        {"last packet cut, sizes consistent",
         [](auto& b) {
             b.resize(b.size() - 8);  // the last row's 7 indices and its run byte
             Wr32(b, SPR_HDR_FILESIZE, uint32_t(b.size()));
             Wr32(b, Entry(2) + 4, Rd32(b, Entry(2) + 4) - 8);
         },
         SPR_ERR_CORRUPT},
        {"height larger than the runs", [](auto& b) { b[Entry(0) + 10] = 6; }, SPR_ERR_CORRUPT},
        {"alpha magic on plain runs", [](auto& b) { b[7] = '1'; }, SPR_ERR_CORRUPT},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> damaged = good;
        c.damage(damaged);
        std::vector<uint8_t> b(damaged.begin(), damaged.end());  // no spare capacity: a read past the end shows
        EXPECT_EQ(Conv(b), c.expected) << c.what;
        int32_t count;  // a refused bank stays unusable
        if (b.size() >= SPR_OFS_TABLE) {
            EXPECT_NE(api.get_nbspr(b.data(), &count), SPR_OK) << c.what;
        }
    }
}

// Entries may point at the same pixel data when they describe the same sprite; any other overlap is
// refused. Rows without pixels hold no data.
TEST_F(SprPlugin, SpritesShareDataOnlyWhole) {
    const std::vector<uint8_t> good = Encode(Three());
    auto withEntry1 = [&](const std::function<void(std::vector<uint8_t>&)>& change) {
        std::vector<uint8_t> b = good;
        std::copy_n(good.begin() + long(Entry(0)), 8, b.begin() + long(Entry(1)));       // offset and size
        std::copy_n(good.begin() + long(Entry(0)) + 8, 4, b.begin() + long(Entry(1)) + 8);  // width and height
        change(b);
        return b;
    };
    std::vector<uint8_t> shared = withEntry1([](auto&) {});
    ASSERT_EQ(Conv(shared), SPR_OK);
    int32_t w = 0, h = 0, x = 0, y = 0;
    ASSERT_EQ(api.get_sprt(shared.data(), 1, &w, &h), SPR_OK);
    ASSERT_EQ(api.get_sproff(shared.data(), 1, &x, &y), SPR_OK);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(x, 0);  // the entry keeps its own hot spot

    // Sprite 0's last four rows are a sprite of their own, whose data lies inside sprite 0's.
    const uint32_t data0 = Rd32(good, Entry(0)), end0 = data0 + Rd32(good, Entry(0) + 4);
    uint32_t row1 = data0;
    for (int x = 0; x < 7; row1 += 2 + good[row1 + 1]) x += good[row1] + good[row1 + 1];
    std::vector<uint8_t> inside = withEntry1([&](auto& b) {
        Wr32(b, Entry(1), row1);
        Wr32(b, Entry(1) + 4, end0 - row1);
        b[Entry(1) + 10] = 4;
    });
    EXPECT_EQ(Conv(inside), SPR_ERR_CORRUPT);
    std::vector<uint8_t> alone = inside;  // the same sprite without the first one is good
    std::copy_n(alone.begin() + long(Entry(1)), 12, alone.begin() + long(Entry(0)));
    EXPECT_EQ(Conv(alone), SPR_OK);

    std::vector<uint8_t> empty = good;
    Wr32(empty, Entry(1) + 4, 0);
    empty[Entry(1) + 8] = empty[Entry(1) + 9] = 0;  // width 0
    empty[Entry(1) + 10] = empty[Entry(1) + 11] = 0xFF;  // height 65535
    EXPECT_EQ(Conv(empty), SPR_OK);
    Wr32(empty, SPR_HDR_STATE, 0);
    Wr32(empty, Entry(1) + 4, 2);  // two bytes that no row can use
    EXPECT_EQ(Conv(empty), SPR_ERR_CORRUPT);
}

TEST_F(SprPlugin, FileKindsArgumentsAndTargetsAreChecked) {
    std::vector<uint8_t> bank = Encode(Three()), spw = Encode(Three(), SprFileKind::Spw);
    std::vector<uint16_t> pixels(16 * 8, 0x1234);
    SprTarget t{pixels.data(), 16, 8, 16, 16, 1, SprClip{0, 7, 15, 0}};
    EXPECT_EQ(api.aff_spr(&t, bank.data(), 0, 4, 4), SPR_ERR_NOTREADY);
    // Banks and SPW files are told apart by their magic.
    EXPECT_EQ(Conv(spw, SPR_KIND_BANK), SPR_ERR_NOTSPR);
    EXPECT_EQ(Conv(bank, SPR_KIND_SPW), SPR_ERR_NOTSPW);
    ASSERT_EQ(Conv(bank), SPR_OK);
    int32_t count = 0;
    ASSERT_EQ(api.get_nbspr(bank.data(), &count), SPR_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(api.aff_spr(&t, bank.data(), 0, 4, 4), SPR_ERR_FORMAT) << "palette not converted yet";
    ASSERT_EQ(api.conv_pal16(bank.data(), 1), SPR_OK);

    int32_t w, h;
    EXPECT_EQ(api.get_sprt(bank.data(), 3, &w, &h), SPR_ERR_INDEX);
    EXPECT_EQ(api.aff_spr(&t, bank.data(), -1, 4, 4), SPR_ERR_INDEX);
    EXPECT_EQ(api.aff_sprtrs(&t, bank.data(), 0, 4, 4, 257), SPR_ERR_PARAM);
    const SprTarget bad[] = {
        {nullptr, 16, 8, 16, 16, 1, t.clip},
        {pixels.data(), 16, 8, 15, 16, 1, t.clip},  // pitch below the width
        {pixels.data(), 16, 8, 16, 24, 1, t.clip},
    };
    for (const SprTarget& b : bad) EXPECT_EQ(api.aff_spr(&b, bank.data(), 0, 4, 4), SPR_ERR_TARGET);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint16_t p) { return p == 0x1234; }));
}

TEST_F(SprPlugin, DrawsStayInsideTheSurfaceWhateverTheClip) {
    const SprImage img = Three()[0];
    std::vector<uint8_t> bank = Encode({img});
    ASSERT_EQ(Conv(bank), SPR_OK);
    ASSERT_EQ(api.conv_pal16(bank.data(), 0), SPR_OK);
    for (int x : {-8, -2, 1, 8, 11, 13})
        for (int y : {-6, -1, 2, 4, 7, 9}) {
            GuardedTarget t(Fmt555(), 10, 6);
            const std::vector<uint32_t> before = t.All();
            const SprTarget target{t.surf.pixels, 10, 6, t.surf.pitch, 16, 0, SprClip{-100, 100, 100, -100}};
            ASSERT_EQ(api.aff_spr(&target, bank.data(), 0, x, y), SPR_OK);
            ASSERT_EQ(t.All(), Expected(t, before, img, x - 3, y - 2, ClipRect{0, 5, 9, 0},
                                        [](uint32_t, uint32_t s, uint32_t) { return s; }))
                << x << "," << y;
        }
}

TEST_F(SprPlugin, PaletteConversionToEachScreenFormatAndShadowing) {
    SprImage img;
    img.width = 4;
    img.height = 1;
    img.pixels = {0xFFFF8007, 0xFF000000, 0xFF08FC10, 0xFFFFFFFF};
    std::vector<uint8_t> bank = Encode({img});
    ASSERT_EQ(Conv(bank), SPR_OK);
    auto screen = [&](int i) { return Rd32(bank, SPR_OFS_SCREENPAL + 4 * size_t(i)); };

    ASSERT_EQ(api.conv_pal16(bank.data(), 1), SPR_OK);
    EXPECT_EQ(screen(0), (31u << 11) | (32u << 5) | 0u);  // ff 80 07
    EXPECT_EQ(screen(2), (1u << 11) | (63u << 5) | 2u);   // 08 fc 10
    EXPECT_EQ(screen(3), 0xFFFFu);
    ASSERT_EQ(api.conv_pal16(bank.data(), 0), SPR_OK);
    EXPECT_EQ(screen(0), (31u << 10) | (16u << 5) | 0u);
    EXPECT_EQ(screen(2), (1u << 10) | (31u << 5) | 2u);
    EXPECT_EQ(screen(3), 0x7FFFu);

    // Restoring needs a saved palette; shadowing keeps the current screen format.
    EXPECT_EQ(api.restore_pal(bank.data()), SPR_ERR_NOSAVE);
    ASSERT_EQ(api.conv_pal16(bank.data(), 1), SPR_OK);
    ASSERT_EQ(api.save_pal(bank.data()), SPR_OK);
    ASSERT_EQ(api.shadow_pal(bank.data(), 128), SPR_OK);
    EXPECT_EQ(screen(0), (15u << 11) | (16u << 5) | 0u);
    ASSERT_EQ(api.restore_pal(bank.data()), SPR_OK);
    EXPECT_EQ(screen(0), (31u << 11) | (32u << 5) | 0u);
}

}  // namespace
