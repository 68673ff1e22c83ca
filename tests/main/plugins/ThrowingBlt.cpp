// A sprite plug-in whose plain drawing throws: the real plug-in with AFF_SPR replaced, to end a run by an
// exception from inside a main-loop pass.
#include <stdexcept>

#include "graphics2d/SprDll.h"

#undef AFF_SPR

extern "C" SPRDLL_API int32_t AFF_SPR(const SprTarget*, const void*, int32_t, int32_t, int32_t) {
    throw std::runtime_error("AFF_SPR : panne du plug-in");
}
