#include "MapExportDialog.h"

#include <iterator>

#include "MapDocument.h"
#include "RegistryVariables.h"

ui::OpenDialog MapExportDialog(const std::string& fileName) {
    ui::OpenDialog dialog;
    dialog.name = "ExportDialog";
    dialog.title = "Export map";
    dialog.filter = kMapFileFilter;
    dialog.fileName = fileName;
    dialog.defaultExt = "svg";
    dialog.options = ui::HideReadOnly | ui::PathMustExist | ui::EnableSizing;
    return dialog;
}

std::optional<double> AskPageWidth(ui::Interaction& ui, const std::string& path) {
    if (!IsVectorFormat(MapFileFormatOf(path))) return 0.0;
    struct Page {
        const char* name;
        double widthMm;
    };
    static constexpr Page kPages[] = {{"A4 landscape (297 mm)", 297},
                                      {"A3 landscape (420 mm)", 420},
                                      {"A2 landscape (594 mm)", 594},
                                      {"One point per pixel", 0}};
    TRegistryString stored("ExportPageWidth", "");  // empty: a point a pixel
    ui::ChoiceDialog dialog;
    dialog.title = "Export map";
    dialog.prompt = "Page width:";
    dialog.itemIndex = int(std::size(kPages)) - 1;
    for (const Page& page : kPages) {
        if (ParsePageWidthMm(stored.Value) == page.widthMm) dialog.itemIndex = int(&page - kPages);
        dialog.items.push_back(page.name);
    }
    const std::optional<int> picked = ui.ExecuteChoice(dialog);
    if (!picked || *picked < 0 || *picked >= int(std::size(kPages))) return std::nullopt;
    const double widthMm = kPages[*picked].widthMm;
    stored.Value = widthMm == 0 ? "" : std::to_string(int(widthMm));
    return widthMm;
}
