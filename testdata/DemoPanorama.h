// The demo's panorama data: faces of every demo view, its view sprites and the interface pointer bank.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "testdata/WamWriter.h"

// Writes "datas_q2\warp\<view>_<face>.tga" for every view of the demo worlds, "datas_q2\spw\" files
// for every animation and "spr\interfac.spr"; false with *error on failure.
bool DemoPanorama_Write(const std::string& dir, std::string* error = nullptr);
// Tint of a view's faces: one per world, a little different from view to view, so that a move shows.
uint32_t DemoPanorama_Tint(const std::string& viewName, uint32_t id);
// Draws every zone of the view where the player sees it on the view's six 512 x 512 faces (0xAARRGGBB from
// the top-left): a move as a gold frame with a chevron, a link as a cyan one with two, the scenario zones as
// what they are, with their word.
void DemoPanorama_PaintZones(const WamVueDesc& view, std::vector<std::vector<uint32_t>>& faces);
// The words the zones show, in the game's code page.
std::vector<std::string> DemoPanorama_ZoneWords();
// Whether (x, y) lies inside the polygon (even-odd rule).
bool DemoPanorama_InPolygon(const std::vector<std::pair<double, double>>& poly, double x, double y);
