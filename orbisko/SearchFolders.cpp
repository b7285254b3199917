#include "SearchFolders.h"

#include <filesystem>

#include "ExecutablePath.h"
#include "FileLookup.h"

namespace fs = std::filesystem;

namespace {

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

std::vector<std::string> BuildSearchFolders(const std::string& executableFolder,
                                            const std::string& dataFolder,
                                            const std::string& homeFolder) {
    const std::string exe = WithSeparator(executableFolder);
    const std::string data = WithSeparator(dataFolder);
    return {exe, exe + "../", data, data + "../", WithSeparator(homeFolder) + "GTopo2/"};
}

std::vector<std::string> DefaultSearchFolders() {
    return BuildSearchFolders(ExecutableFolder(), DataFolder(), HomePath(""));
}

std::string ExecutableFolder() {
    const std::string exe = ExecutablePath();
    std::error_code error;
    if (exe.empty()) return WithSeparator(fs::current_path(error).string());
    return WithSeparator(fs::path(exe).parent_path().string());
}

std::string DataFolder() {
    // Run from the build tree, the program uses the sample data of its source tree. Installed,
    // the data lies beside the executable's folder, wherever the prefix or package put both.
    std::error_code error;
    const std::string executable = ExecutableFolder();
    if (fs::equivalent(executable, VARNHOLT_BUILD_BIN_DIR, error))
        return WithSeparator(VARNHOLT_DATA_DIR);
    return WithSeparator(
        (fs::path(executable) / VARNHOLT_DATA_FROM_BIN).lexically_normal().string());
}

std::optional<std::string> FindDataFile(const std::string& folder, const std::string& name) {
    std::string path = ResolveFileName(folder, name);
    if (!FileExists(path)) return std::nullopt;
    return path;
}
