// Menu art for the tests and the demo: sprites with their hot spot at the centre, as the menus place them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "testdata/SprWriter.h"

// A w x h sprite of one colour with a one-pixel border of another, hot spot at (w/2, h/2).
SprImage MenuArt_Sprite(int w, int h, uint32_t argb, uint32_t borderArgb);
inline SprImage MenuArt_Sprite(int w, int h, uint32_t argb) { return MenuArt_Sprite(w, h, argb, argb); }
// Writes `text`, in the game's code page as every text the game shows (OrvFont_FromUtf8), centred into the
// sprite, white over a one-pixel dark shadow, in the TrueType font file at the largest pixel size up to
// `size` that fits its width; false, the sprite unchanged, when the font cannot be read.
bool MenuArt_Label(SprImage& sprite, const std::string& text, const std::string& fontFile, int size = 13);
// Writes the sprites as the bank "spr/menu/<name>" of an installation directory.
bool MenuArt_SaveBank(const std::string& installDir, const std::string& name, const std::vector<SprImage>& sprites);
