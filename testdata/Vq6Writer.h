// Writer of VQ6 codec frames (two colours and a mask per 4x4 block) and of packed panorama views.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One frame of a width x height picture (0xAARRGGBB from the top-left; sides multiples of 4): each block's
// pixels split at their mean brightness, each half its average colour.
std::vector<uint8_t> Vq6Writer_Encode(const std::vector<uint32_t>& picture, int width, int height);

// The 5-6-5 pixel of a colour as the encoder rounds it.
uint16_t Vq6Writer_Pack565(uint32_t argb);

// A packed view: a ".qmv" file of side x side pictures whose six blocks hold one "IV" chunk each, the
// faces in order.
std::vector<uint8_t> Vq6Writer_PackedView(const std::vector<std::vector<uint32_t>>& faces, int side);
bool Vq6Writer_SavePackedView(const std::string& path, const std::vector<std::vector<uint32_t>>& faces, int side);
