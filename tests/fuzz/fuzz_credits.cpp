// The credits text ("Credits.txt"): read into pages of labels, the slideshow run to its end.
#include "app/Clock.h"
#include "app/Orv_Log.h"
#include "menus/Mn_Menu.h"
#include "testdata/MenuTextWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void Setup() {
    Fuzz_UseDisplay();
    Fuzz_UseFonts();
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("loc/Credits.txt", data, size);
    CTManualClock clock;
    CMnMenu page;
    page.OrvMenu_LoadCredits({}, "Credits.txt", 405);
    // A truncated page is a fatal report.
    const bool read = !OrvError_InFatal();
    // Each page shows, then fades: two steps a page, and the pages are at most one per line.
    for (size_t step = 0; !page.IsSlideshowFinished(); step++) {
        Fuzz_Check(step <= 8 + 2 * size, "the slideshow does not end");
        page.Draw();
        clock.Advance(MN_CREDITS_SHOW + MN_CREDITS_FADE);
    }
    return read;
}

std::vector<FuzzBytes> Seeds() {
    return {Fuzz_Text(CreditsTxt_Make({{"#Quillmar 2", "", "Programmation", "#Une equipe"}, {"fin"}})),
            Fuzz_Text(CreditsTxt_Make({{"; commentaire", "# centre", "un texte bien plus long que la marge a droite"}}))};
}

}  // namespace

QM_FUZZ_TARGET(credits, Setup, Run, Seeds);
