// The shared rasteriser state record.
#include "raster/SpanState.h"

SpanState rastState;
