#pragma once
// Where the map viewer looks for "Countries.dat" and its topography grid, in order: the
// executable's folder, its parent, the data folder (installed <prefix>/share/varnholt/, or the
// source tree's data/ when run from the build tree), that folder's parent, and ~/GTopo2/.
// Each folder ends with '/'; parents are formed by appending "../", not resolved.
#include <optional>
#include <string>
#include <vector>

std::vector<std::string> BuildSearchFolders(const std::string& executableFolder,
                                            const std::string& dataFolder,
                                            const std::string& homeFolder);
// The five folders for this process.
std::vector<std::string> DefaultSearchFolders();

std::string ExecutableFolder();
std::string DataFolder();

// folder + name when that file exists; otherwise a file of the folder whose name matches
// case-insensitively (downloads come in either case); otherwise nothing.
std::optional<std::string> FindDataFile(const std::string& folder, const std::string& name);
