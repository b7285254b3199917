#include "FrontEndModule.h"

#include <dlfcn.h>

#include <filesystem>

#include "Errors.h"
#include "ExecutablePath.h"

namespace fs = std::filesystem;

std::vector<std::string> FrontEndModuleCandidates(const std::string& executableFolder,
                                                  const std::string& installedFromBin) {
    const fs::path folder(executableFolder);
    return {(folder / kFrontEndModuleName).string(),
            (folder / installedFromBin / kFrontEndModuleName).lexically_normal().string()};
}

namespace {

std::string ModulePath() {
    std::string folder = fs::path(ExecutablePath()).parent_path().string();
    // A bare file name would send dlopen down the library path.
    if (folder.empty()) folder.assign(1, '.');
    const std::vector<std::string> candidates =
        FrontEndModuleCandidates(folder, VARNHOLT_MODULE_FROM_BIN);
    std::error_code error;
    for (const std::string& path : candidates)
        if (fs::exists(path, error)) return path;
    return candidates.back();  // the installed place, for the error
}

const FrontEnd& OpenFrontEnd() {
    const std::string path = ModulePath();
    // Bound at once, so that a module from another build fails here with the loader's
    // reason rather than later in the middle of a run. Never closed: Qt does not unload.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module) {
        using Entry = const FrontEnd* (*)();
        if (auto entry = reinterpret_cast<Entry>(::dlsym(module, kFrontEndEntryName)))
            return *entry();
    }
    const char* reason = ::dlerror();
    throw VarnholtError("Cannot load the window front end: " +
                        (reason ? std::string(reason) : path));
}

}  // namespace

const FrontEnd& LoadFrontEnd() {
    static const FrontEnd& frontEnd = OpenFrontEnd();
    return frontEnd;
}
