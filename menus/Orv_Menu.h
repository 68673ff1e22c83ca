// The menus of loop type 5: the texts of "Menu.txt", the ten pages and the menu state machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "menus/Mn_Menu.h"

struct SprBank;

// The seven text lists of "Menu.txt" and the lines their pages read.
enum : int {
    MENU_TXT_MAIN,
    MENU_TXT_PLAYER,
    MENU_TXT_OPTIONS,
    MENU_TXT_SOUND,
    MENU_TXT_LOAD,
    MENU_TXT_CD,
    MENU_TXT_MESSAGES,
    MENU_TXT_LISTS,
};
extern const int MenuTextCounts[MENU_TXT_LISTS];
extern std::vector<std::string> MenuTexts[MENU_TXT_LISTS];
// Line k of a list; "" for a line the list does not hold.
const char* OrvMenu_Text(int list, int line);

// Event codes of the pages.
enum : int32_t {
    MN_EV_BACK = 1,
    MN_EV_OPTIONS = 2,
    MN_EV_SOUND = 3,
    MN_EV_LOAD = 4,
    MN_EV_PLAYER0 = 5,  // to 9: players 0 to 4
    MN_EV_PLAYER4 = 9,
    MN_EV_CROSS = 10,
    MN_EV_INVERT = 11,
    MN_EV_SUBTITLES = 12,
    MN_EV_ERASE = 13,
    MN_EV_SCREEN = 14,
    MN_EV_MASTER = 15,
    MN_EV_MUSIC = 16,
    MN_EV_EFFECTS = 17,
    MN_EV_DIALOG = 18,
    MN_EV_EMPTY = MN_EVENT_EMPTY_CLICK,
    MN_EV_SAVELIST = MN_EVENT_SAVELIST,
    MN_EV_SAVE = 21,
    MN_EV_ACKNOWLEDGE = 22,
    MN_EV_QUIT = MN_EVENT_CREDITS_STOP,
    MN_EV_NO = 24,
    MN_EV_YES = 25,
    MN_EV_CREDITS_OVER = MN_EVENT_CREDITS_OVER,
};

// Page states of the state machine.
enum : int32_t {
    MN_STATE_IDLE = 0,
    MN_STATE_SLIDE_OPTIONS = 1,
    MN_STATE_SLIDE_SOUND = 2,
    MN_STATE_SLIDE_DISC_OUT = 3,
    MN_STATE_SLIDE_DISC_BACK = 4,
    MN_STATE_ASK_SAVE = 5,
    MN_STATE_ASK_ERASE = 6,
    MN_STATE_ASK_QUIT = 7,
    MN_STATE_LOAD_OR_SAVE = 8,
    MN_STATE_CD_WAIT = 9,
    MN_STATE_PLAYER_CHOSEN = 10,
    MN_STATE_CREDITS = 11,
};

// What an entry point sets aside when it opens a page over another.
struct ST_MenuSetAside {
    CMnMenu* page;
    int32_t pageState;
    int32_t slideCounter;
    int32_t rememberedLoopType;
    bool eraseMode;
    bool escapeCloses;
    bool cursorShown;
};

struct ST_MenuState {
    CMnMenu* page = nullptr;  // owned
    int32_t pageState = MN_STATE_IDLE;
    int32_t slideCounter = 0;
    int32_t rememberedLoopType = 0;
    int32_t player = 0;
    bool eraseMode = false;
    bool escapeCloses = false;
    bool cursorShown = false;
    uint32_t lastFrameCount = 0;
    float masterSlider = 0.0f;
    float musicSlider = 0.0f;
    float effectsSlider = 0.0f;
    float dialogSlider = 0.0f;
    ST_listbox_item selectedSave{};
    SprBank* cursorBank = nullptr;
    // Pages under the current one, the latest last; each comes back when the page over it stops.
    std::vector<ST_MenuSetAside> setAside;
    // The CD page's background, handed from a CD page that closes to the one that replaces it in the
    // same pass, so that the picture is not darkened again each time.
    CSystemMemorySurface* cdBackdrop = nullptr;
};
extern ST_MenuState MenuState;

// Reads "Menu.txt" into the lists and loads the menu cursor.
void OrvMenu_MainInit();
// Deletes every page and frees the cursor bank; no music is taken as playing any more.
void OrvMenu_MainClose();

// Entry points: each builds its page over whatever is shown.
void OrvMenu_start();
void OrvMenu_start_Player();
void OrvMenu_start_CD();
void OrvMenu_start_PleaseWait();
void OrvMenu_start_DiskFull();
void OrvMenu_start_DiskError();
void OrvMenu_start_Credits();
// The message box shown when no game CD is found.
void OrvMenu_start_LaunchBox();

// One menu pass: the music step, the page and the cursor drawn, then one step of the page state.
void OrvMenu_continue();
// Deletes the page and puts back the loop type (and any page set aside) from before it.
void OrvMenu_stop();
bool OrvMenu_IsCDPageActive();
// The Escape key: opens the main page, or closes the menus that Escape opened. True when it acted.
bool OrvMenu_OnEscape();

// Page builders: each replaces the current page.
void OrvMenu_DeletePage();
void OrvMenu_BuildMainPage();
void OrvMenu_BuildPlayerPage();
void OrvMenu_BuildOptionsPage();
void OrvMenu_BuildSoundPage();
void OrvMenu_BuildLoadPage();
void OrvMenu_BuildCDPage();
void OrvMenu_BuildPleaseWaitPage();
void OrvMenu_BuildDiskFullPage();
void OrvMenu_BuildDiskErrorPage();
void OrvMenu_BuildCreditsPage();
