// The octopus of QU 1 to 19: a shooting game in the panorama.
#pragma once
#include <cstdint>

struct ST_spw_visible;
struct SprBank;

constexpr int MAX_PLP = 4;
constexpr int PLP_TENTACLES = 6;

// Attack states of an octopus; a small one beaten flees (its body's second animation plays), then is gone.
enum : int32_t { PLP_IDLE = 0, PLP_ARMED = 1, PLP_ATTACK = 2, PLP_BLINK = 3, PLP_RECOVER = 4, PLP_FLEE = 5, PLP_GONE = 6 };

struct ST_poulpe {
    uint32_t AttackTimer;  // passes left before the next attack is armed
    uint8_t IsLoaded;
    uint8_t Faced;         // the view looks into this octopus's sector
    ST_spw_visible* Tentacle[PLP_TENTACLES];  // null for a tentacle without a slot
    int32_t TentacleHits[PLP_TENTACLES];
    int32_t BlinkBig;      // passes left of a hit tentacle's blink (big octopus)
    ST_spw_visible* Body1;
    ST_spw_visible* Body2;  // small octopus: the flight, hidden until it flees; null when the body has none
    int32_t State;
    int32_t AttackIdx;
    int32_t NbTentacles;   // alive
    int32_t HitsToFlee;    // small octopus: shots it takes before it flees
    int32_t BlinkSmall;    // passes left of its blink after a shot (small octopus)
    int32_t Number;        // the digit ending its name, also its sector
};
// Filled from the first entry on; the last entry stays empty.
extern ST_poulpe tbl_poulpe[MAX_PLP + 1];
extern int32_t poulpe_count;
extern int32_t poulpe_crystal;
extern SprBank* viseur_bank;
// Set at entry: 1 in the big octopus's view, where its names start with "GDP_", else 0 and "PTP_".
extern int32_t poulpe_big;
extern const char* poulpe_prefix;
extern const char* poulpe_body_name;
// Octopus numbers 1 to 4 that the load takes; only the big octopus's view enables one (number 1).
extern uint8_t poulpe_enabled[MAX_PLP];

void pz_poulpe_entree();
void pz_poulpe_continue();
void pz_poulpe_quit();
// Draws the crosshair; true when the warp frame must not draw its own pointer.
bool pz_poulpe_aff_viseur();
// True while the octopus steps the hit-shake in its own pass.
bool pz_poulpe_owns_zoom();
// Forgets the view-sprite slots the table points at (the loaded world is being replaced).
void pz_poulpe_forget();

void load_poulpes();
// The bodies of the loaded entries: `Body1`, and for a small octopus `Body2`, hidden.
void poulpe_bind_bodies();
// r x (n + 1) / 32767 for a draw r: 0..n + 1, n + 1 only for the generator's largest value.
int32_t poulpe_random(int32_t n);
// Sector 1..4 of a yaw in degrees, 0 in the gaps between them.
int32_t poulpe_sector_of_yaw(float yaw);
bool poulpe_angle_in_sector(float angle, float hi, float lo);
// Degrees into -180..180.
float poulpe_angle_normalise(float a);
