#pragma once
// The viewer's command line and batch run:
//   strandel --batch [--view both|land|lakes] [--save FILE] [GSHHSFILE]
// GSHHSFILE (or --gshhs) is taken as the open dialog's choice, so it is drawn first and stored
// at exit like a chosen file; --view selects that View menu command once the first drawing is
// done; --save writes the finished map by the file's extension, as PNG or BMP or as an SVG or
// PDF document (--page-width MM scales its page). In batch mode a
// shoreline file that cannot be opened or read is an error (status 1) and no map is saved.
#include "ProgramDescription.h"

app::ProgramDescription StrandelProgram();
