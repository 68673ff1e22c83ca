// "Menu.txt": the seven text lists of the menu pages, then pages built and drawn with what was read.
#include "graphics2d/Orv_Display.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Mn_Menu.h"
#include "menus/Orv_Menu.h"
#include "testdata/DemoMenus.h"
#include "testdata/MenuTextWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void Setup() {
    Fuzz_UseDisplay();
    Fuzz_UseSprites();
    std::string error;
    // Small backgrounds: the pages copy what they have.
    Fuzz_Check(DemoMenus_Write(Fuzz_Dir(), &error, 64, 48), "no menu art");
    Fuzz_UseFonts();
}

void DrawPage() {
    if (!OrvDisplay_LockSurface()) return;
    OrvSpr_SetSurfaceInfo(OrvDisplay_GetRenderSurface());
    if (MenuState.page) MenuState.page->Draw();
    OrvSpr_SetSurfaceInfo(nullptr);
    OrvDisplay_UnlockSurface();
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("loc/Menu.txt", data, size);
    OrvMenu_MainInit();
    bool whole = true;
    for (int list = 0; list < MENU_TXT_LISTS; list++) {
        Fuzz_Check(MenuTexts[list].size() >= size_t(MenuTextCounts[list]), "a short list was not padded");
        for (int line = 0; line < MenuTextCounts[list]; line++) whole = whole && OrvMenu_Text(list, line)[0] != 0;
    }
    OrvMenu_BuildMainPage();
    DrawPage();
    OrvMenu_BuildOptionsPage();
    DrawPage();
    OrvMenu_DeletePage();
    return whole;
}

std::vector<FuzzBytes> Seeds() {
    std::vector<MenuTxtSection> sections = MenuTxt_StandardSections();
    sections[0].lines[3] = "Un texte bien plus long que le bouton qui le porte, sur toute la largeur";
    sections[2].lines.push_back("en trop");
    return {Fuzz_Text(MenuTxt_Make(MenuTxt_StandardSections())), Fuzz_Text(MenuTxt_Make(sections))};
}

}  // namespace

QM_FUZZ_TARGET(menu, Setup, Run, Seeds);
