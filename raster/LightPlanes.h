// The palette plane block of 8-bit textures: palette, 32-bit copy and the 32 shading planes.
#pragma once
#include "graphics2d/PixelFormat.h"
#include "graphics2d/Surface.h"

// Creates an 8-bit texture of w x h texels with its 35-row plane of 256 16-bit colours in the screen
// format directly before the texels (one allocation). Returns false on a bad size or format.
bool Texture_CreatePalettised(CSystemMemorySurface& texture, int w, int h, const CPixelFormat& screenFormat);

// From row 0 of the plane (256 colours in the screen format) writes rows 1-2 (one x8r8g8b8 word per
// entry) and rows 3..34, level k = 0..31 holding every colour scaled by k / 32 (5-6-5 green by k / 16
// of its upper five bits). The plane must be 256 colours wide, 35 rows high, 16 bits a pixel; any
// other plane is reported and left alone.
bool Texture_BuildLightPlanes(CSurface& plane, const CPixelFormat& screenFormat);
