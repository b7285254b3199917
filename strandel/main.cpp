// The shoreline viewer: a window, or with --batch a run without one (see StrandelProgram.h).
#include "RunProgram.h"
#include "StrandelProgram.h"

int main(int argc, char** argv) { return app::RunProgram(argc, argv, StrandelProgram()); }
