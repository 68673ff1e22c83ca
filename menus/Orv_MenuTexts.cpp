// "Menu.txt": the seven text lists of the menu pages, and the menu cursor.
#include <cstring>

#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "graphics2d/Orv_Spr.h"
#include "menus/Orv_Menu.h"
#include "menus/TxtReader.h"

const int MenuTextCounts[MENU_TXT_LISTS] = {11, 7, 10, 6, 5, 4, 4};
std::vector<std::string> MenuTexts[MENU_TXT_LISTS];

namespace {

const char* const kHeaders[MENU_TXT_LISTS] = {"[MainMenu]", "[PlayerMenu]", "[OptionsMenu]", "[SoundMenu]",
                                              "[LoadMenu]", "[CDMenu]",     "[Messages]"};

// What each short list's warning names after this prefix.
const char* const kShortListPrefix =
    "void OrvMenu_MainInit(void) ATTENTION: script \"Menu.txt\": il manque des lignes de texte pour ";
const char* const kShortListNames[MENU_TXT_LISTS] = {
    "le menu principal!", "le menu player!", "le menu options!", "le menu son!", "le menu load!", "le menu CD!",
    "dans la catégorie [Messages] !",
};

// The lines of a section up to "[EndMenu]" or the end of the text. Reading the rest of a line first skips
// separators, so blank lines vanish and an entry never starts with a blank, tab, comma or semicolon.
void ReadSection(TxtReader& file, std::vector<std::string>& list) {
    std::string entry;
    while (!file.txt_IsEnd()) {
        file.txt_ReadRestOfLine(entry);
        if (entry == "[EndMenu]") return;
        // Separators up to the end of the text leave nothing to add.
        if (entry.empty() && file.txt_IsEnd()) return;
        list.push_back(entry);
    }
}

}  // namespace

const char* OrvMenu_Text(int list, int line) {
    if (list < 0 || list >= MENU_TXT_LISTS || line < 0 || size_t(line) >= MenuTexts[list].size()) return "";
    return MenuTexts[list][size_t(line)].c_str();
}

void OrvMenu_MainInit() {
    for (auto& list : MenuTexts) list.clear();
    char path[ORV_PATH_MAX];
    build_path_loc(path, "Menu.txt");
    TxtReader file;
    if (!TxtReader_LoadFile(path, file)) {
        OrvError_Fatal("void OrvMenu_MainInit(void) ERREUR: le fichier \"Menu.txt\" est introuvalbe");
        return;
    }
    while (!file.txt_IsEnd()) {
        TxtReader line;
        file.txt_ReadLine(line);
        if (line.length() == 0 || *line.txt_CharAt(0) == ';') continue;
        std::string token;
        line.txt_GetToken(token);
        if (token.empty() || token[0] == ';') continue;
        for (int i = 0; i < MENU_TXT_LISTS; ++i) {
            if (token == kHeaders[i]) {
                ReadSection(file, MenuTexts[i]);
                break;
            }
        }
    }
    for (int i = 0; i < MENU_TXT_LISTS; ++i) {
        if (MenuTexts[i].size() >= size_t(MenuTextCounts[i])) continue;
        OrvError_Warning("%s%s", kShortListPrefix, kShortListNames[i]);
        MenuTexts[i].resize(size_t(MenuTextCounts[i]));
    }
    build_path_sprmenu(path, "curseur.spr");
    if (MenuState.cursorBank) OrvSpr_LibereBank(&MenuState.cursorBank);
    OrvSpr_LoadBank(path, &MenuState.cursorBank, 1);
}
