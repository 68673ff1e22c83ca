// The spider's web of world "YU" as the tests and the demo install it: the world file of views 198 to 265,
// "toile.vue", the eleven databases with their textures, and the web's pictures for the panorama.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine3d/Database.h"
#include "engine3d/Vector.h"
#include "testdata/ToileWriter.h"
#include "testdata/WamWriter.h"

// "MONDE" of the web's world file.
constexpr int32_t SPIDERWEB_MONDE = 6;
constexpr uint32_t SPIDERWEB_BEFORE = 198;  // before the web: leads to the two ways
constexpr uint32_t SPIDERWEB_WAY_199 = 199;  // way in and out by cell 213
constexpr uint32_t SPIDERWEB_WAY_200 = 200;  // way in and out by cell 215
constexpr uint32_t SPIDERWEB_LIEU = 1;
// Distance between rings; ring 1, the outer one, lies 4 steps from the centre.
constexpr float SPIDERWEB_RING_STEP = 100.0f;

// The cell of ring 1 (outer) to 4 at position 0 to 15, or the centre 265 for ring 5.
uint32_t SpiderWeb_Cell(int ring, int pos);
// The web's coordinates of a view, as "toile.vue" gives them for cells (x, y in the web's plane, z 0); the
// ways 198, 199 and 200 lie beyond ring 1.
CTVector3 SpiderWeb_Coords(uint32_t view);
// The exits of a view in list order: a cell's neighbours around its ring (none across the gap of ring 2
// between 230 and 231), then outward and inward; the centre's sixteen; the ways' cells and 198.
std::vector<uint32_t> SpiderWeb_Exits(uint32_t view);
// The yaw and pitch (radians) at which view `from` sees the spot of view `to` on the web.
void SpiderWeb_AimToward(uint32_t from, uint32_t to, float* yaw, float* pitch);
// A square of world directions (y up) around the direction at yaw, pitch (radians; yaw turns right, pitch
// looks up), half its side across.
std::vector<WamPointDesc> SpiderWeb_ZoneAt(float yaw, float pitch, float half);
// A square of world directions (y up) from view `from` toward the spot of view `to` on the web, centred
// SPIDERWEB_ZONE_DROP radians below the spot, where the spot's spider leaves room to click.
constexpr float SPIDERWEB_ZONE_DROP = 0.1f;
constexpr float SPIDERWEB_ZONE_HALF = 0.15f;
std::vector<WamPointDesc> SpiderWeb_ZoneToward(uint32_t from, uint32_t to, float half = SPIDERWEB_ZONE_HALF);

// The web's world: one place of the views 198 to 265 named "YU198" and so on, each exit a destination
// and a move zone; the cells look toward the centre on entry.
WamFileDesc SpiderWeb_World();
// The blocks of "toile.vue" for cells 201 to 265 in order.
std::vector<ToileBlock> SpiderWeb_ToileBlocks();

// The eleven files under "datas_q2\3d\pz_araig\", in the puzzle's loading order, and each one's database:
// textured, animated spiders and objects standing on their origin, a spider's head toward local -z.
const std::vector<std::string>& SpiderWeb_DatabaseFiles();
CTDataBase SpiderWeb_Database(const std::string& file);
// Writes "toile.vue", the databases and their textures into "datas_q2/3d/pz_araig/" of the installation.
bool SpiderWeb_Write3D(const std::string& dir, std::string* error = nullptr);

// Face f of the panorama of a web view: the threads seen from 80 units above the view's spot.
std::vector<uint32_t> SpiderWeb_Face(uint32_t view, int face);
// The packed faces of every web view into "datas_q2/warp/" of the installation.
bool SpiderWeb_WriteFaces(const std::string& dir, std::string* error = nullptr);
