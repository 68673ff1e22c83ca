// The menus' data of the demo installation: "Menu.txt", "Credits.txt", "Font.txt" and the menu art.
#pragma once
#include <string>

// Writes the texts into "loc/" and every picture and bank the menu pages load into "spr/menu/" of the
// installation directory; false with *error on failure. The backgrounds fill the 640x480 frame unless a
// smaller size is asked for (the tests, which do not look at them, save the time of writing them).
bool DemoMenus_Write(const std::string& dir, std::string* error = nullptr, int pictureWidth = 640,
                     int pictureHeight = 480);
