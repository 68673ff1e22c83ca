// Menu art for the tests and the demo: sprites with their hot spot at the centre, as the menus place them.
#include "testdata/MenuArt.h"

SprImage MenuArt_Sprite(int w, int h, uint32_t argb, uint32_t borderArgb) {
    SprImage img;
    img.width = w;
    img.height = h;
    img.x = w / 2;
    img.y = h / 2;
    img.pixels.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.pixels[size_t(y) * size_t(w) + size_t(x)] =
                (x == 0 || y == 0 || x == w - 1 || y == h - 1) ? borderArgb : argb;
    return img;
}

bool MenuArt_SaveBank(const std::string& installDir, const std::string& name, const std::vector<SprImage>& sprites) {
    std::string dir = installDir;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return SprWriter_Save(dir + "spr/menu/" + name, sprites, SprWriterOptions{});
}
