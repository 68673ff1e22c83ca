// "Font.txt": the fonts it names loaded through FreeType, then text measured and drawn in each of them.
#include <cstring>

#include "graphics2d/Surface.h"
#include "menus/Orv_Font.h"
#include "testdata/MenuTextWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

CSystemMemorySurface g_screen;

void Setup() {
    Fuzz_UseFonts();
    Fuzz_Check(g_screen.Create(120, 40, PixelFormatOf(PFID_R5G6B5)), "no screen");
}

void Restore() {
    OrvFont_RemoveFonts();
    const std::string fonts = FontTxt_Make(FontTxt_StandardBlocks("Sans.ttf"), {}, false);
    Fuzz_WriteFile("loc/Font.txt", fonts.data(), fonts.size());
    OrvFont_MainInit();
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("loc/Font.txt", data, size);
    OrvFont_RemoveFonts();
    OrvFont_MainInit();
    const char* const ids[] = {"OrvFT_Default", "OrvFT_Big_Default", "OrvFT_Dialog", "OrvFT_POPUP", "Inconnue"};
    const char text[] = "Quillmar 2, \xe9t\xe9 \x81\x40\x82 fin.";
    bool all = true;
    for (const char* id : ids) {
        all = all && (OrvFont_Find(id) != nullptr || std::strcmp(id, "Inconnue") == 0);
        OrvFont_PrintBeginOn(&g_screen, id, 0x00C0FFEE);
        OrvTextSize extent;
        OrvFont_GetTextSize(text, int32_t(sizeof text - 1), extent);
        Fuzz_Check(extent.cx >= 0 && extent.cy >= 0 && OrvFont_GetHeight() >= 0, "a negative text extent");
        OrvFont_PrintAt(-3, 5, text);
        OrvFont_PrintAt(100, 30, text);
        OrvFont_PrintEnd();
    }
    for (const char* p = text; *p; p++) (void)OrvFont_IsPartitionChar(p);
    Restore();
    return all;
}

std::vector<FuzzBytes> Seeds() {
    std::vector<FontTxtBlock> blocks = FontTxt_StandardBlocks("Sans.ttf");
    blocks[1].width = 9;
    blocks[2].height = -20;
    blocks[3].name = "absente.ttf";
    return {Fuzz_Text(FontTxt_Make(FontTxt_StandardBlocks("Sans.ttf"), {}, false)),
            Fuzz_Text(FontTxt_Make(blocks, {0x20, 0x8140, 0x2c}, true))};
}

}  // namespace

QM_FUZZ_TARGET(font, Setup, Run, Seeds);
