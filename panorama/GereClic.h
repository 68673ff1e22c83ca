// Click routing in the panorama: what a recorded click on the zone under the pointer does.
#pragma once

// Runs once per warp pass after the drawing, which found the zone and the view sprite under the pointer.
void OrvMain_GereClic();
