// File names of a view's six face pictures, shared by the face loader and the data writers.
#pragma once
#include <cstdio>
#include <string>

// Face letters in face order: front, right, back, left, up, down.
inline constexpr char kWarpFaceLetters[6] = {'f', 'r', 'b', 'l', 'u', 'd'};

// "<view name>_<letter>.tga", in the panorama directory of the game CD.
inline std::string WarpFace_FileName(const char* viewName, int face)
{
    char name[64];
    std::snprintf(name, sizeof name, "%.16s_%c.tga", viewName ? viewName : "", face >= 0 && face < 6 ? kWarpFaceLetters[face] : '?');
    return name;
}
