// The demo's spider web: the generated web joined to the temple of YU, with its databases, pictures and the
// videos of its lost run and of the sword's blow.
#pragma once
#include <string>

#include "testdata/WamWriter.h"

// The web's world file with view 198's link back to YU 2.
WamFileDesc DemoToile_World();
// Writes "wam\Xibalba.wam", the web's 3D data under "datas_q2\3d\pz_araig\" and the videos "cine046.qmv" and
// "cine048.qmv"; false with *error on failure.
bool DemoToile_WriteGame(const std::string& dir, std::string* error = nullptr);
// The same and the web's packed panorama views.
bool DemoToile_Write(const std::string& dir, std::string* error = nullptr);
