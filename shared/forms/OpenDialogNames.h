#pragma once
// Which file a file-open dialog takes: one rule for the window's dialog, batch mode's answers
// from options and the tests. A dialog whose names ignore case takes a name in other capitals
// as the file so named in its folder (ResolveFileName), spelled as it is there.
#include <optional>
#include <string>

#include "Controls.h"

namespace ui {

// The dialog's file name as spelled in folder (ending in "/") when its names ignore case and a
// file there matches; otherwise as the form gave it.
std::string SuggestedFileName(const OpenDialog& dialog, const std::string& folder);

// The path the dialog returns for a typed or given one, spelled as on disk; nothing when the
// dialog refuses it (no such file where the file must exist, no such folder where the path
// must).
std::optional<std::string> AcceptedPath(const OpenDialog& dialog, const std::string& path);

}  // namespace ui
