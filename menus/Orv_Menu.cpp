// The menu state machine: entry points, the pass of loop type 5, questions, slides, settings, saves and quit.
#include "menus/Orv_Menu.h"


#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/Config.h"
#include "app/FrameTimer.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "framework/Input.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Mn_Menu.h"
#include "menus/Orv_MenuHooks.h"
#include "menus/Orv_MusikCopy.h"

ST_MenuState MenuState;

namespace {

// Loop types the menus know of.
constexpr int32_t kLoopMenu = 5;
constexpr int32_t kLoopVideo = 1;
constexpr int32_t kLoopDialogue = 2;
constexpr int32_t kLoopCanoe = 9;

// Slides: steps of each panel.
constexpr int32_t kSlideOptions = 30;
constexpr int32_t kSlideSound = 40;
constexpr int32_t kSlideDisc = 30;

struct EntryPoint {
    const char* log;
    void (*build)();
    int32_t pageState;
    bool switchToMenu;
    bool escapeCloses;
    bool cursorShown;
    bool selectsCursor;
};

// A slider value as a volume from 0 to full, truncated.
int32_t SliderVolume(float value, int32_t full) {
    const float v = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f);
    return int32_t(v * float(full));
}

float Clamp01(float v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); }

void SetSliders() {
    ST_MenuState& m = MenuState;
    m.masterSlider = Clamp01(float(g_Config.masterVolume) / 256.0f);
    const int maxVol = MenuHooks.Muzik_GetMaxVol ? MenuHooks.Muzik_GetMaxVol() : 0;
    m.musicSlider = m.masterSlider != 0.0f ? Clamp01((float(maxVol) / 127.0f) / m.masterSlider) : 0.0f;
    m.effectsSlider = Clamp01(float(g_Config.effectsVolume) / 127.0f);
    m.dialogSlider = Clamp01(float(g_Config.voiceVolume) / 127.0f);
}

void SetAsideCurrentPage() {
    ST_MenuState& m = MenuState;
    if (!m.page) return;
    m.setAside.push_back(ST_MenuSetAside{m.page, m.pageState, m.slideCounter, m.rememberedLoopType, m.eraseMode,
                                         m.escapeCloses, m.cursorShown});
    m.page = nullptr;
}

void Enter(const EntryPoint& e) {
    ST_MenuState& m = MenuState;
    debug_log("%s", e.log);
    SetAsideCurrentPage();
    m.rememberedLoopType = Menu_GetLoopType();
    // The page is made in the frame of the menus: loop type 5 renders at 640x480 on any screen.
    if (e.switchToMenu) Menu_SetLoopType(kLoopMenu);
    e.build();
    m.pageState = e.pageState;
    m.escapeCloses = e.escapeCloses;
    m.cursorShown = e.cursorShown;
    if (e.selectsCursor) OrvSpr_set_curseur(m.cursorBank, 0);
    SetSliders();
}

bool ScanSlot(int32_t slot, SYSTEMTIME* savedAt) {
    int32_t picture = 0;
    return MenuHooks.SaveGame_ScanSlot && MenuHooks.SaveGame_ScanSlot(slot, savedAt, &picture);
}

void SetSavePlayer() {
    if (MenuHooks.SaveGame_SetPlayer) MenuHooks.SaveGame_SetPlayer(MenuState.player);
}

// Loads the slot; false when the load failed outright (one that waits for its CD has the CD page up).
bool LoadSlot(int32_t slot) {
    return (MenuHooks.SaveGame_Load && MenuHooks.SaveGame_Load(slot)) || OrvMenu_IsCDPageActive();
}

bool RunPendingBlock() { return MenuHooks.RunPendingBlock && MenuHooks.RunPendingBlock(); }

// ---- questions and slides ----

void ShowQuestion(CMnMenu& page, const char* yes, const char* no) {
    page.DisableAll();
    for (const char* name : {"c_yn.spr", "b_oui.spr", "b_non.spr"}) {
        page.EnableWidget(name);
        page.ShowWidget(name);
    }
    if (yes) page.SetWidgetText("b_oui.spr", yes);
    if (no) page.SetWidgetText("b_non.spr", no);
    // The yes button's text is the question; the box asks it, not only the button's tooltip.
    if (const CMnWidget* button = page.FindWidget("b_oui.spr")) page.SetWidgetText("c_yn.spr", button->GetText());
}

void CloseQuestion(CMnMenu& page) {
    page.EnableAll();
    for (const char* name : {"c_yn.spr", "b_oui.spr", "b_non.spr"}) page.HideWidget(name);
}

// One step of a panel and its button moving away; the step grows, so the panel accelerates.
void SlideStep(CMnMenu& page, const char* panel, const char* button, int32_t dx) {
    page.MoveWidget(panel, dx, 0);
    page.MoveWidget(button, dx, 0);
}

void SlideAway(CMnMenu& page, int32_t steps, const char* panel, const char* button, void (*build)()) {
    ST_MenuState& m = MenuState;
    if (m.slideCounter < steps) {
        ++m.slideCounter;
        SlideStep(page, panel, button, m.slideCounter);
        return;
    }
    m.pageState = MN_STATE_IDLE;
    m.slideCounter = 0;
    build();
}

// ---- settings ----

void ApplyMusicVolume() {
    const ST_MenuState& m = MenuState;
    // The music volume is kept already scaled by the master slider.
    const float volume = Clamp01(m.musicSlider) * Clamp01(m.masterSlider) * 127.0f + 0.5f;
    if (MenuHooks.Muzik_SetMaxVol) MenuHooks.Muzik_SetMaxVol(int(volume));
    if (MenuHooks.Muzik_ApplyVolume)
        MenuHooks.Muzik_ApplyVolume(MenuHooks.Muzik_GetMaxVol ? MenuHooks.Muzik_GetMaxVol() : 0);
}

void ToggleScreenSize(CMnMenu& page) {
    const bool to800 = OrvDisplay_GetScreenWidth() == 640;
    page.SetWidgetText("b_rezo.spr", OrvMenu_Text(MENU_TXT_OPTIONS, to800 ? 8 : 9));
    const int width = to800 ? 800 : 640, height = to800 ? 600 : 480;
    if (OrvDisplay_SetNewScreenSize(width, height)) {
        g_Config.screenWidth = width;
        g_Config.screenHeight = height;
    }
}

// ---- actions ----

void SaveGame() {
    SetSavePlayer();
    SYSTEMTIME unused;
    int32_t slot = 0;
    while (slot < MN_SAVE_SLOTS && ScanSlot(slot, &unused)) ++slot;
    if (slot < MN_SAVE_SLOTS) {
        const int outcome = MenuHooks.SaveGame_Save ? MenuHooks.SaveGame_Save(slot) : MN_SAVE_FAILED;
        OrvMenu_stop();
        // Nothing was written: the player is told, and the game goes on under the page.
        if (outcome == MN_SAVE_DISK_FULL)
            OrvMenu_start_DiskFull();
        else if (outcome != MN_SAVED)
            OrvMenu_start_DiskError();
        return;
    }
    // Nothing was saved: say so rather than close as if it had been.
    OrvError_Warning("OrvMenu : les %d emplacements de sauvegarde sont pris, rien n'est sauvegardé", MN_SAVE_SLOTS);
    OrvMenu_stop();
    OrvMenu_start_DiskFull();
}

void ChoosePlayer() {
    SetSavePlayer();
    int32_t newest = -1;
    SYSTEMTIME newestTime{};
    for (int32_t slot = 0; slot < MN_SAVE_SLOTS; ++slot) {
        SYSTEMTIME t{};
        // Of equal times the lowest slot stays.
        if (ScanSlot(slot, &t) && (newest < 0 || compare_systemtime(t, newestTime) > 0)) {
            newest = slot;
            newestTime = t;
        }
    }
    OrvMenu_stop();
    if (newest >= 0) {
        // A save that cannot be loaded leaves nothing to play: the player page comes back under the
        // disk-error page, so that the player can choose again.
        if (!LoadSlot(newest)) {
            OrvMenu_start_Player();
            OrvMenu_start_DiskError();
        }
        return;
    }
    if (!(MenuHooks.Interp_RunInit && MenuHooks.Interp_RunInit()))
        OrvError_Warning("PB avec la zone INIT du Fichier scenar");
    // A first world whose CD is missing is waited for on the CD page, as a load is.
    if (!(MenuHooks.IsWorldLoaded && MenuHooks.IsWorldLoaded()) && !OrvMenu_IsCDPageActive()) {
        OrvError_Fatal("Wam file load failed");
        Menu_Quit();
    }
}

// Hands the closing CD page's background to a CD page opened again in the same pass.
class CDBackdropKeeper {
public:
    explicit CDBackdropKeeper(CMnMenu* page) {
        if (!page) return;
        CSystemMemorySurface& background = page->GetBackground();
        if (!copy_.Create(background.width, background.height, background.format)) return;
        if (copy_.Lock() && background.Lock()) {
            CopySurface(copy_, background);
            background.Unlock();
            MenuState.cdBackdrop = &copy_;
        }
        copy_.Unlock();
    }
    ~CDBackdropKeeper() {
        MenuState.cdBackdrop = nullptr;
        copy_.Free();
    }

private:
    CSystemMemorySurface copy_;
};

void CDWait() {
    ST_MenuState& m = MenuState;
    // The page takes the clicks: none reaches what lies under it when it closes.
    MouseClickFlags.click = MouseClickFlags.doubleClick = MouseClickFlags.rightClick = 0;
    const uint32_t frame = uint32_t(FrameCount);
    const bool ticked = frame != m.lastFrameCount;
    m.lastFrameCount = frame;
    if (!ticked) return;
    debug_log("Changement de CD => insertion CD N°%d", cd_get_requested());
    CDBackdropKeeper keep(m.page);
    OrvMenu_stop();
    switch (MenuHooks.SaveGame_ResumeLoad ? MenuHooks.SaveGame_ResumeLoad() : MN_RESUME_NONE) {
    case MN_RESUME_NONE:
        RunPendingBlock();
        break;
    case MN_RESUME_FAILED:
        if (!OrvMenu_IsCDPageActive()) OrvMenu_start_DiskError();
        break;
    default:
        break;
    }
}

void IdleEvent(CMnMenu& page, int32_t event) {
    ST_MenuState& m = MenuState;
    switch (event) {
    case MN_EV_BACK:
        OrvMenu_BuildMainPage();
        break;
    case MN_EV_OPTIONS:
    case MN_EV_SOUND:
        page.DisableAll();
        m.slideCounter = 0;
        m.pageState = event == MN_EV_OPTIONS ? MN_STATE_SLIDE_OPTIONS : MN_STATE_SLIDE_SOUND;
        break;
    case MN_EV_LOAD:
        page.DisableAll();
        page.ShowWidget("a_load.spr");
        page.ShowWidget("a_save.spr");
        m.slideCounter = 0;
        m.pageState = MN_STATE_SLIDE_DISC_OUT;
        break;
    case MN_EV_CROSS:
        g_Config.centreCross = g_Config.centreCross ? 0 : 1;
        break;
    case MN_EV_INVERT:
        g_Config.invertLook = g_Config.invertLook ? 0 : 1;
        break;
    case MN_EV_SUBTITLES:
        g_Config.subtitles = g_Config.subtitles ? 0 : 1;
        break;
    case MN_EV_ERASE:
        m.eraseMode = !m.eraseMode;
        break;
    case MN_EV_SCREEN:
        ToggleScreenSize(page);
        break;
    case MN_EV_MASTER:
        g_Config.masterVolume = SliderVolume(m.masterSlider, 256);
        ApplyMusicVolume();
        break;
    case MN_EV_MUSIC:
        ApplyMusicVolume();
        break;
    case MN_EV_EFFECTS:
        g_Config.effectsVolume = SliderVolume(m.effectsSlider, 127);
        break;
    case MN_EV_DIALOG:
        g_Config.voiceVolume = SliderVolume(m.dialogSlider, 127);
        break;
    case MN_EV_SAVELIST:
        if (m.eraseMode) {
            ShowQuestion(page, nullptr, nullptr);
            m.pageState = MN_STATE_ASK_ERASE;
        } else {
            OrvMenu_stop();
            if (!LoadSlot(m.selectedSave.slot)) OrvMenu_start_DiskError();
        }
        break;
    case MN_EV_ACKNOWLEDGE:
        OrvMenu_stop();
        break;
    case MN_EV_QUIT:
        ShowQuestion(page, OrvMenu_Text(MENU_TXT_MAIN, 9), OrvMenu_Text(MENU_TXT_MAIN, 10));
        m.pageState = MN_STATE_ASK_QUIT;
        break;
    default:
        if (event >= MN_EV_PLAYER0 && event <= MN_EV_PLAYER4) {
            m.player = event - MN_EV_PLAYER0;
            m.pageState = MN_STATE_PLAYER_CHOSEN;
        }
        break;
    }
}

// The step of the page state. Whatever a step calls may replace or delete the page, so the page is
// not touched after such a call.
void RunPageState() {
    ST_MenuState& m = MenuState;
    CMnMenu* page = m.page;
    switch (m.pageState) {
    case MN_STATE_CD_WAIT:
        CDWait();
        return;
    case MN_STATE_PLAYER_CHOSEN:
        ChoosePlayer();
        return;
    default:
        break;
    }
    if (!page) return;
    switch (m.pageState) {
    case MN_STATE_IDLE:
        IdleEvent(*page, page->PollEvent());
        break;
    case MN_STATE_SLIDE_OPTIONS:
        SlideAway(*page, kSlideOptions, "c_opt.spr", "a_toolbx.spr", OrvMenu_BuildOptionsPage);
        break;
    case MN_STATE_SLIDE_SOUND:
        SlideAway(*page, kSlideSound, "c_son.spr", "a_baffle.spr", OrvMenu_BuildSoundPage);
        break;
    case MN_STATE_SLIDE_DISC_OUT:
        if (m.slideCounter < kSlideDisc) {
            ++m.slideCounter;
            SlideStep(*page, "c_load.spr", "a_disc.spr", -m.slideCounter);
        } else {
            m.pageState = MN_STATE_LOAD_OR_SAVE;
            page->EnableWidget("a_load.spr");
            page->EnableWidget("a_save.spr");
        }
        break;
    case MN_STATE_SLIDE_DISC_BACK:
        if (m.slideCounter < 1) {
            m.pageState = MN_STATE_IDLE;
            page->EnableAll();
            page->HideWidget("a_load.spr");
            page->HideWidget("a_save.spr");
        } else {
            SlideStep(*page, "c_load.spr", "a_disc.spr", m.slideCounter);
            --m.slideCounter;
        }
        break;
    case MN_STATE_ASK_SAVE:
        switch (page->PollEvent()) {
        case MN_EV_YES:
            SaveGame();
            break;
        case MN_EV_NO:
            CloseQuestion(*page);
            m.pageState = MN_STATE_SLIDE_DISC_BACK;
            break;
        }
        break;
    case MN_STATE_ASK_ERASE:
        switch (page->PollEvent()) {
        case MN_EV_YES:
            if (MenuHooks.SaveGame_Delete) MenuHooks.SaveGame_Delete(m.selectedSave.slot);
            [[fallthrough]];
        case MN_EV_NO:
            OrvMenu_BuildLoadPage();
            m.pageState = MN_STATE_IDLE;
            break;
        }
        break;
    case MN_STATE_ASK_QUIT:
        switch (page->PollEvent()) {
        case MN_EV_NO:
            CloseQuestion(*page);
            m.pageState = MN_STATE_IDLE;
            break;
        case MN_EV_YES:
            OrvMenu_stop();
            OrvMenu_start_Credits();
            break;
        }
        break;
    case MN_STATE_LOAD_OR_SAVE:
        switch (page->PollEvent()) {
        case MN_EV_LOAD:
            page->DisableAll();
            m.pageState = MN_STATE_IDLE;
            OrvMenu_BuildLoadPage();
            break;
        case MN_EV_SAVE:
            ShowQuestion(*page, OrvMenu_Text(MENU_TXT_MAIN, 7), OrvMenu_Text(MENU_TXT_MAIN, 8));
            m.pageState = MN_STATE_ASK_SAVE;
            break;
        case MN_EV_EMPTY:
            m.pageState = MN_STATE_SLIDE_DISC_BACK;
            break;
        }
        break;
    case MN_STATE_CREDITS:
        switch (page->PollEvent()) {
        case MN_EV_QUIT:
            Menu_Quit();
            break;
        case MN_EV_CREDITS_OVER:
            OrvMenu_stop();
            if (!RunPendingBlock()) Menu_Quit();
            break;
        }
        break;
    default:
        break;
    }
}

}  // namespace

// ---- entry points ----

void OrvMenu_start() {
    Enter({"OrvMenu_start()", OrvMenu_BuildMainPage, MN_STATE_IDLE, true, true, true, true});
}

void OrvMenu_start_Player() {
    Enter({"OrvMenu_start_Player()", OrvMenu_BuildPlayerPage, MN_STATE_IDLE, true, false, true, true});
}

void OrvMenu_start_CD() {
    Enter({"OrvMenu_start_CD()", OrvMenu_BuildCDPage, MN_STATE_CD_WAIT, true, false, true, true});
    MenuState.lastFrameCount = uint32_t(FrameCount);
}

void OrvMenu_start_PleaseWait() {
    Enter({"OrvMenu_start_PleaseWait()", OrvMenu_BuildPleaseWaitPage, MN_STATE_IDLE, false, false, false, false});
}

void OrvMenu_start_DiskFull() {
    Enter({"OrvMenu_start_DiskFull()", OrvMenu_BuildDiskFullPage, MN_STATE_IDLE, true, false, true, false});
}

void OrvMenu_start_DiskError() {
    Enter({"OrvMenu_start_DiskError()", OrvMenu_BuildDiskErrorPage, MN_STATE_IDLE, true, false, true, false});
}

void OrvMenu_start_Credits() {
    Enter({"OrvMenu_start_Credits()", OrvMenu_BuildCreditsPage, MN_STATE_CREDITS, true, false, false, false});
}

void OrvMenu_start_LaunchBox() {
    debug_log("OrvMenu_start_LaunchBox()");
    const char* caption = OrvMenu_Text(MENU_TXT_MESSAGES, 0);
    const char* text = OrvMenu_Text(MENU_TXT_MESSAGES, 1);
    Velkrum::ShowMessageBox(caption, text);
}

// ---- per pass ----

void OrvMenu_continue() {
    if (MenuHooks.Muzik_Step) MenuHooks.Muzik_Step();
    if (OrvDisplay_LockSurface()) {
        OrvSpr_SetSurfaceInfo(OrvDisplay_GetRenderSurface());
        if (MenuState.page) MenuState.page->Draw();
        if (MenuState.cursorShown) OrvSpr_Aff_curseur(MousePosition.x, MousePosition.y);
        OrvDisplay_UnlockSurface();
    }
    RunPageState();
}

void OrvMenu_stop() {
    ST_MenuState& m = MenuState;
    debug_log("OrvMenu_stop()");
    OrvMenu_DeletePage();
    const int32_t loopType = m.rememberedLoopType;
    if (!m.setAside.empty()) {
        const ST_MenuSetAside s = m.setAside.back();
        m.setAside.pop_back();
        m.page = s.page;
        m.pageState = s.pageState;
        m.slideCounter = s.slideCounter;
        m.rememberedLoopType = s.rememberedLoopType;
        m.eraseMode = s.eraseMode;
        m.escapeCloses = s.escapeCloses;
        m.cursorShown = s.cursorShown;
    }
    Menu_SetLoopType(loopType);
}

bool OrvMenu_IsCDPageActive() {
    return Menu_GetLoopType() == kLoopMenu && MenuState.pageState == MN_STATE_CD_WAIT;
}

bool OrvMenu_OnEscape() {
    const int32_t loopType = Menu_GetLoopType();
    if (loopType == kLoopMenu) {
        if (!MenuState.page || !MenuState.escapeCloses) return false;
        OrvMenu_stop();
        return true;
    }
    // Videos, dialogues and the canoe have their own use of the key.
    if (loopType == kLoopVideo || loopType == kLoopDialogue || loopType == kLoopCanoe) return false;
    OrvMenu_start();
    return true;
}

void OrvMenu_MainClose() {
    ST_MenuState& m = MenuState;
    OrvMenu_DeletePage();
    for (ST_MenuSetAside& s : m.setAside) delete s.page;
    m.setAside.clear();
    if (m.cursorBank) OrvSpr_LibereBank(&m.cursorBank);
    // The music stops with the program: a later start copies and starts its first music again.
    MusikCopy_Reset();
}
