// Tests of the credits slideshow: "Credits.txt", page layout, timing, cross-fades, backgrounds and its end.
#include "MenuFlowUtil.h"
#include "testdata/MenuTextWriter.h"
#include "testdata/TgaWriter.h"

namespace {

uint16_t Pack565(uint32_t r, uint32_t g, uint32_t b) { return uint16_t((r & 0xF8) << 8 | (g & 0xF8) << 3 | b >> 3); }

}  // namespace

class CreditsTest : public MenuFlowTest {
protected:
    void SetUp() override {
        MenuFlowTest::SetUp();
        UseInstall(own);
    }
    // Pictures of one colour each, named "bgN.tga"; the frame is sampled inside them, left of the text.
    std::vector<std::string> Backgrounds(const std::vector<uint32_t>& colours) {
        std::vector<std::string> names;
        for (size_t i = 0; i < colours.size(); ++i) {
            TgaImage tga;
            tga.width = 8;
            tga.height = 8;
            tga.type = 10;
            tga.bitsPerPixel = 24;
            tga.pixels.assign(64, colours[i]);
            names.push_back("bg" + std::to_string(i) + ".tga");
            EXPECT_TRUE(TgaWriter_Save(Data().Path() + "spr/menu/" + names.back(), tga));
        }
        return names;
    }
    void Credits(const std::string& text) { ASSERT_TRUE(WriteFileText(own / "loc/Credits.txt", text)); }
    // One pass of the slideshow into the locked render surface.
    void Show(CMnMenu& page) {
        ASSERT_TRUE(OrvDisplay_LockSurface());
        page.Draw();
        OrvDisplay_UnlockSurface();
    }
    TempDir own;
};

TEST_F(CreditsTest, LinesAreLaidOutFromTheMarginAndHashLinesCentred) {
    Credits("; outside\r\nstray line\r\n\r\n[BeginPage]\r\nTitle\r\n\r\n#Name\r\n; shown\r\n[EndPage]\r\n");
    CMnMenu page;
    page.OrvMenu_LoadCredits(Backgrounds({0xFF000000}), "Credits.txt", 405);
    EXPECT_TRUE(Logged("CREDITS SCRIPT ERROR: ligne incorrecte : stray line"));
    ASSERT_EQ(page.GetCreditPageCount(), 1u);
    const auto& labels = page.GetCreditPage(0);
    ASSERT_EQ(labels.size(), 3u);

    OrvFont_PrintBegin(nullptr, "OrvFT_POPUP", 0xFFFFFF);
    const int32_t h = OrvFont_GetHeight();
    OrvTextSize size;
    OrvFont_GetTextSize(" Name", 5, size);
    OrvFont_PrintEnd();
    EXPECT_EQ(labels[0]->GetX(), 405);
    EXPECT_EQ(labels[0]->GetY(), 0);
    EXPECT_EQ(labels[1]->GetText(), " Name");
    EXPECT_EQ(labels[1]->GetX(), (640 - 405) / 2 - size.cx / 2 + 405);
    EXPECT_EQ(labels[1]->GetY(), 2 * h);
    EXPECT_EQ(labels[2]->GetText(), "; shown");
}

TEST_F(CreditsTest, PagesShowFiveSecondsThenFadeForTwoOverTheirBackgroundsInTurn) {
    std::vector<uint32_t> colours = {0xFFFFFFFF, 0xFF000000};
    for (uint32_t i = 2; i < 16; ++i) colours.push_back(0xFF000000 | i * 0x0F0000 | (255 - i * 8) << 8 | i * 4);
    std::vector<std::vector<std::string>> pages(20, std::vector<std::string>{"x"});
    Credits(CreditsTxt_Make(pages));
    CTManualClock clock(50.0);
    CMnMenu page;
    page.OrvMenu_LoadCredits(Backgrounds(colours), "Credits.txt", 405);
    ASSERT_EQ(page.GetCreditPageCount(), 20u);

    // White page 0, then into black page 1.
    Show(page);
    clock.Advance(4.99);
    Show(page);
    EXPECT_EQ(At(3, 5), Pack565(254, 254, 254));
    clock.Advance(1.01);  // 6.0 s: alpha 127, so 255 x 128 / 256
    Show(page);
    EXPECT_EQ(At(3, 5), Pack565(127, 127, 127));
    clock.Advance(1.5);
    Show(page);
    EXPECT_EQ(At(3, 5), 0) << "fully faded into the next page";
    EXPECT_EQ(page.PollEvent(), 0);

    // Page 16 takes the first background again.
    while (page.GetCreditPageIndex() < 17) {
        clock.Advance(7.0);
        Show(page);
        Show(page);
    }
    EXPECT_EQ(At(3, 5), Pack565(254, 254, 254));

    // After the last page, black, then the end.
    for (int i = 0; i < 12 && !page.IsSlideshowFinished(); ++i) {
        clock.Advance(7.0);
        Show(page);
    }
    EXPECT_TRUE(page.IsSlideshowFinished());
    EXPECT_EQ(At(3, 5), 0);
    EXPECT_EQ(page.PollEvent(), MN_EVENT_CREDITS_OVER);
    KeyboardState.lastKey = 0x1C;
    KeyboardState.keys[0x1C] = 0x80;
    EXPECT_EQ(page.PollEvent(), MN_EVENT_CREDITS_STOP);
}

TEST_F(CreditsTest, FaultyScriptsEndTheSlideshowCleanly) {
    CMnMenu missing;
    missing.OrvMenu_LoadCredits({}, "Credits.txt", 405);
    EXPECT_TRUE(Logged("void OrvFont_MainInit(void) ERREUR: le fichier \"Credits.txt\" est introuvalbe"));
    EXPECT_EQ(missing.PollEvent(), MN_EVENT_CREDITS_OVER);
    OrvError_ResetForTests();

    Credits("[BeginPage]\r\nOne\r\n[EndPage]\r\n[BeginPage]\r\nTwo\r\n");
    CMnMenu open;
    open.OrvMenu_LoadCredits({}, "Credits.txt", 405);
    EXPECT_TRUE(Logged("CREDITS SCRIPT ERROR: fin de fichier inattendue!"));
    OrvError_ResetForTests();

    Credits("; nothing here\r\n");
    CMnMenu none;
    none.OrvMenu_LoadCredits({"bg_absent.tga"}, "Credits.txt", 405);
    Show(none);
    EXPECT_EQ(none.PollEvent(), MN_EVENT_CREDITS_OVER) << "a file without pages ends at once";
    OrvError_ResetForTests();

    // Without backgrounds the pages show over black.
    CTManualClock clock(0.0);
    Credits(CreditsTxt_Make({{"#Centre"}}));
    CMnMenu plain;
    plain.OrvMenu_LoadCredits({}, "Credits.txt", 405);
    window.GetBackBuffer().Clear(0x1234);
    Show(plain);
    EXPECT_EQ(At(10, 470), 0);
    int white = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 405; x < 640; ++x) white += At(x, y) == Pack565(254, 254, 254);
    EXPECT_GT(white, 0) << "the label is drawn on the picture";
}
