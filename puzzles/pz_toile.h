// The spider's web: cell coordinates of "pz_araig\toile.vue", rings, connections, the spiders' path
// search and their moves, turns and walks.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine3d/Vector.h"

// Cells are the views 201 to 265 of world "YU": four rings of sixteen around the centre 265.
constexpr int32_t ARAIG_FIRST_CASE = 201;
constexpr int32_t ARAIG_CENTRE = 265;
constexpr int MAX_COORD_WARPS = 65;
constexpr int ARAIG_MAX_CONNECTIONS = 256;
inline bool araig_is_case(int32_t id) { return id >= ARAIG_FIRST_CASE && id <= ARAIG_CENTRE; }

// Entry i: cell 201 + i; x, y, z as the file gives them. Filled at each start of a run.
extern float coord_warps[MAX_COORD_WARPS][3];
// The file's coordinates of a cell; (0, 0, 0) for an id that is not a cell.
CTVector3 araig_case_coords(int32_t id);

// The player, set at each move of the spiders; positions are (x, -z, y) triples of the file's coordinates.
extern int32_t araig_player_case;
extern int32_t araig_player_ring;
extern int32_t araig_player_angle;
extern CTVector3 araig_player_pos;
extern CTVector3 araig_centre_pos;

// Reads "pz_araig\toile.vue" into coord_warps; its faults are fatal.
void fill_coord_warps();
// The reader on a text of size bytes: each block ("frame", the cell number, the identity rotation and
// x y z) fills the next entry, at most MAX_COORD_WARPS. Returns the number of entries read, or -1 after
// reporting a fatal fault.
int32_t araig_read_toile(const char* text, size_t size, float coords[MAX_COORD_WARPS][3]);

// The target views of the cell's exits in the current place, in list order, at most
// ARAIG_MAX_CONNECTIONS; returns how many were written. A cell the place lacks is fatal.
int32_t find_connected_cases(int32_t id, int32_t out[ARAIG_MAX_CONNECTIONS]);
// Ring 1 (outer, 201 to 216) to 4 (249 to 264), 5 the centre; position 0 to 15 on the ring.
int32_t araig_case_ring(int32_t c);
int32_t araig_case_angle(int32_t c, int32_t ring);

// The next cell of an actor toward the player, or -1 (a skipped move, no neighbour); `excluded` is a
// cell to avoid, or -1.
int32_t araig_next_case(int32_t actor, int32_t excluded);
// The spiders' move after the player entered a cell (and the big spider's second step).
void araig_move_spiders();
// Target heading and turn rate toward the actor's "to" cell, or toward a given cell.
void araig_aim_actor(int32_t actor);
void araig_face_case(int32_t actor, int32_t c);
// One pass: spiders turn, walk, strike.
void araig_animate_actors();
// Brings an angle difference into [-pi, pi].
float araig_wrap_angle(float d);
