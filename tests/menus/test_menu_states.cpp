// Tests of the menu state machine: Escape, slides, questions, settings, volumes, players, saves, quit, CD wait.
#include <filesystem>

#include "MenuFlowUtil.h"

namespace {

// Widget positions of the main page.
constexpr int kToolbox[2] = {550, 80};
constexpr int kDisc[2] = {100, 280};
constexpr int kSaveButton[2] = {120, 370};
constexpr int kExit[2] = {600, 440};
constexpr int kYes[2] = {290, 230};
constexpr int kNo[2] = {340, 240};
constexpr int kNowhere[2] = {300, 450};

}  // namespace

class MenuStateTest : public MenuFlowTest {
protected:
    // The main page's disc slid out: the load/save panel.
    void OpenDiscPanel() {
        Click(kDisc[0], kDisc[1]);
        Passes(31);
    }
    // Save, yes, from a fresh main page.
    void Save() {
        OrvMenu_start();
        OpenDiscPanel();
        Click(kSaveButton[0], kSaveButton[1]);
        Click(kYes[0], kYes[1]);
    }
    // A click on the message page closes the menus and gives the game back.
    void AcknowledgeEndsTheMenus() {
        Click(320, 240);
        EXPECT_EQ(Page(), nullptr);
        EXPECT_EQ(game.loopType, 0);
    }
};

TEST_F(MenuStateTest, EscapeOpensTheMainPageFromTheLoopTypesThatAllowItAndClosesIt) {
    for (int32_t loop : {0, 7, 8, 10, 11}) {
        game.loopType = loop;
        EXPECT_TRUE(OrvMenu_OnEscape()) << loop;
        EXPECT_EQ(game.loopType, 5);
        EXPECT_EQ(Title(), Text(MENU_TXT_MAIN, 0));
        EXPECT_TRUE(OrvMenu_OnEscape());
        EXPECT_EQ(game.loopType, loop) << "the menus give back the loop type they found";
        EXPECT_EQ(Page(), nullptr);
    }
    for (int32_t loop : {1, 2, 9}) {
        game.loopType = loop;
        EXPECT_FALSE(OrvMenu_OnEscape()) << loop;
        EXPECT_EQ(game.loopType, loop);
        EXPECT_EQ(Page(), nullptr);
    }
    // The player page of the start-up does not close on Escape.
    game.loopType = 0;
    OrvMenu_start_Player();
    EXPECT_FALSE(OrvMenu_OnEscape());
    EXPECT_EQ(game.loopType, 5);
    EXPECT_EQ(Title(), Text(MENU_TXT_PLAYER, 0));
}

TEST_F(MenuStateTest, PanelsSlideOneStepPerPassThenTheirPageOpens) {
    OrvMenu_start();
    Click(kToolbox[0], kToolbox[1]);
    EXPECT_EQ(MenuState.pageState, MN_STATE_SLIDE_OPTIONS);
    EXPECT_FALSE(Widget("a_exit.spr")->IsEnabled());
    Passes(30);  // no frame tick: the slide follows the passes
    EXPECT_EQ(Widget("c_opt.spr")->GetX(), 320 + 465);
    EXPECT_EQ(Title(), Text(MENU_TXT_MAIN, 0));
    Passes(1);
    EXPECT_EQ(Title(), Text(MENU_TXT_OPTIONS, 0));
    EXPECT_EQ(MenuState.pageState, MN_STATE_IDLE);
    Click(600, 440);  // back
    EXPECT_EQ(Title(), Text(MENU_TXT_MAIN, 0));
}

TEST_F(MenuStateTest, LoadSavePanelSavesInTheFirstFreeSlotOrShowsTheDiskFullPage) {
    MenuState.player = 2;
    for (int slot : {0, 1, 3}) game.saves[2][slot] = {FakeGame::At(10), 0};
    OrvMenu_start();
    Click(kNowhere[0], kNowhere[1]);
    EXPECT_EQ(MenuState.pageState, MN_STATE_IDLE) << "a click beside the widgets does nothing in the idle state";
    auto openPanel = [&] {
        Click(kDisc[0], kDisc[1]);
        EXPECT_EQ(MenuState.pageState, MN_STATE_SLIDE_DISC_OUT);
        Passes(31);
        EXPECT_EQ(MenuState.pageState, MN_STATE_LOAD_OR_SAVE);
    };
    // "No" to the save question: 30 moves back and a final pass.
    openPanel();
    Click(kSaveButton[0], kSaveButton[1]);
    EXPECT_EQ(MenuState.pageState, MN_STATE_ASK_SAVE);
    Click(kNo[0], kNo[1]);
    Passes(30);
    EXPECT_EQ(MenuState.pageState, MN_STATE_SLIDE_DISC_BACK);
    Passes(1);
    EXPECT_EQ(MenuState.pageState, MN_STATE_IDLE);
    EXPECT_FALSE(Widget("a_load.spr")->IsVisible());
    // A click beside the offered buttons slides the panel back too.
    openPanel();
    Click(kNowhere[0], kNowhere[1]);
    EXPECT_EQ(MenuState.pageState, MN_STATE_SLIDE_DISC_BACK);
    Passes(31);

    openPanel();
    Click(kSaveButton[0], kSaveButton[1]);
    Click(kYes[0], kYes[1]);
    EXPECT_EQ(game.calls, std::vector<std::string>{"save 2"});
    EXPECT_EQ(Page(), nullptr);
    EXPECT_EQ(game.loopType, 0);

    // Every slot taken: nothing is saved and the disk-full page shows.
    for (int slot = 0; slot < MN_SAVE_SLOTS; ++slot) game.saves[2][slot] = {FakeGame::At(10), 0};
    game.calls.clear();
    Save();
    EXPECT_TRUE(game.calls.empty()) << game.calls.front();
    EXPECT_TRUE(Logged("rien n'est sauvegardé"));
    ASSERT_NE(Widget("b_dfull.spr"), nullptr) << "a save that found no slot must not pass for done";
    EXPECT_EQ(game.loopType, 5);
    AcknowledgeEndsTheMenus();
}

TEST_F(MenuStateTest, OptionSwitchesReachTheSettings) {
    OrvMenu_start();
    OrvMenu_BuildOptionsPage();
    g_Config.subtitles = 1;
    Click(230, 200);
    Click(300, 300);
    Click(430, 300);
    EXPECT_EQ(g_Config.subtitles, 0);
    EXPECT_EQ(g_Config.centreCross, 1);
    EXPECT_EQ(g_Config.invertLook, 1);
    Click(300, 300);
    EXPECT_EQ(g_Config.centreCross, 0);

    if (!Widget("b_rezo.spr")) GTEST_SKIP() << "no MMX: no screen-size button";
    Click(430, 205);
    EXPECT_EQ(OrvDisplay_GetScreenWidth(), 800);
    EXPECT_EQ(g_Config.screenWidth, 800);
    Click(430, 205);
    EXPECT_EQ(OrvDisplay_GetScreenWidth(), 640);

}

TEST_F(MenuStateTest, SlidersStartFromTheSettingsAndSetTheVolumes) {
    g_Config.masterVolume = 128;
    game.maxVol = 32;
    OrvMenu_start();
    EXPECT_FLOAT_EQ(MenuState.masterSlider, 0.5f);
    EXPECT_FLOAT_EQ(MenuState.musicSlider, (32.0f / 127.0f) / 0.5f);
    OrvMenu_stop();
    g_Config.masterVolume = 0;
    OrvMenu_start();
    EXPECT_EQ(MenuState.musicSlider, 0.0f);
    OrvMenu_stop();

    g_Config.masterVolume = 128;
    OrvMenu_start();
    OrvMenu_BuildSoundPage();
    Click(355, 210);  // the music slider, dragged past its end
    Passes(1);
    EXPECT_EQ(game.maxVol, 64) << "0.5 x 1 x 127 + 0.5, stored scaled by the master slider";
    EXPECT_TRUE(game.Called("volume 64"));
    Click(484, 135);  // master to the end
    Passes(1);
    EXPECT_EQ(g_Config.masterVolume, 256);
    EXPECT_EQ(game.maxVol, 127);
    Click(431, 285);  // dialogues at 46 / 115
    Passes(1);
    EXPECT_EQ(g_Config.voiceVolume, 50);
}

TEST_F(MenuStateTest, ChoosingAPlayerLoadsTheNewestSaveOrStartsANewGame) {
    auto choose = [&](int x, int y) {
        game.calls.clear();
        game.loopType = 0;
        OrvMenu_start_Player();
        Click(x, y);
        Passes(1);
    };
    game.saves[2][3] = {FakeGame::At(10), 0};
    game.saves[2][7] = {FakeGame::At(11), 0};
    choose(395, 129);  // player 2
    EXPECT_EQ(game.savePlayer, 2);
    EXPECT_EQ(game.calls, std::vector<std::string>{"load 7"});
    EXPECT_EQ(game.loopType, 0);

    game.saves[2][7] = {FakeGame::At(10), 0};
    choose(395, 129);
    EXPECT_EQ(game.calls, std::vector<std::string>{"load 3"}) << "of equal times the lowest slot";

    choose(277, 146);  // player 0 has no save
    EXPECT_EQ(game.calls, std::vector<std::string>{"init"});
    EXPECT_FALSE(Logged("Wam file load failed"));

    game.runInitOk = false;
    game.worldLoaded = false;
    choose(277, 146);
    EXPECT_TRUE(Logged("PB avec la zone INIT du Fichier scenar"));
    EXPECT_TRUE(Logged("Wam file load failed"));
    EXPECT_EQ(game.quits, 1);
}

TEST_F(MenuStateTest, TheSaveListLoadsAClickedSaveAndErasesOneAfterTheQuestion) {
    game.saves[0][2] = {FakeGame::At(9), 1};
    game.saves[0][5] = {FakeGame::At(12), 2};
    game.loopType = 0;
    OrvMenu_start();
    OpenDiscPanel();
    Click(kDisc[0], kDisc[1]);  // "a_load.spr" now
    ASSERT_EQ(Title(), Text(MENU_TXT_LOAD, 0));
    ASSERT_EQ(dynamic_cast<CMnListBox&>(*Widget("save.spr")).GetCount(), 2);

    // Erase mode: the newest save, asked first.
    Click(590, 65);
    Click(138, 159);
    EXPECT_EQ(MenuState.pageState, MN_STATE_ASK_ERASE);
    EXPECT_EQ(Widget("b_oui.spr")->GetText(), Text(MENU_TXT_LOAD, 3));
    Click(kYes[0], kYes[1]);
    EXPECT_EQ(game.calls, std::vector<std::string>{"delete 5"});
    EXPECT_FALSE(MenuState.eraseMode);
    ASSERT_EQ(dynamic_cast<CMnListBox&>(*Widget("save.spr")).GetCount(), 1);

    Click(138, 159);
    EXPECT_EQ(game.calls.back(), "load 2");
    EXPECT_EQ(Page(), nullptr);
    EXPECT_EQ(game.loopType, 0);
}

TEST_F(MenuStateTest, QuittingRunsTheCreditsWhichEndTheProgram) {
    CTManualClock clock(100.0);
    game.loopType = 0;
    OrvMenu_start();
    Click(kExit[0], kExit[1]);
    EXPECT_EQ(Widget("b_oui.spr")->GetText(), Text(MENU_TXT_MAIN, 9));
    Click(kYes[0], kYes[1]);
    ASSERT_NE(Page(), nullptr);
    EXPECT_TRUE(Page()->IsSlideshow());

    // Three pages of seven seconds each, then the fade to black: over within 25 seconds.
    auto runCredits = [&](double step, int passes) {
        for (int i = 0; i < passes && Page(); ++i) {
            Passes(1);
            clock.Advance(step);
        }
    };
    runCredits(1.0, 24);
    EXPECT_EQ(game.quits, 0);
    runCredits(1.0, 1);
    EXPECT_EQ(game.quits, 1);
    EXPECT_EQ(Page(), nullptr);
    // Started by the scenario with a block waiting, the credits run the block instead of quitting.
    OrvMenu_start_Credits();
    game.pendingBlocks = 1;
    runCredits(7.0, 20);
    EXPECT_TRUE(game.Called("block"));
    EXPECT_EQ(game.quits, 1);

    // A key ends them at once.
    OrvMenu_start_Credits();
    KeyboardState.lastKey = 0x39;
    KeyboardState.keys[0x39] = 0x80;
    Passes(1);
    EXPECT_EQ(game.quits, 2);
}

TEST_F(MenuStateTest, TheCDPageWaitsUntilTheRequestedCDAppears) {
    TempDir cds;
    std::filesystem::create_directories(cds / "cd2/datas_q2");
    OrvFile_SetCDRoot(2, cds / "cd2");
    cd_set_change_hook([](int, int) { OrvMenu_start_CD(); });
    game.block = [] { cd_request(2, 0); };
    // The game's picture under the page: white, darkened once to half.
    window.GetBackBuffer().Clear(0xFFFF);

    EXPECT_FALSE(cd_request(2, 0));
    ASSERT_NE(Widget("b_cd2.spr"), nullptr);
    Passes(3);
    EXPECT_TRUE(OrvMenu_IsCDPageActive()) << "no frame tick yet";

    for (int round = 0; round < 3; ++round) {
        game.pendingBlocks = 1;
        FrameCount += 2;  // any change of the count closes the page
        Passes(1);
        EXPECT_TRUE(game.Called("block"));
        ASSERT_TRUE(OrvMenu_IsCDPageActive()) << "the CD is still missing";
        EXPECT_EQ(reinterpret_cast<const uint16_t*>(Page()->GetBackground().Row(400))[10], 0x7BEF)
            << "the page opened again keeps the picture it was shown over";
    }

    ASSERT_TRUE(WriteFileText(cds / ("cd2/" + cd_probe_name(2)), "cd"));
    game.pendingBlocks = 1;
    Tick();
    Passes(1);
    EXPECT_FALSE(OrvMenu_IsCDPageActive());
    EXPECT_EQ(Page(), nullptr);
    EXPECT_EQ(cd_get_current(), 2);
    EXPECT_EQ(game.loopType, 0);
    cd_set_change_hook(nullptr);
}

TEST_F(MenuStateTest, APageOpenedOverAnotherGivesItBackWhenItStops) {
    game.loopType = 0;
    OrvMenu_start();
    Click(kDisc[0], kDisc[1]);
    Passes(5);
    CMnMenu* main = Page();
    OrvMenu_start_PleaseWait();
    EXPECT_FALSE(MenuState.escapeCloses);
    Passes(2);
    EXPECT_EQ(main->FindWidget("c_load.spr")->GetX(), 320 - 15) << "only the top page runs";
    OrvMenu_stop();
    EXPECT_EQ(Page(), main);
    EXPECT_EQ(MenuState.pageState, MN_STATE_SLIDE_DISC_OUT);
    EXPECT_TRUE(MenuState.escapeCloses);
    EXPECT_EQ(game.loopType, 5);
    EXPECT_TRUE(OrvMenu_OnEscape());
    EXPECT_EQ(game.loopType, 0);
}

TEST_F(MenuStateTest, EveryFailedSaveOrLoadShowsItsPage) {
    game.saveOutcome = MN_SAVE_DISK_FULL;
    Save();
    EXPECT_EQ(game.calls, std::vector<std::string>{"save 0"});
    ASSERT_NE(Widget("b_dfull.spr"), nullptr);
    AcknowledgeEndsTheMenus();
    game.saveOutcome = MN_SAVE_FAILED;
    Save();
    ASSERT_NE(Widget("b_derr.spr"), nullptr);
    AcknowledgeEndsTheMenus();
    EXPECT_TRUE(game.saves[0].empty());

    // A save of the list that does not load: the game goes on under the disk-error page.
    game.saves[0][4] = {FakeGame::At(9), 1};
    game.loadOk = false;
    OrvMenu_start();
    OpenDiscPanel();
    Click(kDisc[0], kDisc[1]);
    Click(138, 159);
    EXPECT_EQ(game.calls.back(), "load 4");
    ASSERT_NE(Widget("b_derr.spr"), nullptr);
    AcknowledgeEndsTheMenus();

    // The newest save of a player that does not load: the player page comes back under the error.
    game.calls.clear();
    OrvMenu_start_Player();
    Click(277, 146);
    Passes(1);
    EXPECT_EQ(game.calls, std::vector<std::string>{"load 4"});
    ASSERT_NE(Widget("b_derr.spr"), nullptr);
    Click(320, 240);
    ASSERT_NE(Widget("b_gala.spr"), nullptr);
    EXPECT_EQ(game.loopType, 5);
    EXPECT_EQ(MenuState.pageState, MN_STATE_IDLE);
    EXPECT_FALSE(MenuState.escapeCloses);
    EXPECT_FALSE(Logged("Wam file load failed"));
}

TEST_F(MenuStateTest, ANewGameWaitsOnTheCDPageAndThePageTakesItsClicks) {
    // The first world's CD is missing: the new game has opened the CD page instead of a world.
    game.worldLoaded = false;
    MenuHooks.Interp_RunInit = [] {
        FakeGame::Record("init");
        OrvMenu_start_CD();
        return true;
    };
    game.loopType = 0;
    OrvMenu_start_Player();
    Click(277, 146);
    Passes(1);
    EXPECT_EQ(game.calls, std::vector<std::string>{"init"});
    EXPECT_TRUE(OrvMenu_IsCDPageActive());
    EXPECT_FALSE(Logged("Wam file load failed"));
    EXPECT_EQ(game.quits, 0);
    // A click on the page does not wait for whatever lies under it.
    Click(320, 240);
    EXPECT_EQ(MouseClickFlags.click, 0);
    MouseClickFlags.doubleClick = 1;
    Tick();
    Click(320, 240);  // on the pass that closes the page
    EXPECT_FALSE(OrvMenu_IsCDPageActive());
    EXPECT_EQ(MouseClickFlags.click, 0);
    EXPECT_EQ(MouseClickFlags.doubleClick, 0);
    EXPECT_EQ(game.loopType, 0);
}

TEST_F(MenuStateTest, ALoadWaitingForItsCDIsResumedWhenThePageCloses) {
    game.loopType = 0;
    OrvMenu_start_CD();
    game.resume = MN_RESUMED;
    Tick();
    Passes(1);
    EXPECT_EQ(game.calls, std::vector<std::string>{"resume"});
    EXPECT_EQ(Page(), nullptr);
    // Resumed but not loaded: the disk-error page says so.
    OrvMenu_start_CD();
    game.resume = MN_RESUME_FAILED;
    Tick();
    Passes(1);
    ASSERT_NE(Widget("b_derr.spr"), nullptr);
    AcknowledgeEndsTheMenus();
    // No load waited: the pending block runs.
    OrvMenu_start_CD();
    game.pendingBlocks = 1;
    Tick();
    Passes(1);
    EXPECT_TRUE(game.Called("block"));
    EXPECT_EQ(Page(), nullptr);
}
