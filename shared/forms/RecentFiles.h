#pragma once
// The files (or folders) a program opened last, newest first, as numbered items of a menu
// ("&1 /data/gshhs_l.b"), kept between runs in the program's setting "RecentFiles", one path a
// line. Items without a path are hidden; choosing one hands its path to the program.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Controls.h"

class TRegistryString;

class TRecentFiles {
public:
    static constexpr int kCount = 5;

    // Adds the kCount items to the menu now (menus are fixed once a window is built).
    TRecentFiles(ui::MenuItem& menu, std::function<void(const std::string& path)> open);
    ~TRecentFiles();

    // Reads the setting (FormCreate); Store writes it back once (FormDestroy).
    void Load();
    void Store();
    // Puts a path first, once.
    void Add(std::string path);
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    void ShowPaths();

    ui::MenuItem& menu_;
    std::vector<ui::MenuItem*> items_;
    std::vector<std::string> paths_;
    std::unique_ptr<TRegistryString> setting_;
};
