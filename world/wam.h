// World files (.wam): their records, the reader, the current place and view, and view jumps.
#pragma once
#include <cstdint>

constexpr uint32_t WAM_VERSION = 208;
constexpr int WAM_HEADER_SIZE = 32;
extern const char WAM_MAGIC[8];  // "WAMVELK "

// Click-zone kinds; a disabled zone carries its kind plus WAM_ZONE_DISABLED.
enum : int32_t {
    WAM_ZONE_NEXTVUE = 1,
    WAM_ZONE_LIEN = 2,
    WAM_ZONE_SCENARIO = 3,  // and above
    WAM_ZONE_DISABLED = 88888,
};
// Element kinds of ST_wam_perso: odd kinds name characters, even kinds objects.
enum : int32_t { WAM_PERSO = 1, WAM_OBJET = 2, WAM_PERSO_DECOR = 3, WAM_OBJET_DECOR = 4 };

struct ST_wam_lieu;
struct ST_wam_son;

// One point of a zone's 3D outline: a direction from the viewer (x right, y up, z ahead at yaw 0).
struct ST_wam_point {
    float x, y, z;
    ST_wam_point* next;
};

struct ST_wam_zclic {
    int32_t type;      // WAM_ZONE_*, + WAM_ZONE_DISABLED while disabled
    uint32_t numero;   // kind 1: target view id; kind 2: link id; else the zone's name-definition id
    char name[32];
    int32_t nb_points;
    ST_wam_point* points;
    ST_wam_zclic* next;
};

// An exit of a view and the transition video that leads there.
struct ST_wam_destination {
    uint32_t vue_id;
    char video[16];
    ST_wam_destination* next;
};

// An ambient noise of a view.
struct ST_wam_bruitage {
    uint32_t son_id;
    float direction[3];  // handed to warp_sound_direction
    ST_wam_son* son;     // resolved by the sound module
    ST_wam_bruitage* next;
};

struct ST_wam_vue {
    uint32_t id;
    char name[16];  // the first two characters are the world code
    // Angle limits in radians; min == max means no limit on that axis.
    float yaw_min, yaw_max, pitch_min, pitch_max;
    float yaw_start, pitch_start;
    ST_wam_lieu* lieu;
    ST_wam_zclic* zclic;
    ST_wam_destination* destinations;
    ST_wam_bruitage* bruitages;
    ST_wam_vue* next;
};

struct ST_wam_lieu {
    uint32_t id;
    char name[32];
    ST_wam_vue* vues;
    ST_wam_lieu* next;
};

// Target of a kind-2 zone: another world file.
struct ST_wam_lien {
    uint32_t id;
    char wam[32];
    uint32_t vue_id;
    ST_wam_lien* next;
};

// One animation of an element: a view sprite (.SPW) shown in one view.
struct ST_wam_animation {
    char lettre;
    uint32_t numero;
    uint32_t vue_id;
    int32_t clic_type;    // non-zero: clickable
    int32_t first_frame;
    int32_t last_frame;
    int32_t face;         // cube face 0..5 the sprite is painted into
    int32_t x, y;         // its corner in the face
    ST_wam_animation* next;
};

// An animated element (character or object) of the world.
struct ST_wam_perso {
    char name[32];
    char prefix[5];  // four characters of the sprite file names
    int32_t type;    // WAM_PERSO ... WAM_OBJET_DECOR
    int32_t id;      // name-definition id in #PERSONNAGES# (odd kinds) or #OBJETS# (even kinds)
    ST_wam_animation* animations;
    ST_wam_perso* next;
};

// The block of a sound record that the direction computation reads and writes.
struct ST_wam_son_pos {
    float x, y, z;
    float level;         // source level
    int32_t rightLevel;  // 0..255, written by warp_sound_direction
    int32_t leftLevel;   // 0..255
    float third;         // its third output value
};

struct ST_wam_son {
    uint32_t id;
    char name[16];
    ST_wam_son_pos pos;
    uint8_t percent[4];
    char recording[4][16];  // not terminated when all 16 characters are used
    ST_wam_son* next;
};

// A loaded world file: this record heads the one block that holds every record.
struct ST_wam_world {
    char file_name[32];
    int32_t monde;  // world number given to "MONDE" on arrival
    int32_t cd;     // game CD of its pictures, 0 when any
    ST_wam_lieu* lieux;
    ST_wam_lien* liens;
    ST_wam_perso* persos;
    ST_wam_son* sons;
    uint32_t block_size;
};

// The current place and view: pointers into the loaded world, null when none.
extern ST_wam_lieu* OrvWam_CurrentLieu;
extern ST_wam_vue* OrvWam_CurrentVue;

// Reads and checks a world file (full path) into a block of its own; null with a warning when bad.
// The element names are checked against the loaded name definitions.
ST_wam_world* wam_read_file(const char* path);
ST_wam_world* wam_read_memory(const uint8_t* data, uint32_t size, const char* name);
void wam_free_world(ST_wam_world** world);
// Makes the world the loaded one (the previous one is freed); no place or view is current after it.
// The world-replaced callbacks run first when a world was loaded.
void OrvWam_Install(ST_wam_world* world);

// The world-replaced path. Every module that keeps pointers into the loaded world block (ambient-noise
// slots and sound positions, view-sprite slots, the zone under the pointer, the entered view, and the
// puzzles' and the dialogue's objects) registers one callback here and lets go of them in it. The
// callbacks run in registration order, while the old block and its current view still stand, whenever
// the block is replaced or freed (a view jump into another world file, a load, the shut-down) and when a
// new game starts. A callback must not load a world file or jump.
using OrvWamReplacedFn = void (*)();
// Adding a callback twice keeps one entry; removing one that is not there does nothing.
void OrvWam_AddReplacedCallback(OrvWamReplacedFn fn);
void OrvWam_RemoveReplacedCallback(OrvWamReplacedFn fn);
// Runs the callbacks.
void OrvWam_WorldReplaced();
// Reads "wam\<name>" and installs it; false (nothing changed) when the file is bad.
bool wam_load_game(const char* name);
void OrvWam_Free();
ST_wam_world* OrvWam_GetWorld();
// File name of the loaded world file; "" when none.
const char* OrvWam_GetName();
// World code (two upper-case letters) of a view, "" for none.
void OrvWam_WorldCode(const ST_wam_vue* vue, char out[3]);

// List builders: each appends the record to its parent's list; a null pointer is reported
// ("wam_add_vue() p=NULL") and nothing changes.
void wam_add_lieu(ST_wam_world* world, ST_wam_lieu* p);
void wam_add_vue(ST_wam_lieu* lieu, ST_wam_vue* p);
void wam_add_zclic(ST_wam_vue* vue, ST_wam_zclic* p);
void wam_add_destination(ST_wam_vue* vue, ST_wam_destination* p);
void wam_add_bruitage(ST_wam_vue* vue, ST_wam_bruitage* p);
void wam_add_lien(ST_wam_world* world, ST_wam_lien* p);
void wam_add_perso(ST_wam_world* world, ST_wam_perso* p);
void wam_add_animation(ST_wam_perso* perso, ST_wam_animation* p);
void wam_add_son(ST_wam_world* world, ST_wam_son* p);
void z3d_add_point(ST_wam_zclic* zone, ST_wam_point* p);

// Searches; null when not found.
ST_wam_vue* wam_cherche_vue_id(ST_wam_lieu* lieu, uint32_t id);
// The current place first, then every place of the loaded world.
ST_wam_vue* OrvWam_FindVue(uint32_t id);
ST_wam_lieu* wam_cherche_lieu_id(uint32_t id);
ST_wam_lien* wam_cherche_lien(uint32_t id);
ST_wam_son* wam_cherche_son(uint32_t id);
ST_wam_destination* wam_cherche_destination(ST_wam_vue* vue, uint32_t vue_id);
ST_wam_perso* wam_cherche_perso(int32_t type, int32_t id);
// Name of the view-sprite file of one animation: prefix, letter, three-digit number, ".SPW".
void wam_build_spw_name(char* out, const ST_wam_perso* perso, const ST_wam_animation* anim);

// Makes the view current: the previous view's id goes to "LASTVUE", its id to "VUE". None is fatal.
void OrvWam_SetCurrentVue(ST_wam_vue* vue);
// The same without touching the variables (a loaded game brings its own).
void OrvWam_RestoreCurrentVue(ST_wam_vue* vue);

// The pending view jump, raised by NEXTVUE, CHANGEWAM, move and link zones, and puzzles.
struct OrvWamJump {
    uint8_t pending;
    uint8_t change_world;  // wam names the world file to load first
    uint8_t first_view;    // no view id given: the first view of the file
    uint32_t vue_id;
    char wam[32];
};
extern OrvWamJump OrvWam_Jump;
void OrvWam_RequestVue(uint32_t vue_id);
// A world file by name, its view vue_id or (first_view) its first view.
bool OrvWam_RequestWorld(const char* wam, uint32_t vue_id, bool first_view);
// Follows the link of a kind-2 zone; false when the link does not exist.
bool OrvWam_RequestLien(uint32_t lien_id);
void OrvWam_CancelJump();

enum : int {
    WAM_JUMP_NONE = 0,     // nothing pending
    WAM_JUMP_DONE = 1,     // the target view is current
    WAM_JUMP_NO_VIEW = 2,  // the target view does not exist (nothing changed)
    WAM_JUMP_NO_WORLD = 3, // the world file could not be loaded (nothing changed)
    WAM_JUMP_WAIT_CD = 4,  // the CD of the world is requested; the jump stays pending
};
struct OrvWamJumpResult {
    uint32_t from_id;     // the view left, 0 when none was current
    ST_wam_vue* to;       // the new current view
    char video[16];       // transition video of the exit from the view left towards `to`, "" when none
    bool world_changed;
};
// The world side of the jump at the end of a warp pass: world file loaded when needed, view made
// current, "ARRIVEEVUE" := its id, "MONDE" := the new world's number and the world change
// (Interp_ChangeWorld) on a new world file.
int OrvWam_DoJump(OrvWamJumpResult* result);
