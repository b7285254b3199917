#include "SearchFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string WithSeparator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
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
    return BuildSearchFolders(ExecutableFolder(), DataFolder(), HomeFolder());
}

std::string ExecutableFolder() {
    std::error_code error;
    const fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error) return WithSeparator(fs::current_path(error).string());
    return WithSeparator(exe.parent_path().string());
}

std::string DataFolder() {
    // Run from the build tree, the program uses the sample data of its source tree.
    std::error_code error;
    if (fs::equivalent(ExecutableFolder(), VARNHOLT_BUILD_BIN_DIR, error))
        return WithSeparator(VARNHOLT_DATA_DIR);
    return WithSeparator(VARNHOLT_INSTALL_DATA_DIR);
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return WithSeparator(home);
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return WithSeparator(entry->pw_dir);
    return "/";
}

std::optional<std::string> FindDataFile(const std::string& folder, const std::string& name) {
    std::error_code error;
    const std::string exact = folder + name;
    if (fs::is_regular_file(exact, error)) return exact;
    for (fs::directory_iterator entry(folder.empty() ? "." : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        if (SameNameIgnoringCase(entry->path().filename().string(), name) &&
            entry->is_regular_file(error))
            return folder + entry->path().filename().string();
    }
    return std::nullopt;
}
