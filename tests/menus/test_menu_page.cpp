// Tests of the menu page: building, operations by name, event polling, drawing and the backgrounds.
#include "MenuTestUtil.h"
#include "graphics2d/PixelFormat.h"
#include "menus/Mn_Menu.h"
#include "testdata/TgaWriter.h"

namespace {

uint16_t BackgroundPixel(CMnMenu& page, int x, int y) {
    return reinterpret_cast<const uint16_t*>(page.GetBackground().Row(y))[x];
}

}  // namespace

using MenuPageTest = MenuTest;

TEST_F(MenuPageTest, BuildersConfigureWidgetsInOrder) {
    float volume = 0.5f;
    CMnMenu page;
    EXPECT_EQ(page.GetBackground().width, 640);
    EXPECT_EQ(page.GetBackground().height, 480);
    EXPECT_EQ(page.GetBackground().format, window.GetPixelFormat());
    page.AddPicture("p_pic.spr", 320, 40);
    page.AddButton("b_one.spr", "Retour", 100, 400, 2);
    page.AddPlayerButton("b_two.spr", "Joueur 1", 200, 400, 3);
    page.AddAnimButton("a_anim.spr", "Jouer", 4, 300, 400, 4);
    page.AddSwitch("s_sw.spr", "Croix absente", "Croix visible", 400, 400, true, 5);
    page.AddMsgButton("b_msg.spr", "Effacer", 500, 400, true, 6);
    page.AddSlider("slider", "Volume", 320, 240, &volume, 7);

    const auto& w = page.GetWidgets();
    ASSERT_EQ(w.size(), 7u);
    std::vector<std::string> names;
    for (const auto& x : w) names.push_back(x->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"p_pic.spr", "b_one.spr", "b_two.spr", "a_anim.spr", "s_sw.spr",
                                               "b_msg.spr", "slider"}));
    auto* button = dynamic_cast<CMnSprWidget*>(w[1].get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetText(), "Retour");
    EXPECT_EQ(button->GetLeft(), 80);
    EXPECT_EQ(button->GetBottom(), 410);
    auto* sw = dynamic_cast<CMnSwitch*>(w[4].get());
    ASSERT_NE(sw, nullptr);
    EXPECT_TRUE(sw->GetState());
    EXPECT_EQ(sw->GetText(), "Croix absente");
    auto* msg = dynamic_cast<CMnMsgButton*>(w[5].get());
    ASSERT_NE(msg, nullptr);
    EXPECT_TRUE(msg->IsToggled());

    // Each widget reports its own code; the slider reacts between x - 75 and x + 60.
    const std::pair<int, int> at[] = {{100, 400}, {200, 400}, {300, 400}, {400, 400}, {500, 400}, {246, 235}};
    for (int i = 0; i < 6; ++i) {
        Mouse(at[i].first, at[i].second, true, true);
        EXPECT_EQ(page.PollEvent(), i + 2) << i;
        EXPECT_EQ(MouseClickFlags.click, 0);
    }
    EXPECT_LT(volume, 0.01f);
    Mouse(245, 235, true);
    MouseClickFlags.held = 0;
    page.PollEvent();  // ends the drag
    Mouse(245, 235, true);
    EXPECT_EQ(page.PollEvent(), MN_EVENT_EMPTY_CLICK);
    Mouse(379, 228, true, true);
    EXPECT_EQ(page.PollEvent(), 7);
    EXPECT_EQ(volume, 1.0f);
}

TEST_F(MenuPageTest, ClicksOnTheFirstWidgetOnlyAndOnEmptyAreas) {
    CMnMenu page;
    page.AddMsgButton("b_msg.spr", "Premier", 100, 100, false, 11);
    page.AddMsgButton("b_msg.spr", "Second", 110, 100, false, 12);
    Mouse(105, 100, true);
    EXPECT_EQ(page.PollEvent(), 11);
    auto* second = dynamic_cast<CMnMsgButton*>(page.GetWidgets()[1].get());
    EXPECT_FALSE(second->IsToggled()) << "the later widget is not updated in that pass";
    Mouse(125, 100, true);
    EXPECT_EQ(page.PollEvent(), 12);
    EXPECT_TRUE(second->IsToggled());

    Mouse(600, 20, true);
    EXPECT_EQ(page.PollEvent(), MN_EVENT_EMPTY_CLICK);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(page.PollEvent(), 0);
    Mouse(105, 100);
    EXPECT_EQ(page.PollEvent(), 0);
}

TEST_F(MenuPageTest, OperationsByNameActOnTheFirstMatch) {
    CMnMenu page;
    page.AddButton("b_one.spr", "A", 100, 100, 1);
    page.AddButton("b_one.spr", "B", 300, 100, 2);
    page.AddAnimButton("a_anim.spr", "C", 4, 500, 100, 3);
    const auto& w = page.GetWidgets();

    page.DisableAll();
    for (const auto& x : w) EXPECT_FALSE(x->IsEnabled());
    page.EnableWidget("b_one.spr");
    EXPECT_TRUE(w[0]->IsEnabled());
    EXPECT_FALSE(w[1]->IsEnabled());
    page.EnableAll();
    page.HideWidget("b_one.spr");
    EXPECT_FALSE(w[0]->IsVisible());
    EXPECT_TRUE(w[1]->IsVisible());
    page.ShowWidget("b_one.spr");
    EXPECT_TRUE(w[0]->IsVisible());
    page.SetWidgetText("b_one.spr", "Nouveau");
    EXPECT_EQ(w[0]->GetText(), "Nouveau");
    EXPECT_EQ(w[1]->GetText(), "B");
    page.MoveWidget("b_one.spr", 5, -7);
    EXPECT_EQ(w[0]->GetX(), 105);
    EXPECT_EQ(w[0]->GetY(), 93);
    EXPECT_EQ(w[1]->GetX(), 300);

    // The hit rectangle is the widget's own: moving does not move it, SetWidgetRect does.
    page.SetWidgetRect("b_one.spr", 0, 0, 50, 50);
    Mouse(25, 25, true);
    EXPECT_EQ(page.PollEvent(), 1);
    page.SetWidgetAnimate("a_anim.spr", true);
    Mouse(10, 470);
    Tick();
    page.Draw();
    EXPECT_EQ(dynamic_cast<CMnAnimButton*>(w[2].get())->GetFrame(), 1);

    // Unknown names change nothing.
    page.HideWidget("b_none.spr");
    page.MoveWidget("B_ONE.SPR", 50, 50);
    page.SetWidgetText("b_one.spr ", "x");
    page.EnableWidget("");
    for (const auto& x : w) EXPECT_TRUE(x->IsVisible());
    EXPECT_EQ(w[0]->GetX(), 105);
    EXPECT_EQ(w[0]->GetText(), "Nouveau");
}

TEST_F(MenuPageTest, MissingBankIsWarnedAndThePageStillBuilds) {
    CMnMenu page;
    page.AddButton("b_missing.spr", "Rien", 100, 100, 8);
    page.AddButton("b_one.spr", "Retour", 300, 100, 2);
    char path[ORV_PATH_MAX];
    build_path_sprmenu(path, "b_missing.spr");
    EXPECT_TRUE(Logged(std::string("OrvSpr_LoadBank(): fichier non trouvé: ") + path));
    ASSERT_EQ(page.GetWidgets().size(), 2u);
    lines.clear();
    Mouse(100, 100, true);
    EXPECT_EQ(page.PollEvent(), MN_EVENT_EMPTY_CLICK);
    Mouse(100, 100);
    FrameCount = 0;
    page.Draw();
    FrameCount = 20;
    page.Draw();
    EXPECT_TRUE(lines.empty()) << lines.front();
    EXPECT_EQ(At(300, 100), Pix565(kArt[0]));
}

TEST_F(MenuPageTest, DrawCopiesTheBackgroundThenTheWidgetsAndUsesTheFrame) {
    CMnMenu page;
    auto& bg = page.GetBackground();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) reinterpret_cast<uint16_t*>(bg.Row(y))[x] = uint16_t(x * 7 + y);
    page.AddAnimButton("a_anim.spr", "Jouer", 4, 320, 240, 1);
    Mouse(320, 240);
    Tick();
    page.Draw();
    EXPECT_EQ(NewFrameFlags & NEWFRAME_MENU, 0u);
    EXPECT_NE(NewFrameFlags & NEWFRAME_MAIN, 0u);
    EXPECT_EQ(At(5, 6), uint16_t(5 * 7 + 6));
    EXPECT_EQ(At(320, 240), Pix565(kArt[1]));
    page.Draw();  // no new frame since the last drawing: the animation holds
    EXPECT_EQ(At(320, 240), Pix565(kArt[1]));
}

TEST_F(MenuPageTest, LoadBackgroundConvertsAndReportsBadPictures) {
    TgaImage tga;
    tga.width = 4;
    tga.height = 2;
    tga.bitsPerPixel = 24;
    tga.pixels = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF808080, 0xFF102030, 0xFFFFFF00};
    ASSERT_TRUE(TgaWriter_Save(dir / "spr/menu/fond.tga", tga));
    CMnMenu page;
    page.LoadBackground("fond.tga");
    const CPixelFormat pf = page.GetBackground().format;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(BackgroundPixel(page, x, y), PackColor(pf, tga.pixels[size_t(y * 4 + x)])) << x << "," << y;
    EXPECT_EQ(BackgroundPixel(page, 4, 0), 0) << "a smaller picture fills the common rectangle only";

    page.LoadBackground("absent.tga");
    char path[ORV_PATH_MAX];
    build_path_sprmenu(path, "absent.tga");
    EXPECT_TRUE(Logged(std::string("void CMnMenu::LoadTga(const string&,CSystemMemorySurface&) ERROR: "
                                   "impossible de trouver le fichier ") + path));
    OrvError_ResetForTests();

    TgaImage pal;
    pal.width = 2;
    pal.height = 1;
    pal.type = 1;
    pal.bitsPerPixel = 8;
    pal.pixels = {0, 1};
    pal.palette = {0xFF000000, 0xFFFFFFFF};
    ASSERT_TRUE(TgaWriter_Save(dir / "spr/menu/pal.tga", pal));
    page.LoadBackground("pal.tga");
    build_path_sprmenu(path, "pal.tga");
    EXPECT_TRUE(Logged(std::string("ERROR: la TGA ") + path + " est au format paletté."));
    OrvError_ResetForTests();

    ASSERT_TRUE(WriteFileText(dir / "spr/menu/court.tga", "TGA?"));
    page.LoadBackground("court.tga");
    EXPECT_TRUE(Logged("fichier TGA illisible"));
    EXPECT_EQ(BackgroundPixel(page, 0, 0), PackColor(pf, 0xFFFF0000)) << "a failed load leaves the page as it was";
}

TEST_F(MenuPageTest, CopyBackgroundHalvesOnA640Screen) {
    CSystemMemorySurface shot;
    ASSERT_TRUE(shot.Create(640, 480, window.GetPixelFormat()));
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) reinterpret_cast<uint16_t*>(shot.Row(y))[x] = x < 320 ? 0xFFFF : 0x0821;
    CMnMenu page;
    page.CopyBackground(shot);
    EXPECT_EQ(BackgroundPixel(page, 0, 0), 0x7BEF);
    EXPECT_EQ(BackgroundPixel(page, 639, 479), 0x0000);  // 1 in each channel halves to 0
    EXPECT_EQ(BackgroundPixel(page, 319, 200), 0x7BEF);

    // A smaller source: the rest stays black.
    CSystemMemorySurface small;
    ASSERT_TRUE(small.Create(10, 10, window.GetPixelFormat()));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) reinterpret_cast<uint16_t*>(small.Row(y))[x] = 0xFFFF;
    page.CopyBackground(small);
    EXPECT_EQ(BackgroundPixel(page, 9, 9), 0x7BEF);
    EXPECT_EQ(BackgroundPixel(page, 10, 9), 0);
    EXPECT_EQ(BackgroundPixel(page, 9, 10), 0);
}

TEST_F(MenuPageTest, CopyBackgroundIsBlackOnAn800Screen) {
    OrvSpr_SetSurfaceInfo(nullptr);
    OrvDisplay_UnlockSurface();
    OrvDisplay_Close();
    window.Close();
    window.Open(800, 600, false);
    ASSERT_TRUE(OrvDisplay_Init(&window));
    OrvDisplay_EnableRenderWarp800(0, "test");
    ASSERT_TRUE(OrvDisplay_LockSurface());

    CMnMenu page;
    EXPECT_EQ(page.GetBackground().width, 640) << "the menus draw in the 640x480 frame";
    CSystemMemorySurface shot;
    ASSERT_TRUE(shot.Create(640, 480, window.GetPixelFormat()));
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) reinterpret_cast<uint16_t*>(shot.Row(y))[x] = 0xFFFF;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) reinterpret_cast<uint16_t*>(page.GetBackground().Row(y))[x] = 0x1234;
    page.CopyBackground(shot);
    EXPECT_EQ(BackgroundPixel(page, 0, 0), 0);
    EXPECT_EQ(BackgroundPixel(page, 639, 479), 0);

    // Tooltips keep inside the 640 frame, not the 800 screen.
    const std::string text = "Quitter le jeu maintenant";
    page.AddButton("b_one.spr", text, 630, 300, 1);
    OrvSpr_SetSurfaceInfo(OrvDisplay_GetRenderSurface());
    Mouse(630, 300);
    FrameCount = 0;
    page.Draw();
    FrameCount = 11;
    page.Draw();
    int right = -1;
    for (int y = 280; y < 300; ++y)
        for (int x = 0; x < 640; ++x)
            if (At(x, y) == 0xFFFF) right = std::max(right, x);
    EXPECT_GT(right, 620);
    EXPECT_LE(right, 639);
}
