// Sprite banks through the sprite plug-in: loaded, then every sprite drawn in every mode and format.
#include "graphics2d/Orv_Spr.h"
#include "testdata/SprWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

constexpr int kDrawn = 24;  // sprites drawn of a larger bank

void Setup() { Fuzz_UseSprites(); }

void Draw(SprBank* bank, int count, const CPixelFormat& format) {
    CSystemMemorySurface screen;
    Fuzz_Check(screen.Create(40, 30, format), "no screen");
    screen.Lock();
    OrvSpr_SetSurfaceInfo(&screen);
    const int modes[] = {SPR_MODE_PLAIN, SPR_MODE_TRS50, SPR_MODE_ECL,        SPR_MODE_OMB,
                         SPR_MODE_ALPHA, SPR_MODE_TRS + 100, SPR_MODE_TRS + 256};
    for (int n = 0; n < count && n < kDrawn; n++) {
        int w = 0, h = 0;
        Fuzz_Check(OrvSpr_GetSize(bank, n, &w, &h) && w >= 0 && h >= 0, "a sprite of the bank has no size");
        for (int mode : modes) OrvSpr_Aff(bank, n, 3 - n, 5 + n, mode);
        OrvSpr_Aff(bank, n, SPR_NOPOS, SPR_NOPOS, SPR_MODE_PLAIN);
        OrvSpr_Aff_centre(bank, n, 20, 15, SPR_MODE_PLAIN);
        OrvSpr_Aff(bank, n, -w / 2, 30 - h / 2, SPR_MODE_ALPHA);
    }
    OrvSpr_SetSurfaceInfo(nullptr);
    screen.Unlock();
}

bool Run(const uint8_t* data, size_t size) {
    const FuzzBytes file = Fuzz_SizedFile(data, size, SPR_HDR_FILESIZE);
    Fuzz_WriteFile("spr/fuzz.spr", file.data(), file.size());
    SprBank* bank = nullptr;
    const bool loaded = OrvSpr_LoadBank("fuzz.spr", &bank, 0);
    Fuzz_Check(loaded == (bank != nullptr), "a bank half loaded");
    if (bank) {
        const int count = OrvSpr_GetNbSprBank(bank);
        Fuzz_Check(count > 0, "a bank without sprites");
        const SprDllApi* dll = OrvSpr_GetDll();
        Draw(bank, count, PixelFormatOf(PFID_R5G6B5));
        Draw(bank, count, PixelFormatOf(PFID_X1R5G5B5));
        dll->save_pal(bank);
        dll->shadow_pal(bank, 200);
        Draw(bank, count, PixelFormatOf(PFID_X8R8G8B8));
        dll->restore_pal(bank);
        OrvSpr_LibereBank(&bank);
    }
    return loaded;
}

SprImage Image(int w, int h, int x, int y, uint32_t seed) {
    SprImage img;
    img.width = w;
    img.height = h;
    img.x = x;
    img.y = y;
    for (int i = 0; i < w * h; i++) {
        const uint32_t v = (uint32_t(i) * 2654435761u + seed) >> 24;
        img.pixels.push_back(v < 60 ? 0u : (v << 24 | (v * 7 % 5) * 0x334455u));
    }
    return img;
}

std::vector<FuzzBytes> Seeds() {
    const std::vector<SprImage> images = {Image(12, 9, 6, 4, 1), Image(300, 2, 0, 0, 2), Image(1, 1, -10, 40, 3),
                                          Image(7, 20, 0, 0, 4)};
    SprWriterOptions plain, alpha, keyed;
    alpha.kind = SprFileKind::BankAlpha;
    keyed.useColourKey = true;
    keyed.colourKey = 0x334455;
    return {Fuzz_AsIs(SprWriter_Encode(images, plain)), Fuzz_AsIs(SprWriter_Encode(images, alpha)),
            Fuzz_AsIs(SprWriter_Encode({Image(5, 5, 2, 2, 9)}, keyed))};
}

}  // namespace

QM_FUZZ_TARGET(spr, Setup, Run, Seeds);
