// The canoe's frames: golden pictures in 5-6-5 and 5-5-5 of the canoe partly behind a bank and of a
// carried piece, and a carried piece with its stone following the cursor to every edge of the screen.
#include <cstring>

#include "tests/puzzles/CanoeFixture.h"

namespace {

// The frames' checksums. To regenerate them after a change of the rasterisers or of the generated canoe,
// run the tests with QM_PRINT_GOLDENS=1 and copy the printed values here.
struct Golden {
    const char* name;
    bool is555;
    uint64_t frame;
};
constexpr Golden kGoldens[] = {
    {"bank", false, 0xc12e017185e18cc1ull},
    {"bank", true, 0x42ecb0dcb6ef5784ull},
    {"carried", false, 0x5c83eedaadc34a75ull},
    {"carried", true, 0x573086b8c2ef6835ull},
};
// The canoe's place on the solved board where the near bank hides a part of it.
constexpr int32_t kBehindBank = 52;

class CanoeRender : public CanoeTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam()) setenv("QM_PIXEL555", "1", 1);
        else unsetenv("QM_PIXEL555");
        CanoeTest::SetUp();
    }
    void TearDown() override {
        CanoeTest::TearDown();
        unsetenv("QM_PIXEL555");
    }
    // The solved board on the canoe's screen, the cursor off the board.
    void Board() {
        Start();
        ASSERT_TRUE(StartCanoe());
        Solve();
        MoveTo(630, 470);
        Pass();
    }
    static uint64_t Checksum() {
        EXPECT_TRUE(OrvDisplay_LockSurface());
        const CSurface& s = *OrvDisplay_GetRenderSurface();
        uint64_t h = 1469598103934665603ull;
        for (int y = 0; y < s.height; ++y) {
            const uint8_t* row = s.Row(y);
            for (int i = 0; i < s.width * 2; ++i) h = (h ^ row[i]) * 1099511628211ull;
        }
        OrvDisplay_UnlockSurface();
        return h;
    }
    void ExpectGolden(const char* name) {
        const uint64_t sum = Checksum();
        if (std::getenv("QM_PRINT_GOLDENS"))
            std::printf("golden %s %s: 0x%016llxull\n", name, GetParam() ? "5-5-5" : "5-6-5", (unsigned long long)sum);
        for (const Golden& g : kGoldens)
            if (g.is555 == GetParam() && std::strcmp(g.name, name) == 0) EXPECT_EQ(sum, g.frame) << name << std::hex << sum;
    }
    // Pixels that differ between two presented frames.
    static size_t Changed(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        size_t n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); i++) n += a[i] != b[i];
        return n;
    }
    std::vector<uint32_t> Frame() {
        Pass();
        return window.GetPresentedFrame();
    }
    static uint32_t Depth2(int x, int y) { return reinterpret_cast<const uint32_t*>(Orv3D_zbuf2.Row(y))[x]; }
};

TEST_P(CanoeRender, TheCanoePartlyBehindABankMatchesItsGoldenPicture) {
    Board();
    index_trajet = kBehindBank;
    place_pirogue();
    const std::vector<uint32_t> shown = Frame();
    ExpectGolden("bank");
    // Without the canoe, and without the ground's depth: the canoe is seen, and a part of it was hidden.
    Orv3DDataBase& canoe = current_anim_perso->db;
    const CTVector3 at = canoe.root.GetPosition(nullptr);
    canoe.root.SetPosition(nullptr, {-5000.0f, -5000.0f, 0.0f});
    const std::vector<uint32_t> gone = Frame();
    canoe.root.SetPosition(nullptr, at);
    zbuffer_sol.Lock(0);
    for (int y = 0; y < zbuffer_sol.height; y++) std::memset(zbuffer_sol.Row(y), 0, size_t(zbuffer_sol.width) * 4);
    zbuffer_sol.Unlock();
    const std::vector<uint32_t> bare = Frame();
    EXPECT_GT(Changed(shown, gone), 200u);
    EXPECT_GT(Changed(shown, bare), 60u);
    // The piece under the cursor is drawn half transparent.
    MoveTo(pirogue_plateau[4].x + PIROGUE_ANCRE_X, pirogue_plateau[4].y + PIROGUE_ANCRE_Y);
    EXPECT_GT(Changed(Frame(), bare), 10000u);
    MoveTo(630, 470);
    // The ground's depth comes back when a piece is put down.
    ClickCell(4);
    ClickCell(4);
    MoveTo(630, 470);
    index_trajet = kBehindBank;
    place_pirogue();
    EXPECT_EQ(Frame(), shown);
    EXPECT_EQ(Reports(), "");
}

TEST_P(CanoeRender, ACarriedPieceAndItsStoneFollowTheCursorToEveryEdge) {
    Board();
    // Piece 3 and its stone in hand.
    ClickCell(3);
    ASSERT_EQ(piece_en_main, 12);
    MoveTo(200, 380);
    const std::vector<uint32_t> carried = Frame();
    ExpectGolden("carried");
    EXPECT_NE(Depth2(200, 380), 0u);
    pirogue_pierres[1].shown = 0;
    EXPECT_GT(Changed(Frame(), carried), 20u);
    pirogue_pierres[1].shown = 1;
    std::vector<uint32_t> last = carried;
    for (auto [x, y] : {std::pair{0, 0}, {320, 0}, {639, 0}, {639, 240}, {639, 479}, {320, 479}, {0, 479}, {0, 240}}) {
        MoveTo(x, y);
        const std::vector<uint32_t> f = Frame();
        EXPECT_EQ(OrvWarp_Cursor.x, x);
        EXPECT_EQ(OrvWarp_Cursor.y, y);
        EXPECT_NE(Depth2(x, y), 0u) << x << "," << y;
        EXPECT_GT(Changed(f, last), 1000u) << x << "," << y;
        last = f;
    }
    // Put back where it came from.
    ClickAt(630, 470);
    EXPECT_EQ(piece_en_main, -1);
    EXPECT_EQ(pirogue_plateau[3].code, 12);
    EXPECT_EQ(Reports(), "");
}

INSTANTIATE_TEST_SUITE_P(PixelFormats, CanoeRender, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "x555" : "x565"; });

}  // namespace
