#include "ElevationColours.h"

// Computed by the compiler: no start-up work and no initialisation-order question.
constinit const ElevationColourArray ElevationColourTable = BuildElevationColours();
