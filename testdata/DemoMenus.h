// The menus' data of the demo installation: "Menu.txt", "Credits.txt", "Font.txt" and the menu art.
#pragma once
#include <string>
#include <vector>

#include "testdata/MenuTextWriter.h"

// The credits page's left margin, which the menus give its slideshow.
constexpr int DEMO_CREDITS_MARGIN = 405;

// The word written on a menu button's pictures (in the game's code page) and its size in pixels at most.
struct DemoMenuLabel {
    std::string bank;
    std::string text;
    int size;
};
const std::vector<DemoMenuLabel>& DemoMenus_Labels();

// The demo's "Menu.txt" sections and "Credits.txt" pages.
std::vector<MenuTxtSection> DemoMenus_Sections();
std::vector<std::vector<std::string>> DemoMenus_Credits();

// Writes the texts into "loc/" and every picture and bank the menu pages load into "spr/menu/" of the
// installation directory; false with *error on failure. The backgrounds fill the 640x480 frame unless a
// smaller size is asked for (the tests, which do not look at them, save the time of writing them).
bool DemoMenus_Write(const std::string& dir, std::string* error = nullptr, int pictureWidth = 640,
                     int pictureHeight = 480);
