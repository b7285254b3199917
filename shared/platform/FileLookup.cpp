#include "FileLookup.h"

#include <dirent.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include "AsciiCase.h"

namespace fs = std::filesystem;

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return !path.empty() && fs::is_regular_file(fs::path(path), ignored);
}

bool FolderExists(const std::string& path) {
    std::error_code ignored;
    return fs::is_directory(path.empty() ? fs::path(".") : fs::path(path), ignored);
}

std::string FolderPart(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ResolveFileName(const std::string& folder, const std::string& name) {
    const std::string joined = folder + name;
    if (FileExists(joined)) return joined;
    const std::string directory = FolderPart(joined);
    const std::string wanted = joined.substr(directory.size());
    if (wanted.empty()) return joined;

    // The entries' names as the system gives them: a tile set looks up 33 names in a folder, and
    // a path object made for every entry each time costs more than the rest of the opening.
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(
        ::opendir(directory.empty() ? "." : directory.c_str()), &::closedir);
    if (!entries) return joined;
    std::optional<std::string> best;
    while (const dirent* entry = ::readdir(entries.get())) {
        const std::string_view candidate = entry->d_name;
        if (EqualsIgnoringCase(candidate, wanted) && (!best || candidate < *best) &&
            FileExists(directory + std::string(candidate))) {
            best = candidate;
        }
    }
    return best ? directory + *best : joined;
}

namespace {

std::string HomeFolder() {
    if (const char* variable = std::getenv("HOME"); variable != nullptr && *variable != '\0')
        return variable;
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir)
        return user->pw_dir;
    return "/";
}

}  // namespace

std::string HomePath(const std::string& relative) {
    std::string home = HomeFolder();
    if (home.back() != '/') home.push_back('/');
    home.append(relative);
    return home;
}
