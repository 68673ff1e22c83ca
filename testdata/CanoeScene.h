// The canoe puzzle's data as the tests and the demo install it: the board's ground pictures and their
// depth images seen through the puzzle's camera, the background, the canoe's and the stones' databases
// with their textures, the progress pictures and the river.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine3d/Camera.h"
#include "engine3d/Database.h"
#include "testdata/CanoeRiver.h"

// The picture of a board piece in one turn (a code of the puzzle): its sprite's pixels (0xAARRGGBB,
// alpha 0 where the piece is not seen) and the depth of each pixel (trunc(2^31 / z), 0 where there is no
// ground), with the piece in its home cell.
struct CanoeGround {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    std::vector<uint32_t> depths;
};
// The 33 codes' pictures, made once per process.
const std::vector<CanoeGround>& CanoeScene_Ground();
// The puzzle's camera on a 640x480 screen.
CTCamera CanoeScene_Camera();
// Screen point of a point of the scene.
CTScreenPoint CanoeScene_Screen(const CTVector3& p);

// The six canoe databases by file name ("C1.db" with the scene camera) and the seven stones by index.
CTDataBase CanoeScene_Canoe(const std::string& file);
CTDataBase CanoeScene_Stone(int stone);
// Frames of every canoe animation.
constexpr uint32_t CANOE_FRAMES = 24;

struct CanoeSceneOptions {
    CanoeRiverOptions river;
    // Leave these out: a ".db" (file name), a ".zbf" (code), a sprite bank (file name).
    std::string withoutDatabase;
    int withoutDepth = -1;
    std::string withoutBank;
};
// The CD's part: "datas_q2\3d\pz_pirog\" with the databases and their textures, "fdpuzzle.tga",
// "traj_pirog.txt" and "zbf\<code name>.zbf" (640x480 each).
bool CanoeScene_WriteCD(const std::string& cdDir, const CanoeSceneOptions& options = {}, std::string* error = nullptr);
// The installation's part: "spr\SolPirog.spr" and "spr\ponPirog.spr".
bool CanoeScene_WriteBanks(const std::string& installDir, const CanoeSceneOptions& options = {},
                           std::string* error = nullptr);
// Screen place of the progress pictures (their hot spots are its negation).
constexpr int CANOE_PROGRESS_X = 16;
constexpr int CANOE_PROGRESS_Y = 16;
