#include "GeoreferenceChoice.h"

namespace app {

OptionSpec NoGeorefOption() {
    return {kNoGeorefOption, "",
            "write no world file and no .aux.xml beside the maps (and remove those of an\n"
            "earlier run)",
            ""};
}

bool GeoreferenceWanted(const Options& options) { return !options.Has(kNoGeorefOption); }

}  // namespace app

ui::MenuItem& AddGeoreferenceItem(ui::MenuItem& menu) {
    ui::MenuItem& item = menu.Add("FileGeoreferencing", "&Georeferencing files");
    item.SetChecked(true);
    item.OnClick = [&item] { item.SetChecked(!item.Checked()); };
    return item;
}
