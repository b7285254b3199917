#include "ExecutablePath.h"

#include <filesystem>
#include <system_error>

std::string ExecutablePath() {
    std::error_code error;
    std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) return {};
    const std::string deleted = " (deleted)";  // the binary was replaced while running
    if (path.size() > deleted.size() && path.ends_with(deleted))
        path.resize(path.size() - deleted.size());
    return path;
}
