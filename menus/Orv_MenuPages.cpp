// The ten menu pages: backgrounds, widgets, texts, positions and event codes.
#include <cstdio>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/Cpu.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "menus/Mn_Menu.h"
#include "menus/Orv_Menu.h"

namespace {

constexpr int32_t kAnimFrames = 20;
constexpr int32_t kCreditsBackgrounds = 16;
constexpr int32_t kCreditsMargin = 405;

// Deletes the current page and makes a new one current.
CMnMenu& NewPage() {
    OrvMenu_DeletePage();
    MenuState.page = new CMnMenu;
    return *MenuState.page;
}

// The yes/no box, hidden until a question is asked.
void AddQuestionBox(CMnMenu& page, const char* yes, const char* no) {
    page.AddPicture("c_yn.spr", 320, 240);
    page.AddButton("b_oui.spr", yes, 290, 230, MN_EV_YES);
    page.AddButton("b_non.spr", no, 340, 240, MN_EV_NO);
}

void HideQuestionBox(CMnMenu& page) {
    page.HideWidget("c_yn.spr");
    page.HideWidget("b_oui.spr");
    page.HideWidget("b_non.spr");
}

// The pages shown over the game: the picture on screen, darkened.
void CopyScreenBackground(CMnMenu& page) {
    if (CSurface* render = OrvDisplay_GetRenderSurface()) page.CopyBackground(*render);
}

}  // namespace

void OrvMenu_DeletePage() {
    delete MenuState.page;
    MenuState.page = nullptr;
}

void OrvMenu_BuildMainPage() {
    CMnMenu& page = NewPage();
    auto text = [](int line) { return OrvMenu_Text(MENU_TXT_MAIN, line); };
    page.SetTitle(text(0));
    page.LoadBackground("f_main.tga");
    page.AddAnimButton("a_load.spr", text(5), kAnimFrames, 120, 270, MN_EV_LOAD);
    page.HideWidget("a_load.spr");
    page.AddAnimButton("a_save.spr", text(6), kAnimFrames, 120, 370, MN_EV_SAVE);
    page.HideWidget("a_save.spr");
    page.AddPicture("c_opt.spr", 320, 240);
    page.AddPicture("c_son.spr", 320, 240);
    page.AddPicture("c_load.spr", 320, 240);
    page.AddAnimButton("a_exit.spr", text(1), kAnimFrames, 600, 440, MN_EV_QUIT);
    page.AddAnimButton("a_toolbx.spr", text(2), kAnimFrames, 550, 80, MN_EV_OPTIONS);
    page.AddAnimButton("a_baffle.spr", text(3), kAnimFrames, 390, 250, MN_EV_SOUND);
    page.AddAnimButton("a_disc.spr", text(4), kAnimFrames, 130, 270, MN_EV_LOAD);
    AddQuestionBox(page, text(7), text(8));
    page.SetWidgetRect("a_disc.spr", 70, 250, 135, 310);
    HideQuestionBox(page);
}

void OrvMenu_BuildPlayerPage() {
    CMnMenu& page = NewPage();
    auto text = [](int line) { return OrvMenu_Text(MENU_TXT_PLAYER, line); };
    page.SetTitle(text(0));
    page.LoadBackground("f_player.tga");
    page.AddPicture("c_player.spr", 320, 240);
    page.AddAnimButton("a_exit.spr", text(1), kAnimFrames, 600, 440, MN_EV_QUIT);
    static const struct {
        const char* name;
        int32_t x, y;
    } players[] = {{"b_gala.spr", 277, 146}, {"b_lune.spr", 335, 133}, {"b_sol.spr", 395, 129},
                   {"b_star.spr", 453, 138}, {"b_ter.spr", 504, 171}};
    for (int i = 0; i < 5; ++i)
        page.AddPlayerButton(players[i].name, text(2 + i), players[i].x, players[i].y, MN_EV_PLAYER0 + i);
    AddQuestionBox(page, OrvMenu_Text(MENU_TXT_MAIN, 7), OrvMenu_Text(MENU_TXT_MAIN, 8));
    HideQuestionBox(page);
}

void OrvMenu_BuildOptionsPage() {
    CMnMenu& page = NewPage();
    auto text = [](int line) { return OrvMenu_Text(MENU_TXT_OPTIONS, line); };
    page.SetTitle(text(0));
    page.LoadBackground("f_option.tga");
    page.AddButton("b_back.spr", text(1), 600, 440, MN_EV_BACK);
    page.AddSwitch("s_sub.spr", text(2), text(3), 230, 200, g_Config.subtitles != 0, MN_EV_SUBTITLES);
    page.AddSwitch("s_cross.spr", text(4), text(5), 300, 300, g_Config.centreCross != 0, MN_EV_CROSS);
    page.AddSwitch("s_xyinv.spr", text(6), text(7), 430, 300, g_Config.invertLook != 0, MN_EV_INVERT);
    // The 800-pixel screen is offered only to processors with MMX.
    if (GetCPUFeatureFlags() & CPU_FEATURE_MMX)
        page.AddButton("b_rezo.spr", text(OrvDisplay_GetScreenWidth() == 800 ? 8 : 9), 430, 205, MN_EV_SCREEN);
}

void OrvMenu_BuildSoundPage() {
    CMnMenu& page = NewPage();
    auto text = [](int line) { return OrvMenu_Text(MENU_TXT_SOUND, line); };
    page.SetTitle(text(0));
    page.LoadBackground("f_son.tga");
    page.AddButton("b_back.spr", text(1), 600, 440, MN_EV_BACK);
    struct Row {
        const char* slider;
        int32_t sx, sy;
        float* value;
        int32_t event;
        const char* picture;
        int32_t px, py;
        int32_t left, top, right, bottom;
    };
    const Row rows[] = {
        {"MasterVolume", 425, 140, &MenuState.masterSlider, MN_EV_MASTER, "a_baffle.spr", 300, 140, 250, 90, 500, 150},
        {"MusicVolume", 300, 215, &MenuState.musicSlider, MN_EV_MUSIC, "a_harpe.spr", 425, 215, 210, 175, 450, 235},
        {"DialogVolume", 450, 290, &MenuState.dialogSlider, MN_EV_DIALOG, "a_hp.spr", 325, 290, 300, 260, 525, 300},
        {"FxVolume", 350, 365, &MenuState.effectsSlider, MN_EV_EFFECTS, "a_cloche.spr", 475, 365, 260, 335, 490, 385},
    };
    for (int i = 0; i < 4; ++i) {
        const Row& r = rows[i];
        page.AddSlider(r.slider, text(2 + i), r.sx, r.sy, r.value, r.event);
        page.AddAnimButton(r.picture, text(2 + i), kAnimFrames, r.px, r.py, 0);
        page.SetWidgetRect(r.picture, r.left, r.top, r.right, r.bottom);
    }
}

void OrvMenu_BuildLoadPage() {
    CMnMenu& page = NewPage();
    auto text = [](int line) { return OrvMenu_Text(MENU_TXT_LOAD, line); };
    page.SetTitle(text(0));
    page.LoadBackground("f_load.tga");
    page.AddButton("b_back.spr", text(1), 600, 440, MN_EV_BACK);
    page.AddSaveList("save.spr", "Listbox", 108, 129, 420, 300, &MenuState.selectedSave, MenuState.player);
    page.AddMsgButton("b_erase.spr", text(2), 590, 65, false, MN_EV_ERASE);
    AddQuestionBox(page, text(3), text(4));
    HideQuestionBox(page);
    MenuState.eraseMode = false;
}

void OrvMenu_BuildCDPage() {
    CMnMenu& page = NewPage();
    if (CSystemMemorySurface* backdrop = MenuState.cdBackdrop) {
        CSystemMemorySurface& background = page.GetBackground();
        if (background.Lock()) {
            if (backdrop->Lock()) {
                CopySurface(background, *backdrop);
                backdrop->Unlock();
            }
            background.Unlock();
        }
    } else {
        CopyScreenBackground(page);
    }
    const int cd = cd_get_requested();
    if (cd < 1 || cd > 4) {
        OrvError_Warning("OrvMenu_BuildCDPage() : CD %d incorrect", cd);
        return;
    }
    char name[16];
    std::snprintf(name, sizeof name, "b_cd%d.spr", cd);
    page.AddButton(name, OrvMenu_Text(MENU_TXT_CD, cd - 1), 320, 240, 0);
}

void OrvMenu_BuildPleaseWaitPage() {
    CMnMenu& page = NewPage();
    CopyScreenBackground(page);
    page.AddAnimButton("a_wait.spr", "", kAnimFrames, 600, 420, 0);
    page.SetWidgetAnimate("a_wait.spr", true);
}

void OrvMenu_BuildDiskFullPage() {
    CMnMenu& page = NewPage();
    CopyScreenBackground(page);
    page.AddMsgButton("b_dfull.spr", OrvMenu_Text(MENU_TXT_MESSAGES, 2), 320, 240, false, MN_EV_ACKNOWLEDGE);
}

void OrvMenu_BuildDiskErrorPage() {
    CMnMenu& page = NewPage();
    CopyScreenBackground(page);
    page.AddMsgButton("b_derr.spr", OrvMenu_Text(MENU_TXT_MESSAGES, 3), 320, 240, false, MN_EV_ACKNOWLEDGE);
}

void OrvMenu_BuildCreditsPage() {
    std::vector<std::string> backgrounds;
    for (int i = 1; i <= kCreditsBackgrounds; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f_cred%02d.tga", i);
        backgrounds.emplace_back(name);
    }
    NewPage().OrvMenu_LoadCredits(std::move(backgrounds), "Credits.txt", kCreditsMargin);
}
