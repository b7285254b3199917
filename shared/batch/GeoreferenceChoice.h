#pragma once
// Whether a program writes the georeferencing sidecars beside its maps: yes, unless the command
// line says --no-georef or the user clears the File menu's check item, in the window and in
// batch mode alike, for users who do not want the extra files.
#include "Controls.h"
#include "Options.h"

namespace app {

inline constexpr const char* kNoGeorefOption = "no-georef";

// The entry of each program's option table.
OptionSpec NoGeorefOption();
// False when the command line turned georeferencing off.
bool GeoreferenceWanted(const Options& options);

}  // namespace app

// The check item "&Georeferencing files", checked, which each click turns over.
ui::MenuItem& AddGeoreferenceItem(ui::MenuItem& menu);
