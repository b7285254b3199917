#include "MapExportDialog.h"

#include "MapDocument.h"

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
