#pragma once
// The dialogs of a map window's "Export map" command: the file, every map format with an SVG
// first, then the page width of a vector map.
#include <optional>
#include <string>

#include "Controls.h"
#include "Interaction.h"

// Suggests fileName (an .svg name).
ui::OpenDialog MapExportDialog(const std::string& fileName);

// The page width of a map exported to path: for SVG and PDF the window asks for A4, A3 or A2
// landscape or one point a pixel (0), offering the last choice first (the program's setting
// "ExportPageWidth", in millimetres); nothing when the user cancels. Rasters need none: 0.
std::optional<double> AskPageWidth(ui::Interaction& ui, const std::string& path);
