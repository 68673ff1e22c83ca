// TGA pictures: the 18-byte header, the picture's pixel format and the pixel reader.
#pragma once
#include <cstdint>
#include <istream>
#include <vector>

#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"

// The header byte by byte; 16-bit fields are little-endian pairs, read through the accessors.
struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t colorMapType = 0;
    uint8_t imageType = 0;
    uint8_t colorMapFirstLo = 0;
    uint8_t colorMapFirstHi = 0;
    uint8_t colorMapLengthLo = 0;
    uint8_t colorMapLengthHi = 0;
    uint8_t colorMapEntrySize = 0;
    uint8_t xOriginLo = 0;
    uint8_t xOriginHi = 0;
    uint8_t yOriginLo = 0;
    uint8_t yOriginHi = 0;
    uint8_t widthLo = 0;
    uint8_t widthHi = 0;
    uint8_t heightLo = 0;
    uint8_t heightHi = 0;
    uint8_t pixelDepth = 0;
    uint8_t descriptor = 0;  // bits 0-3 alpha bits, 4 right-to-left, 5 top-down, 6-7 interleave

    int ColorMapFirst() const { return colorMapFirstLo | colorMapFirstHi << 8; }
    int ColorMapLength() const { return colorMapLengthLo | colorMapLengthHi << 8; }
    int Width() const { return widthLo | widthHi << 8; }
    int Height() const { return heightLo | heightHi << 8; }
    bool TopDown() const { return (descriptor & 0x20) != 0; }
    bool RightToLeft() const { return (descriptor & 0x10) != 0; }
};

enum : int {
    TGA_TYPE_COLORMAPPED = 1,
    TGA_TYPE_TRUECOLOR = 2,
    TGA_TYPE_RLE_COLORMAPPED = 9,
    TGA_TYPE_RLE_TRUECOLOR = 10,
};

// Reads the 18-byte header and skips the image id; false on a short read.
bool Tga_ReadHeader(std::istream& in, TgaHeader& header);
// The picture's pixel format: p8 (flag 0x40) for types 1 and 9, x1r5g5b5 or a1r5g5b5 for 15/16 bits,
// r8g8b8 for 24 and a8r8g8b8 for 32 bits. Anything else gives an empty record and a warning.
CPixelFormat Tga_GetPixelFormat(const TgaHeader& header);
// The fewest bytes that can follow the header and image id: the colour map and the pixels, with
// run-length pictures coded in full 128-pixel runs.
int64_t Tga_MinimumDataBytes(const TgaHeader& header);
// Reads the colour map and the pixels that follow the header (types 1, 2, 9 and 10) into a locked
// surface of the picture's size and format. For paletted pictures the colour map is stored, as
// 0xAARRGGBB indexed by pixel value, in *palette when given (entries below the map's first index
// are 0). False with a warning on bad input; the surface may then hold part of the picture.
bool Tga_ReadPixels(std::istream& in, const TgaHeader& header, CSurface& surface,
                    std::vector<uint32_t>* palette = nullptr);
// Reads a whole TGA file into the surface, created at the picture's size and format. A bad header or
// a file too short for what its header announces leaves the surface as it was; bad pixel data frees it.
bool Tga_Load(const char* path, CSystemMemorySurface& surface, std::vector<uint32_t>* palette = nullptr);
