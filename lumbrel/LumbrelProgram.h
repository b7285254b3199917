#pragma once
// The hill shader as a program: its window, About box, options and batch command.
//
// Batch mode is `lumbrel --batch [FILE]`: FILE (also --file FILE) is the height image, by
// default "topo.png", and the answer wherever the window would ask for one. The run writes
// "combined.bmp" into the current folder (--save FILE: FILE, a BMP or a PNG by its extension),
// prints the window's messages and then the cell statistics (when the relief was made).
#include "ProgramDescription.h"

app::ProgramDescription LumbrelProgram();
