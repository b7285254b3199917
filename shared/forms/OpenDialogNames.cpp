#include "OpenDialogNames.h"

#include "FileLookup.h"

namespace ui {

std::string SuggestedFileName(const OpenDialog& dialog, const std::string& folder) {
    if (!dialog.namesIgnoreCase || dialog.fileName.empty()) return dialog.fileName;
    const std::string found = ResolveFileName(folder, dialog.fileName);
    return FileExists(found) ? found.substr(FolderPart(found).size()) : dialog.fileName;
}

std::optional<std::string> AcceptedPath(const OpenDialog& dialog, const std::string& path) {
    const std::string found = dialog.namesIgnoreCase ? ResolveFileName("", path) : path;
    if (FileExists(found)) return found;
    if (dialog.options & FileMustExist) return std::nullopt;
    if ((dialog.options & PathMustExist) && !FolderExists(FolderPart(path))) return std::nullopt;
    return path;
}

}  // namespace ui
