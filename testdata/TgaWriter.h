// Writer of TGA pictures (types 1, 2, 9 and 10) for the tests and the demo data.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct TgaImage {
    int width = 0;
    int height = 0;
    int type = 2;                    // 1 colour-mapped, 2 true colour, 9 and 10 their run-length forms
    int bitsPerPixel = 32;           // 8 for colour-mapped; 15, 16, 24 or 32 for true colour
    std::vector<uint32_t> pixels;    // width x height from the top-left: 0xAARRGGBB or palette indices
    std::vector<uint32_t> palette;   // 0xAARRGGBB entries of a colour map
    int paletteEntryBits = 24;       // 15, 16, 24 or 32
    int paletteFirst = 0;            // index of the first colour-map entry
    bool topDown = false;            // rows stored from the top (descriptor bit 5)
    bool rightToLeft = false;        // pixels of a row stored from the right (descriptor bit 4)
    bool rleAcrossRows = true;       // run-length packets may run on into the next row
    std::string imageId;
};

// The file's bytes.
std::vector<uint8_t> TgaWriter_Encode(const TgaImage& image);
// Writes the file; false when it cannot be written.
bool TgaWriter_Save(const std::string& path, const TgaImage& image);
