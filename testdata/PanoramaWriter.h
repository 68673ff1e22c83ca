// Writers of panorama data: cube faces that show orientation and seams, the interface pointer bank, view sprites.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "testdata/SprWriter.h"

enum class FaceStyle {
    // Every pixel names itself: red = u / 16, green = v / 8, blue = face x 5 once packed as 5-6-5.
    Coded,
    // A coloured face with its letter, a grid, a horizon, an arrow towards the picture's top and a
    // white border along the seams.
    Demo,
};

// 0xAARRGGBB pixels of one 512 x 512 face from the top-left; tint is added to the Demo colours.
std::vector<uint32_t> PanoramaWriter_Face(int face, FaceStyle style, uint32_t tint = 0);

// What a 5-6-5 pixel of a Coded face says; face is 6 or more for a pixel no face has.
struct FaceCode {
    int face;
    int ucell;  // u / 16
    int vcell;  // v / 8
};
FaceCode PanoramaWriter_DecodeCoded565(uint16_t pixel);

// The bytes of one face as a 32-bit TGA file.
std::vector<uint8_t> PanoramaWriter_FaceFile(int face, FaceStyle style, uint32_t tint = 0);
// The six 32-bit TGA faces of a view in dir (the panorama directory), named as the loader expects.
bool PanoramaWriter_WriteFaces(const std::string& dir, const std::string& viewName, FaceStyle style, uint32_t tint = 0,
                               std::string* error = nullptr);

// The interface bank "interfac.spr": the zone pointers and, as sprite 40, the plain arrow.
std::vector<SprImage> PanoramaWriter_InterfaceImages();
constexpr int PANORAMA_INTERFACE_SPRITES = 41;

// Frames of a view sprite: a disc that grows frame by frame on a square of colour, with the frame's
// number as a row of marks along the top.
std::vector<SprImage> PanoramaWriter_SpwFrames(int count, int width, int height, uint32_t colour);
bool PanoramaWriter_WriteSpw(const std::string& path, const std::vector<SprImage>& frames, std::string* error = nullptr);
