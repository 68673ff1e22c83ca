// TGA pictures through each of their readers: pictures, menu backgrounds and 3D texture maps.
#include "engine3d/DbRecords.h"
#include "engine3d/Material.h"
#include "engine3d/Orv3D.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Tga.h"
#include "menus/Mn_Menu.h"
#include "testdata/TgaWriter.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

void Setup() { Fuzz_UseDisplay(); }

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("fuzz.tga", data, size);
    CSystemMemorySurface picture;
    std::vector<uint32_t> palette;
    const bool loaded = Tga_Load(Fuzz_Path("fuzz.tga").c_str(), picture, &palette);
    if (loaded) {
        Fuzz_Check(picture.pixels && picture.width > 0 && picture.height > 0, "an empty picture accepted");
        CSystemMemorySurface screen;
        Fuzz_Check(screen.Create(picture.width, picture.height, PixelFormatOf(PFID_R5G6B5)), "no screen copy");
        picture.Lock();
        CopySurface(screen, picture);
        picture.Unlock();
    }

    Fuzz_WriteFile("spr/menu/fuzz.tga", data, size);
    {
        CMnMenu menu;
        CSystemMemorySurface target;
        Fuzz_Check(target.Create(64, 48, PixelFormatOf(PFID_R5G6B5)), "no menu target");
        menu.LoadTga("fuzz.tga", target);
    }

    Fuzz_WriteFile("datas_q2/3d/dial/fuzz.tga", data, size);
    CTDbTexture record;
    record.name = "fuzz.tga";
    CTTexture texture;
    Orv3D_LoadMapTexture(record, texture);
    return loaded;
}

TgaImage Picture(int type, int bits, int w, int h) {
    TgaImage t;
    t.type = type;
    t.bitsPerPixel = bits;
    t.width = w;
    t.height = h;
    const bool mapped = type == 1 || type == 9;
    for (int i = 0; i < w * h; i++)
        t.pixels.push_back(mapped ? uint32_t(i / 7 % 5) : 0xFF000000u | uint32_t(i / 5 % 3) * 0x405060u);
    if (mapped) t.palette = {0xFF102030, 0xFFFFFFFF, 0xFF800000, 0xFF008000, 0xFF000080};
    return t;
}

std::vector<FuzzBytes> Seeds() {
    TgaImage a = Picture(1, 8, 9, 5), b = Picture(2, 16, 6, 4), c = Picture(9, 8, 40, 24), d = Picture(10, 24, 33, 7),
             e = Picture(10, 32, 16, 16), f = Picture(2, 15, 5, 3);
    a.paletteEntryBits = 16;
    a.paletteFirst = 3;
    a.imageId = "id";
    c.paletteEntryBits = 32;
    d.topDown = true;
    d.rleAcrossRows = false;
    e.rightToLeft = true;
    return {TgaWriter_Encode(a), TgaWriter_Encode(b), TgaWriter_Encode(c),
            TgaWriter_Encode(d), TgaWriter_Encode(e), TgaWriter_Encode(f)};
}

}  // namespace

QM_FUZZ_TARGET(tga, Setup, Run, Seeds);
