// Writers of the menus' text scripts ("Font.txt", "Menu.txt", "Credits.txt") for the tests and the demo.
#include "testdata/MenuTextWriter.h"

#include <cstdio>

std::string FontTxt_Make(const std::vector<FontTxtBlock>& blocks, const std::vector<uint16_t>& partitionCodes,
                         bool mbcs) {
    std::string t = "; fonts of the game\r\n";
    if (!partitionCodes.empty()) {
        t += "[PartitionCode]";
        for (uint16_t c : partitionCodes) {
            char hex[8];
            std::snprintf(hex, sizeof hex, " %X", unsigned(c));
            t += hex;
        }
        t += "\r\n";
    }
    t += mbcs ? "[CharacterSet] MBCS\r\n" : "[CharacterSet] SBCS\r\n";
    for (const FontTxtBlock& b : blocks) {
        t += "\r\n[Font]\r\n";
        if (!b.nameId.empty()) t += "NameID " + b.nameId + "\r\n";
        if (!b.name.empty()) t += "Name " + b.name + "\r\n";
        if (!b.type.empty()) t += "Type " + b.type + "\r\n";
        t += "Height " + std::to_string(b.height) + "\r\n";
        t += "Width " + std::to_string(b.width) + "\r\n";
        t += "[EndFont]\r\n";
    }
    return t;
}

std::vector<FontTxtBlock> FontTxt_StandardBlocks(const std::string& fontFile) {
    return {
        {"OrvFT_Default", fontFile, "DejaVu Sans", 16, 0},
        {"OrvFT_Big_Default", fontFile, "DejaVu Sans", 28, 0},
        {"OrvFT_Dialog", fontFile, "DejaVu Sans", 18, 0},
        {"OrvFT_POPUP", fontFile, "DejaVu Sans", 14, 0},
    };
}

std::string MenuTxt_Make(const std::vector<MenuTxtSection>& sections) {
    std::string t = "; texts of the menus\r\n";
    for (const MenuTxtSection& s : sections) {
        t += "\r\n" + s.header + "\r\n";
        for (const std::string& line : s.lines) t += line + "\r\n";
        t += "[EndMenu]\r\n";
    }
    return t;
}

std::vector<MenuTxtSection> MenuTxt_StandardSections() {
    return {
        {"[MainMenu]",
         {"Main menu", "Quit", "Options", "Sound", "Load and save", "Load a game", "Save the game", "Save?", "Cancel",
          "Quit the game?", "Go on playing"}},
        {"[PlayerMenu]", {"Choose your player", "Quit", "Player 1", "Player 2", "Player 3", "Player 4", "Player 5"}},
        {"[OptionsMenu]",
         {"Options", "Back", "Subtitles off", "Subtitles on", "Centre cross hidden", "Centre cross shown",
          "Normal vertical look", "Inverted vertical look", "Switch to 640x480", "Switch to 800x600"}},
        {"[SoundMenu]", {"Volumes", "Back", "Master volume", "Music", "Dialogues", "Sound effects"}},
        {"[LoadMenu]", {"Saved games", "Back", "Erase a game", "Erase it?", "Keep it"}},
        {"[CDMenu]", {"Please insert CD 1", "Please insert CD 2", "Please insert CD 3", "Please insert CD 4"}},
        {"[Messages]", {"Quillmar 2", "No Quillmar 2 CD was found.", "The disk is full", "Disk error"}},
    };
}

std::string CreditsTxt_Make(const std::vector<std::vector<std::string>>& pages) {
    std::string t = "; credits\r\n";
    for (const auto& page : pages) {
        t += "[BeginPage]\r\n";
        for (const std::string& line : page) t += line + "\r\n";
        t += "[EndPage]\r\n\r\n";
    }
    return t;
}
