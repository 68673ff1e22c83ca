// Menu art for the tests and the demo: sprites with their hot spot at the centre, as the menus place them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "testdata/SprWriter.h"

// A w x h sprite of one colour with a one-pixel border of another, hot spot at (w/2, h/2).
SprImage MenuArt_Sprite(int w, int h, uint32_t argb, uint32_t borderArgb);
inline SprImage MenuArt_Sprite(int w, int h, uint32_t argb) { return MenuArt_Sprite(w, h, argb, argb); }
// Writes the sprites as the bank "spr/menu/<name>" of an installation directory.
bool MenuArt_SaveBank(const std::string& installDir, const std::string& name, const std::vector<SprImage>& sprites);
