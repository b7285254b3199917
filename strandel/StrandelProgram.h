#pragma once
// The viewer's command line and batch run:
//   strandel --batch [--view both|land|lakes] [--save FILE] [GSHHSFILE]
// GSHHSFILE (or --gshhs) is taken as the open dialog's choice, so it is drawn first and stored
// at exit like a chosen file; --view selects that View menu command once the first drawing is
// done; --save writes the finished map as PNG or BMP by the file's extension. In batch mode a
// shoreline file that cannot be opened or read is an error (status 1) and no map is saved.
#include <ostream>
#include <string>
#include <vector>

#include "ProgramDescription.h"

app::ProgramDescription StrandelProgram();

// The arguments with the one free argument (GSHHSFILE) turned into --gshhs=GSHHSFILE, which
// the option parser understands; values of options that take one are not free.
std::vector<std::string> WithFileAsOption(const std::vector<std::string>& args);

// False, after saying why on err, for option values the run cannot use (status 2).
bool UsableOptions(const app::Options& options, std::ostream& err);
