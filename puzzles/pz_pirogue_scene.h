// The canoe puzzle's scene: the parallel camera, the cells in 3D, the ground sprites with their depth
// rectangles and the ".zb" cache, the ground z-buffer, and the drawing of a frame.
#pragma once
#include <cstdint>

#include "engine3d/Camera.h"
#include "engine3d/Vector.h"
#include "graphics2d/Surface.h"
#include "puzzles/pz_pirogue.h"
#include "puzzles/pz_pirogue_traj.h"

struct SprBank;

// "SolPirog.spr": the ground sprite of each code; "ponPirog.spr": sprite k - 1 after k stones taken in
// order, placed by its own hot spot.
extern SprBank* pirogue_bank_sol;
extern SprBank* pirogue_bank_pont;

// Per code: the depth file "pz_pirog\zbf\<name>.zbf" and the anchor (dx, dy) of its sprite and cut.
struct PirogueSol {
    const char* name;
    int32_t dx;
    int32_t dy;
};
inline constexpr PirogueSol pirogue_sols[PIROGUE_NB_CODES] = {
    {"pzA10001", 182, 84},  {"pzB10001", 182, 87},  {"pzC10001", 182, 104}, {"pzD10001", 182, 94},
    {"pzA20001", 182, 86},  {"pzB20001", 174, 98},  {"pzC20001", 182, 80},  {"pzD20001", 182, 75},
    {"pzA30001", 182, 96},  {"pzB30001", 182, 92},  {"pzC30001", 178, 93},  {"pzD30001", 182, 77},
    {"pzA40001", 182, 100}, {"pzB40001", 182, 99},  {"pzC40001", 182, 82},  {"pzD40001", 182, 92},
    {"pzA50001", 182, 73},  {"pzB50001", 182, 101}, {"pzC50001", 182, 103}, {"pzD50001", 178, 99},
    {"pzA60001", 182, 84},  {"pzB60001", 182, 90},  {"pzC60001", 182, 102}, {"pzD60001", 182, 96},
    {"pzA70001", 182, 79},  {"pzB70001", 182, 68},  {"pzC70001", 182, 88},  {"pzD70001", 182, 80},
    {"pzA80001", 182, 79},  {"pzB80001", 182, 87},  {"pzC80001", 182, 79},  {"pzD80001", 182, 83},
    {"pzA90001", 182, 85},
};
// The screen corner of a cell, and the cut of a code's rectangle in its ".zbf" image: its anchor moved
// by its home cell's offset.
inline constexpr int32_t pirogue_coin_x(int32_t col, int32_t row) { return 270 + 121 * col - 89 * row; }
inline constexpr int32_t pirogue_coin_y(int32_t col, int32_t row) { return 86 + 46 * col + 63 * row; }
inline constexpr int32_t pirogue_coupe_x(int32_t code) { return pirogue_sols[code].dx + 121 * (code / 4 % 3) - 89 * (code / 4 / 3); }
inline constexpr int32_t pirogue_coupe_y(int32_t code) { return pirogue_sols[code].dy + 46 * (code / 4 % 3) + 63 * (code / 4 / 3); }
// Sprite of code i in a cell: at the cell's corner + (offx[i], offy[i]) = (dx - 271, dy - 107).
extern int32_t pirogue_offx[PIROGUE_NB_CODES];
extern int32_t pirogue_offy[PIROGUE_NB_CODES];

// The depth rectangle of a code: its sprite's size, trunc(q 2^31) per pixel, 0 where there is no ground.
struct ZbufferPiece {
    uint32_t* pixels;
    int32_t height;
    int32_t width;
};
extern ZbufferPiece pirogue_zbuffers[PIROGUE_NB_CODES];
// The ground depth of the board as it stands, and the background picture.
extern CSystemMemorySurface zbuffer_sol;
extern CSystemMemorySurface fond_pirogue;
constexpr int PIROGUE_LARGEUR = 640;
constexpr int PIROGUE_HAUTEUR = 480;

// Cell centres in the scene (column x, row y, one z; cell 7 has an x of its own), the cell pitch, and the
// depth factor [home piece][cell].
inline constexpr float PIROGUE_COLONNE_X[3] = {51.34665f, 150.51341f, 249.68018f};
inline constexpr float PIROGUE_RANGEE_Y[3] = {-54.819263f, -153.98566f, -253.15204f};
inline constexpr float PIROGUE_CASE7_X = 151.39505f;
inline constexpr float PIROGUE_CENTRE_Z = -26.409489f;
inline CTVector3 pirogue_centre_case(int32_t n) {
    return {n == 7 ? PIROGUE_CASE7_X : PIROGUE_COLONNE_X[n % 3], PIROGUE_RANGEE_Y[n / 3], PIROGUE_CENTRE_Z};
}
extern CTVector3 pirogue_centres[PIROGUE_NB_CASES];
extern float pirogue_pas_x;
extern float pirogue_pas_y;
extern double ratio_zbuffer[8][8];
// The table's fixed entries (single-precision values); a negative entry keeps the ratio of the
// camera's distances to the two cells.
inline constexpr double PIROGUE_RATIOS[8][8] = {
    {-1, -1, 1.195093f, 1.125212f, 1.236716f, 1.360679f, 1.277032f, 1.412819f},
    {-1, -1, 1.095611f, -1, -1, 1.273784f, 1.180045f, 1.308002f},
    {0.836696f, 0.915473f, -1, 0.947123f, 1.048288f, 1.160302f, 1.08138f, 1.203559f},
    {0.8905f, 0.975317f, 1.070707f, 1.009036f, 1.110136f, 1.23615f, 1.147472f, 1.280954f},
    {-1, -1, 0.946339f, 0.915312f, -1, 1.11574f, 1.026425f, 1.152718f},
    {0.711793f, 0.78193f, 0.870502f, 0.813016f, 0.902559f, -1, 0.927336f, -1},
    {0.766035f, 0.839836f, 0.927521f, 0.868871f, 0.96553f, 1.067633f, -1, 1.105225f},
    {0.66461f, 0.735959f, -1, 0.767515f, 0.84273f, -1, 0.865f, -1},
};
// The scene camera: the first camera of this start's "C1.db".
extern CTCamera* pirogue_camera;
constexpr float PIROGUE_FOCALE = 1.52f;

void init_offsets_sol();
// The 33 rectangles (from the cache when it holds one of the right size, else cut from the ".zbf" and
// cached), the ground z-buffer, the first z-buffer current. False with a warning when a ".zbf" is
// missing or does not hold its rectangle.
bool load_zbuffers_sol();
// The ".zb" cache file of a code, under the installation's cache directory.
void pirogue_chemin_cache(char* out, int32_t code);
// The scene's view: parallel, focal scale 1.52, placed and aimed above the board.
inline void pirogue_cadre_camera(CTCamera& cam) {
    cam.SetProjectionKind(CAMERA_PARALLEL);
    cam.SetFocalScale(PIROGUE_FOCALE, PIROGUE_FOCALE);
    CTFrame& f = cam.frame;
    f.SetPosition(nullptr, {396.495f, -487.656f, 250.764f});
    const CTVector3 at = f.GetPosition(nullptr);
    const CTVector3 d{116.047f - at.x, -106.573f - at.y, -37.3446f - at.z};
    f.SetRotation(nullptr, pirogue_oriente(d, {0.0f, -1.0f, 0.0f}));
    f.Rotate(&f, CTQuaternion::FromAxisAngle({0.0f, 0.0f, 1.0f}, 0.75f * 3.14159265f));
    f.Rotate(&f, CTQuaternion::FromAxisAngle({0.0f, 0.0f, 1.0f}, -0.169646f));
    f.Translate(&f, {0.0f, 15.0f, 0.0f});
}
// The camera of this start made current, then framed.
void pirogue_place_camera();
void calc_ratios_zbuffer();
// The ground z-buffer from the board, back to front.
void create_zbuffer_sol();
// value x factor truncated and held to 0xFFFFFFFF.
uint32_t pirogue_echelle_z(uint32_t value, double factor);
// Pastes a code's rectangle at (x, y), scaled for the cell, clipped to the surface; 0 leaves a cell as
// it is. Into zbuffer_sol, or into the second z-buffer for the carried piece.
void copy_zbuffer_piece(int32_t code, int32_t x, int32_t y, int32_t cell);
void copy_zbuffer_piece_curseur(int32_t code, int32_t x, int32_t y, int32_t cell);
void aff_sol();
// mode 1: the shown stones but the piece's (999: none); mode 2: only the piece's, against the second
// z-buffer.
void pierres_aff(int32_t cell, int32_t mode);
// One frame: background, ground depth, ground sprites, stones, canoe, carried piece, arrow, presented.
void pirogue_dessine();
// The depth rectangles freed, the ground z-buffer kept.
void pirogue_libere_zbuffers();
