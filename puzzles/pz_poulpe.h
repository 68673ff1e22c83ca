// The octopus of QU 1 to 19: a shooting game in the panorama.
#pragma once

void pz_poulpe_entree();
void pz_poulpe_continue();
void pz_poulpe_quit();
// Draws the crosshair; true when the warp frame must not draw its own pointer.
bool pz_poulpe_aff_viseur();
