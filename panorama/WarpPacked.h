// Packed panorama views: the six faces of a view in one ".qmv" file, decoded through the codec plug-in.
#pragma once
#include <string>

class CSystemMemorySurface;

// File name of a view's packed faces in the CD's warp directory ("IR001" gives "IR001.qmv").
std::string WarpPacked_FileName(const char* viewName);

// Decodes the six faces (front, right, back, left, up, down) into surfaces of the face size whose pitch equals
// their width. False, with a warning, for a bad file or a codec that cannot be loaded; faces already decoded
// keep their pixels and the caller replaces them.
bool WarpPacked_Load(const char* path, CSystemMemorySurface* faces, int count);

// Frees the codec when it is loaded.
void WarpPacked_Close();
