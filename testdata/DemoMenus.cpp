// The menus' data of the demo installation: texts, fonts, backgrounds, credits pictures and sprite banks.
#include "testdata/DemoMenus.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "menus/Orv_Font.h"
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

// The box of the yes/no questions, centred on the screen where the menus draw it; the menus write the question
// across its top.
constexpr int kBoxW = 300, kBoxH = 130;
// Every labelled button stands under a clear band where its tooltip (drawn at the top of its sprite) lies
// without covering its word; the yes button's band is tall enough for the no button's tooltip, drawn ten
// pixels lower, to clear the word "Yes" too.
constexpr int kTooltipBand = 22;

// The player buttons, players 1 to 5.
const char* const kPlayerBanks[] = {"b_gala.spr", "b_lune.spr", "b_sol.spr", "b_star.spr", "b_ter.spr"};

// The sprite under its clear band, the label centred on it.
SprImage UnderBand(const SprImage& body, const DemoMenuLabel& label, const std::string& font) {
    SprImage labelled = body;
    MenuArt_Label(labelled, label.text, font, label.size);
    SprImage img = MenuArt_Sprite(body.width, body.height + kTooltipBand, 0u);  // clear
    Blit(img, labelled, 0, kTooltipBand);
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
    void Button(const std::string& name, const std::vector<SprImage>& sprites) {
        const std::vector<DemoMenuLabel>& labels = DemoMenus_Labels();
        auto label = std::find_if(labels.begin(), labels.end(), [&](const DemoMenuLabel& l) { return l.bank == name; });
        if (label == labels.end()) return Fail("no label for spr/menu/" + name);
        std::vector<SprImage> banded;
        for (const SprImage& img : sprites) banded.push_back(UnderBand(img, *label, dir + "loc/DejaVuSans.ttf"));
        Bank(name, banded);
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
    // The yes button's text is the question, which the box asks; the no button's says what No does.
    sections[0].lines[7] = "Save the game here?";
    sections[0].lines[8] = "No: go back without saving";
    sections[0].lines[9] = "Quit the demo?";
    sections[0].lines[10] = "No: go on playing";
    sections[4].lines[3] = "Erase this saved game?";
    sections[4].lines[4] = "No: keep it";
    return sections;
}

const std::vector<DemoMenuLabel>& DemoMenus_Labels() {
    static const std::vector<DemoMenuLabel> labels = [] {
        std::vector<DemoMenuLabel> l = {
            {"a_load.spr", "Load", 13},      {"a_save.spr", "Save", 13},       {"a_exit.spr", "Quit", 13},
            {"a_toolbx.spr", "Options", 13}, {"a_baffle.spr", "Sound", 13},    {"a_disc.spr", "Games", 13},
            {"b_oui.spr", "Yes", 14},        {"b_non.spr", "No", 14},          {"b_back.spr", "Back", 13},
            {"s_sub.spr", "Subtitles", 13},  {"s_cross.spr", "Cross", 13},     {"s_xyinv.spr", "Invert", 13},
            {"b_rezo.spr", "Screen", 13},    {"a_harpe.spr", "Music", 13},     {"a_hp.spr", "Voices", 13},
            {"a_cloche.spr", "Effects", 13}, {"b_erase.spr", "Erase", 13},     {"a_wait.spr", "Wait", 13},
            {"b_dfull.spr", "The disk is full", 22},                           {"b_derr.spr", "Disk error", 22},
        };
        for (int i = 0; i < 5; ++i) l.push_back({kPlayerBanks[i], std::to_string(i + 1), 20});
        for (int cd = 1; cd <= 4; ++cd) l.push_back({"b_cd" + std::to_string(cd) + ".spr", "Please insert CD " + std::to_string(cd), 22});
        for (DemoMenuLabel& label : l) label.text = OrvFont_FromUtf8(label.text);
        return l;
    }();
    return labels;
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
    w.Button("a_load.spr", Frames(90, 40, 0xFF3070C0, 20));
    w.Button("a_save.spr", Frames(90, 40, 0xFFC07030, 20));
    w.Bank("c_opt.spr", {Panel(500, 40, 600, 120, 0xFF506070)});
    w.Bank("c_son.spr", {Panel(340, 210, 440, 290, 0xFF507060)});
    w.Bank("c_load.spr", {Panel(70, 240, 190, 320, 0xFF706050)});
    w.Button("a_exit.spr", Frames(56, 40, 0xFFB03030, 20));
    w.Button("a_toolbx.spr", Frames(56, 48, 0xFF8080A0, 20));
    w.Button("a_baffle.spr", Frames(56, 48, 0xFF80A080, 20));
    w.Button("a_disc.spr", Frames(60, 56, 0xFFA08060, 20));
    // The yes/no box; the menus write its question across its top, and pointing at No tells what it does.
    w.Bank("c_yn.spr", {MenuArt_Sprite(kBoxW, kBoxH, 0xFF303848, kWhite)});
    w.Button("b_oui.spr", {MenuArt_Sprite(48, 28, 0xFF30A030, kWhite)});
    w.Button("b_non.spr", {MenuArt_Sprite(48, 28, 0xFFA03030, kWhite)});
    // Player page.
    w.Bank("c_player.spr", {Panel(230, 90, 550, 210, 0xFF303848)});
    const uint32_t players[] = {0xFFE0C040, 0xFFC0C0E0, 0xFFF08020, 0xFF80C0F0, 0xFF60B060};
    for (int i = 0; i < 5; ++i)
        w.Button(kPlayerBanks[i],
                 {MenuArt_Sprite(46, 46, players[i], 0xFF000000), MenuArt_Sprite(46, 46, Mix(players[i], kWhite, 1, 2), kWhite)});
    // Options page.
    w.Button("b_back.spr", {MenuArt_Sprite(60, 32, 0xFF606060, kWhite)});
    for (const char* name : {"s_sub.spr", "s_cross.spr", "s_xyinv.spr"})
        w.Button(name, {MenuArt_Sprite(60, 30, 0xFF603030, kWhite), MenuArt_Sprite(60, 30, 0xFF30A030, kWhite)});
    w.Button("b_rezo.spr", {MenuArt_Sprite(80, 32, 0xFF505080, kWhite)});
    // Sound page.
    w.Bank("g_son.spr", {MenuArt_Sprite(130, 16, 0xFF404040, 0xFF909090)});
    w.Bank("m_son.spr", {MenuArt_Sprite(8, 14, 0xFFE0E0E0, 0xFF000000)});
    w.Button("a_harpe.spr", Frames(56, 48, 0xFFA0A060, 20));
    w.Button("a_hp.spr", Frames(56, 48, 0xFF60A0A0, 20));
    w.Button("a_cloche.spr", Frames(56, 48, 0xFFA060A0, 20));
    // Load page: the save pictures, the scroll bar and the erase button.
    std::vector<SprImage> saves;
    for (int i = 0; i < 8; ++i) saves.push_back(MenuArt_Sprite(56, 56, Mix(0xFF2050A0, 0xFFA05020, i, 7), kWhite));
    w.Bank("save.spr", saves);
    w.Bank("g_load.spr", {MenuArt_Sprite(20, 212, 0xFF404040, 0xFF909090)});
    w.Bank("m_load.spr", {MenuArt_Sprite(16, 12, 0xFFE0E0E0, 0xFF000000)});
    w.Button("b_erase.spr", {MenuArt_Sprite(60, 40, 0xFF803030, kWhite)});
    // Pages over the game.
    for (int cd = 1; cd <= 4; ++cd) {
        char name[16];
        std::snprintf(name, sizeof name, "b_cd%d.spr", cd);
        w.Button(name, {MenuArt_Sprite(240, 80, Mix(0xFF204080, 0xFF802040, cd - 1, 3), kWhite)});
    }
    w.Button("a_wait.spr", Frames(40, 40, 0xFF3060A0, 20));
    w.Button("b_dfull.spr", {MenuArt_Sprite(240, 80, 0xFF906020, kWhite)});
    w.Button("b_derr.spr", {MenuArt_Sprite(240, 80, 0xFF902020, kWhite)});
    return w.ok;
}
