#include "RecentFiles.h"

#include <algorithm>
#include <sstream>

#include "RegistryVariables.h"

TRecentFiles::TRecentFiles(ui::MenuItem& menu, std::function<void(const std::string&)> open)
    : menu_(menu) {
    for (int i = 0; i < kCount; ++i) {
        ui::MenuItem& item = menu_.Add("RecentFile" + std::to_string(i + 1), "");
        item.OnClick = [this, i, open] {
            // A copy: opening it reorders the list.
            if (std::size_t(i) < paths_.size()) open(std::string(paths_[std::size_t(i)]));
        };
        items_.push_back(&item);
    }
    ShowPaths();
}

TRecentFiles::~TRecentFiles() = default;

void TRecentFiles::Load() {
    setting_ = std::make_unique<TRegistryString>("RecentFiles", "");
    paths_.clear();
    std::istringstream lines(setting_->Value);
    for (std::string line; std::getline(lines, line) && int(paths_.size()) < kCount;)
        if (!line.empty()) paths_.push_back(line);
    ShowPaths();
}

void TRecentFiles::Store() { setting_.reset(); }

void TRecentFiles::Add(std::string path) {
    // A line break would split the path when read back.
    if (path.empty() || path.find('\n') != std::string::npos) return;
    paths_.erase(std::remove(paths_.begin(), paths_.end(), path), paths_.end());
    paths_.insert(paths_.begin(), std::move(path));
    if (int(paths_.size()) > kCount) paths_.resize(kCount);
    ShowPaths();
}

void TRecentFiles::ShowPaths() {
    std::string joined;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const bool used = i < paths_.size();
        items_[i]->SetVisible(used);
        // "&1 path": the number is the access key; an "&" in a path is doubled so it reads as one.
        std::string caption;
        if (used) {
            caption = '&' + std::to_string(i + 1) + ' ';
            for (char c : paths_[i]) {
                if (c == '&') caption += '&';
                caption += c;
            }
        }
        items_[i]->SetCaption(caption);
        if (used) joined += paths_[i] + "\n";
    }
    menu_.SetEnabled(!paths_.empty());
    if (setting_) setting_->Value = joined;
}
