// The demo's panorama data: faces of every demo view, its view sprites and the interface pointer bank.
#pragma once
#include <cstdint>
#include <string>

// Writes "datas_q2\warp\<view>_<face>.tga" for every view of the demo worlds, "datas_q2\spw\" files
// for every animation and "spr\interfac.spr"; false with *error on failure.
bool DemoPanorama_Write(const std::string& dir, std::string* error = nullptr);
// Tint of a view's faces: one per world, a little different from view to view, so that a move shows.
uint32_t DemoPanorama_Tint(const std::string& viewName, uint32_t id);
