// The demo's object icons: the bank "spr\objets.spr" the bag and the hand draw.
#pragma once
#include <vector>

#include "testdata/SprWriter.h"

// Sprites by the objects' #OBJETS# parameter: 0 a black square (the bank's plain picture), 1 the key, 2 the
// lantern, 3 a star, 4 the sword, 5 the feather, 6 the caterpillar, 7 the grasshopper, 8 the skull; each
// 24 x 24 with its hot spot at the centre.
std::vector<SprImage> DemoIcons_Objects();
