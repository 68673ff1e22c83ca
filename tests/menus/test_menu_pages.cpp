// Tests of the page builders: widgets, order, texts, positions, event codes and the save list.
#include "MenuFlowUtil.h"
#include "app/Cpu.h"

namespace {

std::vector<std::string> Names(const CMnMenu& page) {
    std::vector<std::string> out;
    for (const auto& w : page.GetWidgets()) out.push_back(w->GetName());
    return out;
}

// The code the page reports for a click at (x, y).
int32_t ClickCode(CMnMenu& page, int x, int y) {
    MousePosition.x = x;
    MousePosition.y = y;
    MouseClickFlags.click = 1;
    MouseClickFlags.held = 1;
    const int32_t code = page.PollEvent();
    MouseClickFlags.held = 0;
    page.PollEvent();  // ends a drag
    return code;
}

}  // namespace

using MenuPagesTest = MenuFlowTest;

TEST_F(MenuPagesTest, MainPageWidgetsOrderTextsAndCodes) {
    OrvMenu_BuildMainPage();
    CMnMenu& page = *Page();
    EXPECT_EQ(Names(page), (std::vector<std::string>{"a_load.spr", "a_save.spr", "c_opt.spr", "c_son.spr",
                                                     "c_load.spr", "a_exit.spr", "a_toolbx.spr", "a_baffle.spr",
                                                     "a_disc.spr", "c_yn.spr", "b_oui.spr", "b_non.spr"}));
    for (const char* hidden : {"a_load.spr", "a_save.spr", "c_yn.spr", "b_oui.spr", "b_non.spr"})
        EXPECT_FALSE(Widget(hidden)->IsVisible()) << hidden;
    EXPECT_EQ(Widget("a_save.spr")->GetText(), Text(MENU_TXT_MAIN, 6));
    EXPECT_EQ(ClickCode(page, 600, 440), MN_EV_QUIT);
    EXPECT_EQ(ClickCode(page, 550, 80), MN_EV_OPTIONS);
    EXPECT_EQ(ClickCode(page, 390, 250), MN_EV_SOUND);
    EXPECT_EQ(ClickCode(page, 71, 309), MN_EV_LOAD);
    EXPECT_EQ(ClickCode(page, 320, 240), MN_EV_EMPTY) << "the panels report nothing";
}

TEST_F(MenuPagesTest, PlayerPageButtonsAndItsQuestionTexts) {
    OrvMenu_BuildPlayerPage();
    CMnMenu& page = *Page();
    EXPECT_EQ(Title(), Text(MENU_TXT_PLAYER, 0));
    const int at[5][2] = {{277, 146}, {335, 133}, {395, 129}, {453, 138}, {504, 171}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ClickCode(page, at[i][0], at[i][1]), MN_EV_PLAYER0 + i);
        EXPECT_EQ(page.GetWidgets()[size_t(2 + i)]->GetText(), Text(MENU_TXT_PLAYER, 2 + i));
    }
    EXPECT_EQ(Widget("b_oui.spr")->GetText(), Text(MENU_TXT_MAIN, 7));
}

TEST_F(MenuPagesTest, OptionsAndSoundPagesFollowTheSettings) {
    g_Config.subtitles = 0;
    g_Config.centreCross = 1;
    g_Config.invertLook = 5;
    OrvMenu_BuildOptionsPage();
    EXPECT_FALSE(dynamic_cast<CMnSwitch*>(Widget("s_sub.spr"))->GetState());
    EXPECT_TRUE(dynamic_cast<CMnSwitch*>(Widget("s_cross.spr"))->GetState());
    EXPECT_TRUE(dynamic_cast<CMnSwitch*>(Widget("s_xyinv.spr"))->GetState());
    const bool mmx = (GetCPUFeatureFlags() & CPU_FEATURE_MMX) != 0;
    EXPECT_EQ(Page()->GetWidgets().size(), mmx ? 5u : 4u) << "the screen-size button needs MMX";

    OrvMenu_BuildSoundPage();
    CMnMenu& page = *Page();
    // Each slider reacts from 10 pixels before its track and reports its own code.
    const struct {
        const char* name;
        int x, y, code;
        float* value;
    } sliders[] = {{"MasterVolume", 351, 134, MN_EV_MASTER, &MenuState.masterSlider},
                   {"MusicVolume", 226, 209, MN_EV_MUSIC, &MenuState.musicSlider},
                   {"DialogVolume", 376, 284, MN_EV_DIALOG, &MenuState.dialogSlider},
                   {"FxVolume", 276, 359, MN_EV_EFFECTS, &MenuState.effectsSlider}};
    for (const auto& s : sliders) {
        *s.value = 0.5f;
        EXPECT_EQ(ClickCode(page, s.x, s.y), s.code) << s.name;
        EXPECT_EQ(*s.value, 0.0f) << s.name;
    }
    EXPECT_EQ(ClickCode(page, 440, 230), MN_EV_EMPTY) << "the pictures only animate";
}

TEST_F(MenuPagesTest, SaveListListsThePlayersSavesNewestFirstWithItsScrollBar) {
    for (int slot = 0; slot < 7; ++slot) game.saves[1][slot * 10] = {FakeGame::At(8 + slot), slot};
    game.saves[2][50] = {FakeGame::At(20), 0};
    CMnMenu page;
    ST_listbox_item target;
    EXPECT_EQ(page.AddSaveList("save.spr", "Listbox", 108, 129, 420, 300, &target, 1), 7);
    EXPECT_EQ(game.savePlayer, 1);
    ASSERT_EQ(Names(page), (std::vector<std::string>{"save.spr", "Glisse"}));
    auto* list = dynamic_cast<CMnListBox*>(page.GetWidgets()[0].get());
    EXPECT_EQ(list->GetItems().front().slot, 60);
    EXPECT_EQ(list->GetItems().back().slot, 0);

    // The scroll bar reacts around its track origin (518, 173); the track is 200 long and moves the list
    // through the shared value.
    ClickCode(page, 518, 373);
    EXPECT_EQ(*list->GetScrollPtr(), 1.0f);
    EXPECT_EQ(list->FirstVisible(), 2);
    ClickCode(page, 518, 173);
    EXPECT_EQ(list->FirstVisible(), 0);
    EXPECT_EQ(ClickCode(page, 138, 129 + 4 * 60 + 30), MN_EVENT_SAVELIST);
    EXPECT_EQ(target.slot, 20);

    CMnMenu empty;
    EXPECT_EQ(empty.AddSaveList("save.spr", "Listbox", 108, 129, 420, 300, &target, 4), 0);
    EXPECT_EQ(ClickCode(empty, 138, 159), MN_EV_EMPTY);
}

TEST_F(MenuPagesTest, PagesOverTheGameDarkenTheScreenAndShowTheirMessage) {
    window.GetBackBuffer().Clear(0xFFFF);
    OrvFile_SetCDRoot(3, Data().Path() + "nowhere");
    EXPECT_FALSE(cd_request(3, 0));
    OrvMenu_BuildCDPage();
    EXPECT_EQ(Names(*Page()), std::vector<std::string>{"b_cd3.spr"});
    EXPECT_EQ(Widget("b_cd3.spr")->GetText(), Text(MENU_TXT_CD, 2));
    EXPECT_EQ(reinterpret_cast<const uint16_t*>(Page()->GetBackground().Row(5))[5], 0x7BEF);

    OrvMenu_BuildDiskErrorPage();
    EXPECT_EQ(Widget("b_derr.spr")->GetText(), Text(MENU_TXT_MESSAGES, 3));
    EXPECT_EQ(ClickCode(*Page(), 320, 240), MN_EV_ACKNOWLEDGE);
    OrvMenu_BuildPleaseWaitPage();
    auto* wait = dynamic_cast<CMnAnimButton*>(Widget("a_wait.spr"));
    ASSERT_NE(wait, nullptr);
    MousePosition = {5, 5};
    ASSERT_TRUE(OrvDisplay_LockSurface());
    OrvSpr_SetSurfaceInfo(OrvDisplay_GetRenderSurface());
    for (int i = 0; i < 3; ++i) {
        Tick();
        Page()->Draw();
    }
    OrvDisplay_UnlockSurface();
    EXPECT_EQ(wait->GetFrame(), 3) << "the wait button animates without the mouse";
}
