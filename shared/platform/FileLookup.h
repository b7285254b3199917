#pragma once
// File names as the programs use them: folders are strings ending in "/", joined to a fixed file
// name unchanged. Downloads often carry the fixed names in other capitals (W180N90.DEM), so a
// fixed name absent as written is looked up case-insensitively (ASCII) in its folder.
#include <string>

// True for an existing regular file (or a link to one); folders do not count.
bool FileExists(const std::string& path);
// True for an existing folder; "" is the current folder.
bool FolderExists(const std::string& path);

// folder + name when that exists; otherwise the single entry of that folder whose name equals
// name ignoring case (the alphabetically first if several do); otherwise folder + name as
// written, so that a later error names the file that was asked for. The folder is taken from
// the joined path, so a folder without its final "/" finds nothing, as when joined by hand.
std::string ResolveFileName(const std::string& folder, const std::string& name);

// The user's home folder (with a final "/") followed by relative: "~/GTOPO30/" and friends.
std::string HomePath(const std::string& relative);

// Everything up to and including the last "/"; empty when the path has none.
std::string FolderPart(const std::string& path);
