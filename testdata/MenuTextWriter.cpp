// Writers of the menus' text scripts ("Font.txt") for the tests and the demo.
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
