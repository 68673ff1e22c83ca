// Tests of the menu page: building, operations by name, event polling and drawing.
#include "MenuTestUtil.h"
#include "app/Orv_Mem.h"
#include "menus/Mn_Menu.h"

using MenuPageTest = MenuTest;

TEST_F(MenuPageTest, BuiltWidgetsReportTheirCodesAndDrawOverTheBackground) {
    float volume = 0.5f;
    CMnMenu page;
    auto& bg = page.GetBackground();
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) reinterpret_cast<uint16_t*>(bg.Row(y))[x] = uint16_t(x * 7 + y);
    page.AddPicture("p_pic.spr", 320, 40);
    page.AddButton("b_one.spr", "Retour", 100, 400, 2);
    page.AddPlayerButton("b_two.spr", "Joueur 1", 200, 400, 3);
    page.AddAnimButton("a_anim.spr", "Jouer", 4, 300, 400, 4);
    page.AddSwitch("s_sw.spr", "Croix absente", "Croix visible", 400, 400, true, 5);
    page.AddMsgButton("b_msg.spr", "Effacer", 500, 400, true, 6);
    page.AddSlider("slider", "Volume", 320, 240, &volume, 7);
    const auto& w = page.GetWidgets();
    std::vector<std::string> names;
    for (const auto& x : w) names.push_back(x->GetName());
    EXPECT_EQ(names, (std::vector<std::string>{"p_pic.spr", "b_one.spr", "b_two.spr", "a_anim.spr", "s_sw.spr",
                                               "b_msg.spr", "slider"}));
    EXPECT_TRUE(dynamic_cast<CMnSwitch&>(*w[4]).GetState());
    EXPECT_TRUE(dynamic_cast<CMnMsgButton&>(*w[5]).IsToggled());

    // Each widget reports its own code and the page consumes the click; the slider reacts from x - 75.
    const std::pair<int, int> at[] = {{100, 400}, {200, 400}, {300, 400}, {400, 400}, {500, 400}, {246, 235}};
    for (int i = 0; i < 6; ++i) {
        Mouse(at[i].first, at[i].second, true, true);
        EXPECT_EQ(page.PollEvent(), i + 2) << i;
        EXPECT_EQ(MouseClickFlags.click, 0);
    }
    EXPECT_LT(volume, 0.01f);
    Mouse(245, 235, true);
    page.PollEvent();  // ends the drag
    Mouse(245, 235, true);
    EXPECT_EQ(page.PollEvent(), MN_EVENT_EMPTY_CLICK);
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(page.PollEvent(), 0);

    // Drawing copies the background, then the widgets, and uses up the menu's new frame.
    Mouse(300, 400);
    Tick();
    page.Draw();
    EXPECT_EQ(NewFrameFlags & NEWFRAME_MENU, 0u);
    EXPECT_NE(NewFrameFlags & NEWFRAME_MAIN, 0u);
    EXPECT_EQ(At(5, 6), uint16_t(5 * 7 + 6));
    EXPECT_EQ(At(300, 400), Pix565(kArt[1]));
    page.Draw();  // no new frame since the last drawing: the animation holds
    EXPECT_EQ(At(300, 400), Pix565(kArt[1]));
}

TEST_F(MenuPageTest, ClicksGoToTheFirstWidgetOnly) {
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
}

TEST_F(MenuPageTest, OperationsByNameActOnTheFirstMatch) {
    CMnMenu page;
    page.AddButton("b_one.spr", "A", 100, 100, 1);
    page.AddButton("b_one.spr", "B", 300, 100, 2);
    page.AddAnimButton("a_anim.spr", "C", 4, 500, 100, 3);
    const auto& w = page.GetWidgets();

    page.DisableAll();
    page.EnableWidget("b_one.spr");
    EXPECT_TRUE(w[0]->IsEnabled());
    EXPECT_FALSE(w[1]->IsEnabled());
    page.EnableAll();
    page.HideWidget("b_one.spr");
    EXPECT_FALSE(w[0]->IsVisible());
    EXPECT_TRUE(w[1]->IsVisible());
    page.ShowWidget("b_one.spr");
    page.SetWidgetText("b_one.spr", "Nouveau");
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

TEST_F(MenuPageTest, BackgroundsShorterThanTheirHeaderAreRefusedBeforeAnyAllocation) {
    // 65535 x 65535 pixels of 32 bits announced, none given: 16 GiB if taken at its word.
    uint8_t header[18] = {0, 0, 2};
    header[12] = header[13] = header[14] = header[15] = 0xFF;
    header[16] = 32;
    ASSERT_TRUE(WriteFileBytes(dir / "spr/menu/f_vide.tga", header, sizeof header));
    const int64_t peak = mem_stats().peakBytes;
    CMnMenu page;
    page.LoadBackground("f_vide.tga");
    EXPECT_TRUE(Logged("fichier TGA illisible"));
    EXPECT_LT(mem_stats().peakBytes, peak + (int64_t(64) << 20));
}
