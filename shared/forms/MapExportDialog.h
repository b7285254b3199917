#pragma once
// The save dialog of a map window's "Export map" command: every map format, an SVG first.
#include <string>

#include "Controls.h"

// Suggests fileName (an .svg name).
ui::OpenDialog MapExportDialog(const std::string& fileName);
