// The canoe puzzle of YU 402: its own screen (loop type 9), the board of river pieces, the moves and the
// input; the scene is in pz_pirogue_scene.h, the river and the canoe in pz_pirogue_traj.h.
#pragma once
#include <cstdint>

// What the dispatcher calls. The start is false when the screen cannot run (nothing of it stays then);
// a frame gives 0 once the puzzle has ended; the quit is safe at any time and changes nothing when no
// start holds anything.
bool pz_pirogue_init();
int32_t pz_pirogue_continue();
int32_t pz_pirogue_quit();
// The background and ground depth surfaces, which the quit keeps for the next start, given back at the
// program's end, after the quit.
void pz_pirogue_close();

// The 3x3 board: cell n = 3 row + column; a piece code is 4 piece + quarter turns, 32 the fixed piece.
struct CasePlateau {
    int32_t col;
    int32_t row;
    int32_t x;      // screen corner: 270 + 121 col - 89 row
    int32_t y;      // 86 + 46 col + 63 row
    int32_t code;   // -1 while the cell is empty
    int32_t piece;  // 0..8, travels with the code
};
constexpr int PIROGUE_NB_CASES = 9;
constexpr int PIROGUE_NB_CODES = 33;
constexpr int32_t PIROGUE_FIXED_CELL = 8;
constexpr int32_t PIROGUE_FIXED_CODE = 32;
extern CasePlateau pirogue_plateau[PIROGUE_NB_CASES];
// Grid position (column, row) of each cell for the river's moves.
extern int32_t pirogue_grille[PIROGUE_NB_CASES][2];

// The drag anchor and the carried piece's sprite stand this far from a cell's corner (the cell's middle).
constexpr int32_t PIROGUE_ANCRE_X = 16;
constexpr int32_t PIROGUE_ANCRE_Y = 54;
// Input state: the cell under the cursor (-1 outside), the carried code and its cell of origin (-1
// when none), the drag anchor (the origin cell's corner + (16, 54)).
extern int32_t case_survol;
extern int32_t piece_en_main;
extern int32_t case_origine;
extern int32_t pirogue_ancre_x;
extern int32_t pirogue_ancre_y;
// 1 between a start that went through and the quit.
extern int32_t pirogue_initialise;

// Cell n holds code 4 n and piece n; corners and grid positions.
void init_plateau();
// The fixed shuffle: twelve quarter turns, then five swaps.
void melange_plateau();
// One quarter turn of a code: c - 3 after the fourth turn, else c + 1.
int32_t pirogue_tourne_code(int32_t code);
// The cell whose parallelogram holds (x, y), or -1.
int32_t case_sous_souris(int32_t x, int32_t y);
// Left and right clicks at the cursor; each clears its flag first.
void pz_pirogue_clic();
void pz_pirogue_clic_droit();
// The carried piece back into its cell of origin (the cursor sprite stays).
void repose_piece();
// The river is won: "finpirogue", the scenario's arrival pass on the first success, the end.
void fin_pirogue();

// Sprite 40 of the interface bank: the canoe's arrow.
constexpr int PIROGUE_ARROW_SPRITE = 40;
