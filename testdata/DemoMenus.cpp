// The menus' data of the demo installation: texts, fonts, backgrounds, credits pictures and sprite banks.
#include "testdata/DemoMenus.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "testdata/MenuArt.h"
#include "testdata/MenuTextWriter.h"
#include "testdata/TempDir.h"
#include "testdata/TgaWriter.h"

namespace fs = std::filesystem;

namespace {

const char* const kSystemFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kFrameW = 640;
constexpr int kFrameH = 480;
constexpr uint32_t kWhite = 0xFFFFFFFF;

uint32_t Mix(uint32_t a, uint32_t b, int num, int den) {
    uint32_t out = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        const int ca = int(a >> shift & 0xFF), cb = int(b >> shift & 0xFF);
        out |= uint32_t(ca + (cb - ca) * num / den) << shift;
    }
    return out;
}

// A w x h button of `count` frames: a light bar sweeps across it, so the animation shows.
std::vector<SprImage> Frames(int w, int h, uint32_t argb, int count) {
    std::vector<SprImage> frames;
    for (int i = 0; i < count; ++i) {
        SprImage img = MenuArt_Sprite(w, h, argb, kWhite);
        const int bar = 1 + (w - 3) * i / (count > 1 ? count - 1 : 1);
        for (int y = 1; y < h - 1; ++y) img.pixels[size_t(y) * size_t(w) + size_t(bar)] = Mix(argb, kWhite, 2, 3);
        frames.push_back(img);
    }
    return frames;
}

// A full-frame sprite, transparent but for one rectangle (the sliding panels and the picture frames).
SprImage Panel(int left, int top, int right, int bottom, uint32_t argb) {
    SprImage img;
    img.width = kFrameW;
    img.height = kFrameH;
    img.x = kFrameW / 2;
    img.y = kFrameH / 2;
    img.pixels.assign(size_t(kFrameW) * kFrameH, 0);
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            img.pixels[size_t(y) * kFrameW + size_t(x)] =
                (x == left || x == right || y == top || y == bottom) ? kWhite : argb;
    return img;
}

// Copies the sprite's opaque pixels into the picture with its corner at (left, top).
void Blit(SprImage& into, const SprImage& from, int left, int top) {
    for (int y = 0; y < from.height; ++y)
        for (int x = 0; x < from.width; ++x) {
            const uint32_t c = from.pixels[size_t(y) * size_t(from.width) + size_t(x)];
            const int tx = left + x, ty = top + y;
            if (c >> 24 && tx >= 0 && ty >= 0 && tx < into.width && ty < into.height)
                into.pixels[size_t(ty) * size_t(into.width) + size_t(tx)] = c;
        }
}

// The box of the yes/no questions (frame pixels) and its buttons: the button is the lower part of its sprite,
// the upper part left clear, where the tooltip of a button (drawn at its sprite's top) lies without covering
// the other button's word.
constexpr int kBoxLeft = 170, kBoxTop = 160, kBoxRight = 470, kBoxBottom = 290;
constexpr int kButtonW = 48, kButtonH = 50, kButtonClear = 22;
SprImage LowerButton(uint32_t argb, const std::string& label, const std::string& font) {
    SprImage img = MenuArt_Sprite(kButtonW, kButtonH, 0u);  // clear
    SprImage body = MenuArt_Sprite(kButtonW, kButtonH - kButtonClear, argb, kWhite);
    MenuArt_Label(body, label, font, 14);
    Blit(img, body, 0, kButtonClear);
    return img;
}

// A left-pointing arrow with its hot spot at the tip.
SprImage Pointer() {
    SprImage img;
    img.width = img.height = 14;
    img.pixels.assign(14 * 14, 0);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x <= y && x < 10; ++x)
            img.pixels[size_t(y) * 14 + size_t(x)] = (x == 0 || x == y || y == 13 || x == 9) ? 0xFF000000 : kWhite;
    return img;
}

// A picture in horizontal bands from one colour at the top to another at the bottom; run-length packed.
TgaImage Backdrop(int w, int h, uint32_t top, uint32_t bottom) {
    TgaImage tga;
    tga.width = w;
    tga.height = h;
    tga.type = 10;
    tga.bitsPerPixel = 24;
    tga.pixels.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) tga.pixels[size_t(y) * size_t(w) + size_t(x)] = Mix(top, bottom, y, h);
    return tga;
}

struct Writer {
    std::string dir;
    std::string* error;
    int pictureWidth;
    int pictureHeight;
    bool ok = true;

    void Fail(const std::string& what) {
        if (ok && error) *error = what;
        ok = false;
    }
    void Bank(const std::string& name, const std::vector<SprImage>& sprites) {
        if (ok && !MenuArt_SaveBank(dir, name, sprites)) Fail("spr/menu/" + name);
    }
    // A button bank whose pictures say what the button does (unlabelled without the font file).
    void Button(const std::string& name, std::vector<SprImage> sprites, const std::string& label, int size = 13) {
        for (SprImage& img : sprites) MenuArt_Label(img, label, dir + "loc/DejaVuSans.ttf", size);
        Bank(name, sprites);
    }
    // A backdrop; from darkFrom on to the right a darker field, where the credits' lines lie.
    void Picture(const std::string& name, uint32_t top, uint32_t bottom, int darkFrom = -1) {
        TgaImage tga = Backdrop(pictureWidth, pictureHeight, top, bottom);
        if (darkFrom >= 0)
            for (int y = 0; y < tga.height; ++y)
                for (int x = darkFrom * tga.width / kFrameW; x < tga.width; ++x) {
                    uint32_t& p = tga.pixels[size_t(y) * size_t(tga.width) + size_t(x)];
                    p = Mix(p, 0xFF000000, 3, 4);
                }
        if (ok && !TgaWriter_Save(dir + "spr/menu/" + name, tga)) Fail("spr/menu/" + name);
    }
    void Text(const std::string& name, const std::string& text) {
        if (ok && !WriteFileText(dir + "loc/" + name, text)) Fail("loc/" + name);
    }
};

}  // namespace

std::vector<MenuTxtSection> DemoMenus_Sections() {
    std::vector<MenuTxtSection> sections = MenuTxt_StandardSections();
    // The texts that relabel the yes and no buttons say what each answer does.
    sections[0].lines[7] = "Yes: save the game here";
    sections[0].lines[8] = "No: go back without saving";
    sections[0].lines[9] = "Yes: quit the demo";
    sections[0].lines[10] = "No: go on playing";
    sections[4].lines[3] = "Yes: erase this saved game";
    sections[4].lines[4] = "No: keep it";
    return sections;
}

std::vector<std::vector<std::string>> DemoMenus_Credits() {
    // Each page starts some lines down, its lines short enough for the part of the screen right of the margin.
    const std::vector<std::string> top(6, "");
    auto page = [&top](std::vector<std::string> lines) {
        lines.insert(lines.begin(), top.begin(), top.end());
        return lines;
    };
    return {
        page({"#Quillmar 2", "", "#An adventure", "#in panoramas", "", "#The small demo"}),
        page({"Programming", "#The engine team", "", "Pictures", "#The workshop"}),
        page({"Music and sound", "#The studio", "", "", "#Thank you", "#for playing"}),
    };
}

bool DemoMenus_Write(const std::string& installDir, std::string* error, int pictureWidth, int pictureHeight) {
    Writer w{installDir, error, pictureWidth, pictureHeight};
    if (!w.dir.empty() && w.dir.back() != '/') w.dir += '/';
    std::error_code ec;
    fs::create_directories(w.dir + "spr/menu", ec);
    fs::create_directories(w.dir + "loc", ec);

    // Texts and fonts: the system's font file when it is there, else the font module's fallback.
    w.Text("Menu.txt", MenuTxt_Make(DemoMenus_Sections()));
    w.Text("Credits.txt", CreditsTxt_Make(DemoMenus_Credits()));
    // Subtitles may be wrapped after a blank or a hyphen.
    w.Text("Font.txt", FontTxt_Make(FontTxt_StandardBlocks("DejaVuSans.ttf"), {0x20, 0x2D}, false));
    if (fs::exists(kSystemFont))
        fs::copy_file(kSystemFont, w.dir + "loc/DejaVuSans.ttf", fs::copy_options::overwrite_existing, ec);

    // Page backgrounds and the sixteen credits pictures.
    w.Picture("f_main.tga", 0xFF203050, 0xFF101820);
    w.Picture("f_player.tga", 0xFF304020, 0xFF101808);
    w.Picture("f_option.tga", 0xFF402030, 0xFF180810);
    w.Picture("f_son.tga", 0xFF203838, 0xFF081818);
    w.Picture("f_load.tga", 0xFF383820, 0xFF181808);
    for (int i = 1; i <= 16; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f_cred%02d.tga", i);
        const uint32_t hue =
            0xFF000000 | uint32_t(40 + i * 12) << 16 | uint32_t(200 - i * 10) << 8 | uint32_t(60 + i * 8);
        w.Picture(name, hue, 0xFF000000, DEMO_CREDITS_MARGIN - 15);
    }

    w.Bank("curseur.spr", {Pointer()});
    // Main page: the panels, their buttons and the yes/no box.
    w.Button("a_load.spr", Frames(90, 40, 0xFF3070C0, 20), "Load");
    w.Button("a_save.spr", Frames(90, 40, 0xFFC07030, 20), "Save");
    w.Bank("c_opt.spr", {Panel(500, 40, 600, 120, 0xFF506070)});
    w.Bank("c_son.spr", {Panel(340, 210, 440, 290, 0xFF507060)});
    w.Bank("c_load.spr", {Panel(70, 240, 190, 320, 0xFF706050)});
    w.Button("a_exit.spr", Frames(56, 40, 0xFFB03030, 20), "Quit");
    w.Button("a_toolbx.spr", Frames(56, 48, 0xFF8080A0, 20), "Options");
    w.Button("a_baffle.spr", Frames(56, 48, 0xFF80A080, 20), "Sound");
    w.Button("a_disc.spr", Frames(60, 56, 0xFFA08060, 20), "Games");
    // The yes/no box says what to do; pointing at a button tells what it does (the texts that relabel it).
    SprImage box = Panel(kBoxLeft, kBoxTop, kBoxRight, kBoxBottom, 0xFF303848);
    SprImage heading = MenuArt_Sprite(kBoxRight - kBoxLeft - 8, 22, 0xFF303848);
    MenuArt_Label(heading, "Are you sure?", w.dir + "loc/DejaVuSans.ttf", 16);
    Blit(box, heading, kBoxLeft + 4, kBoxTop + 6);
    w.Bank("c_yn.spr", {box});
    w.Bank("b_oui.spr", {LowerButton(0xFF30A030, "Yes", w.dir + "loc/DejaVuSans.ttf")});
    w.Bank("b_non.spr", {LowerButton(0xFFA03030, "No", w.dir + "loc/DejaVuSans.ttf")});
    // Player page.
    w.Bank("c_player.spr", {Panel(230, 90, 550, 210, 0xFF303848)});
    const uint32_t players[] = {0xFFE0C040, 0xFFC0C0E0, 0xFFF08020, 0xFF80C0F0, 0xFF60B060};
    const char* playerBanks[] = {"b_gala.spr", "b_lune.spr", "b_sol.spr", "b_star.spr", "b_ter.spr"};
    for (int i = 0; i < 5; ++i)
        w.Button(playerBanks[i],
                 {MenuArt_Sprite(46, 46, players[i], 0xFF000000), MenuArt_Sprite(46, 46, Mix(players[i], kWhite, 1, 2), kWhite)},
                 std::to_string(i + 1), 20);
    // Options page.
    w.Button("b_back.spr", {MenuArt_Sprite(60, 32, 0xFF606060, kWhite)}, "Back");
    for (auto [name, label] : {std::pair{"s_sub.spr", "Subtitles"}, {"s_cross.spr", "Cross"}, {"s_xyinv.spr", "Invert"}})
        w.Button(name, {MenuArt_Sprite(60, 30, 0xFF603030, kWhite), MenuArt_Sprite(60, 30, 0xFF30A030, kWhite)}, label);
    w.Button("b_rezo.spr", {MenuArt_Sprite(80, 32, 0xFF505080, kWhite)}, "Screen");
    // Sound page.
    w.Bank("g_son.spr", {MenuArt_Sprite(130, 16, 0xFF404040, 0xFF909090)});
    w.Bank("m_son.spr", {MenuArt_Sprite(8, 14, 0xFFE0E0E0, 0xFF000000)});
    w.Button("a_harpe.spr", Frames(56, 48, 0xFFA0A060, 20), "Music");
    w.Button("a_hp.spr", Frames(56, 48, 0xFF60A0A0, 20), "Voices");
    w.Button("a_cloche.spr", Frames(56, 48, 0xFFA060A0, 20), "Effects");
    // Load page: the save pictures, the scroll bar and the erase button.
    std::vector<SprImage> saves;
    for (int i = 0; i < 8; ++i) saves.push_back(MenuArt_Sprite(56, 56, Mix(0xFF2050A0, 0xFFA05020, i, 7), kWhite));
    w.Bank("save.spr", saves);
    w.Bank("g_load.spr", {MenuArt_Sprite(20, 212, 0xFF404040, 0xFF909090)});
    w.Bank("m_load.spr", {MenuArt_Sprite(16, 12, 0xFFE0E0E0, 0xFF000000)});
    w.Button("b_erase.spr", {MenuArt_Sprite(60, 40, 0xFF803030, kWhite)}, "Erase");
    // Pages over the game.
    for (int cd = 1; cd <= 4; ++cd) {
        char name[16];
        std::snprintf(name, sizeof name, "b_cd%d.spr", cd);
        w.Button(name, {MenuArt_Sprite(240, 80, Mix(0xFF204080, 0xFF802040, cd - 1, 3), kWhite)},
                 "Please insert CD " + std::to_string(cd), 22);
    }
    w.Button("a_wait.spr", Frames(40, 40, 0xFF3060A0, 20), "Wait");
    w.Button("b_dfull.spr", {MenuArt_Sprite(240, 80, 0xFF906020, kWhite)}, "The disk is full", 22);
    w.Button("b_derr.spr", {MenuArt_Sprite(240, 80, 0xFF902020, kWhite)}, "Disk error", 22);
    return w.ok;
}
