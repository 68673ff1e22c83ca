// The canoe's frames: golden pictures in 5-6-5 and 5-5-5 of the canoe partly behind a bank and of a
// carried piece, and a carried piece with its stone following the cursor to every edge of the screen.
#include <cstring>

#include "tests/puzzles/CanoeFixture.h"

namespace {

// The canoe's place on the solved board where the near bank hides a part of it.
constexpr int32_t kBehindBank = 52;

class CanoeRender : public InPixelFormat<CanoeTest> {
protected:
    // The solved board on the canoe's screen, the cursor off the board.
    void Board() {
        Start();
        ASSERT_TRUE(StartCanoe());
        Solve();
        MoveTo(630, 470);
        Pass();
    }
    uint64_t Shown() {
        EXPECT_TRUE(OrvDisplay_LockSurface());
        const uint64_t sum = Checksum(*OrvDisplay_GetRenderSurface());
        OrvDisplay_UnlockSurface();
        return sum;
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
    ExpectGolden("bank", Shown(), 0xc12e017185e18cc1ull, 0x42ecb0dcb6ef5784ull);
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
    ExpectGolden("carried", Shown(), 0x5c83eedaadc34a75ull, 0x573086b8c2ef6835ull);
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

INSTANTIATE_TEST_SUITE_P(PixelFormats, CanoeRender, ::testing::Values(false, true), PixelFormatName);

}  // namespace
