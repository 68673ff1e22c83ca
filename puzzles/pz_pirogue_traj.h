// The canoe puzzle's river: the points of "traj_pirog.txt", their chaining into one path, the pieces'
// turns and moves, the seven stones, and the canoe's run along the path.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine3d/Orv3D.h"
#include "engine3d/Vector.h"

// A point of the river. Name: character 0 'W' or 'X', character 1 the digit of the piece (piece p is
// p + 1), character 2 'E' or 'S' at a stretch's ends, else the stretch's kind; not terminated when all
// eight are used. gap: 1 when the stretch beginning here starts 20.0 or more from the end of the one
// before.
struct PointTrajet {
    float x;
    float y;
    float z;
    char name[8];
    int32_t gap;
};
constexpr int MAX_COORD_TRAJET = 400;
constexpr float PIROGUE_GAP = 20.0f;
extern PointTrajet pirogue_trajet[MAX_COORD_TRAJET];
extern int32_t nb_points_trajet;

// Reads "pz_pirog\traj_pirog.txt" of the 3D directory; the text stays held until the quit.
bool read_coord_traj();
// Reads the points of a text into the table: "$Mesh:" then the name up to a blank or 8 characters,
// then after the next "[" the numbers x, y and z; at most MAX_COORD_TRAJET points. The text need not be
// terminated and is never read past size. False, with the fatal report, for a text without "$Mesh:" or
// a point without "[".
bool pirogue_lit_trajet(const char* text, size_t size);
// Re-chains the points into path order, joining each stretch to the nearest free stretch end, then
// places the stones. False, with the fatal report, for a chain that breaks; the table is then as before.
bool recalc_trajet();
// Turns the points of a cell's piece about the cell's centre ((dx, dy) goes to (dy, -dx) for a quarter
// turn), then re-chains.
void rotate_trajet_piece(int32_t cell, float angle);
// Moves the points of the pieces of two cells to each other's cell, then re-chains; the caller swaps the
// cells' piece fields afterwards.
void swap_trajet_pieces(int32_t a, int32_t b);
// The first point of that name, or -1 after the fatal report.
int32_t find_mesh_name(const char* name);
// The stone lying on the point of that name, or -1.
int32_t find_pierre(const char* name);
// The point list in the log.
void dump_trajet();
// The letter of a point (character 2 of its name); 0 past the points read.
char pirogue_lettre(int32_t index);
// A point's position; the origin past the points read.
CTVector3 pirogue_point(int32_t index);
// True when the point's name is text (at most 8 characters).
bool pirogue_nom_est(const PointTrajet& p, const char* text);
// Set by a fatal report of the river (reading, chaining, a stone's point); cleared at every start.
extern bool pirogue_trajet_casse;

// The seven stones: shown flag and point name; their databases are "pz_pirog\PR*.db".
struct Pierre {
    int32_t shown;
    char name[8];
};
constexpr int PIROGUE_NB_PIERRES = 7;
extern Pierre pirogue_pierres[PIROGUE_NB_PIERRES];
extern Orv3DDataBase DBpierre[PIROGUE_NB_PIERRES];
inline constexpr const char* pirogue_pierre_files[PIROGUE_NB_PIERRES] = {"PRbc.db", "PRbf.db", "PRjn.db", "PRog.db",
                                                                          "PRrg.db", "PRve.db", "PRvi.db"};
inline constexpr const char* pirogue_pierre_points[PIROGUE_NB_PIERRES] = {"W7A062", "W4A040", "W3A131", "W2A157",
                                                                           "W1A175", "W6A123", "W8A019"};
// The stones in the order they must be taken.
inline constexpr int32_t ordre_pierres[PIROGUE_NB_PIERRES] = {6, 1, 0, 5, 2, 3, 4};
// The stone that belongs to a piece (its point name's digit), or -1.
int32_t pirogue_pierre_piece(int32_t stone);
bool load_pierres();
void place_pierres();
void reset_pierres();

// The canoe: six animated databases, one of them drawn and moved; each waits its delay after it becomes
// current.
struct PirogueAnim {
    Orv3DDataBase db;
    int32_t delai = 0;
};
enum : int { PIROGUE_C1, PIROGUE_G1, PIROGUE_H1, PIROGUE_A1, PIROGUE_B1, PIROGUE_E1, PIROGUE_NB_ANIMS };
extern PirogueAnim pirogue_anims[PIROGUE_NB_ANIMS];
inline constexpr const char* pirogue_anim_files[PIROGUE_NB_ANIMS] = {
    "pz_pirog\\C1.db", "pz_pirog\\g1.db", "pz_pirog\\h1.db", "pz_pirog\\a1.db", "pz_pirog\\b1.db", "pz_pirog\\e1.db"};
extern PirogueAnim* current_anim_perso;
constexpr int32_t PIROGUE_DELAI = 5;
constexpr float PIROGUE_PAS = 1.5f;

// Run state.
extern uint8_t pirogue_en_marche;
extern uint8_t pirogue_finie;
extern int32_t pirogue_reussie;
extern int32_t index_trajet;
extern uint8_t lettre_courante;
extern int32_t nb_pierres_prises;
extern int32_t nb_pierres_ordre;

// The rotation whose local z axis points along dir with local y on the side opposite to up (the side of
// a camera's screen bottom): the scene's recipes give their up vectors for that convention.
inline CTQuaternion pirogue_oriente(const CTVector3& dir, const CTVector3& up) {
    return CTQuaternion::FromTwoVectors(dir, {-up.x, -up.y, -up.z});
}
// The canoe's heading about its own vertical axis once its direction is set.
constexpr float PIROGUE_CAP = -(3.14159265f * 0.5f + 0.8f);
// A canoe frame turned to go from one point toward another of its plane.
inline void pirogue_vise(CTFrame& f, const CTVector3& from, const CTVector3& to) {
    f.SetRotation(nullptr, pirogue_oriente({to.x - from.x, to.y - from.y, 0.0f}, {0.0f, 0.0f, 1.0f}));
    f.SetRotation(&f, CTQuaternion::FromAxisAngle({0.0f, 1.0f, 0.0f}, PIROGUE_CAP));
}

void place_pirogue();
void oriente_pirogue();
void lance_pirogue();
void reset_pirogue();
void stop_pirogue();
void avance_pirogue();
void arrivee_point();
void change_anim_pirogue(PirogueAnim* anim);
// The text and the databases of the river, freed by the quit.
void pirogue_libere_trajet();
