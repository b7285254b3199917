#pragma once
// Keeps a test away from the user's own home folder and settings: a fresh per-user settings store
// and a fresh home folder, both removed afterwards, and HOME set back.
#include <QSettings>
#include <QString>
#include <cstdlib>
#include <optional>
#include <string>

#include "TempDir.h"

class IsolatedUser {
public:
    IsolatedUser() {
        if (const char* home = std::getenv("HOME")) savedHome_ = home;
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope,
                               QString::fromStdString(store.Folder()));
        ::setenv("HOME", home.Path().c_str(), 1);
    }
    ~IsolatedUser() {
        if (savedHome_)
            ::setenv("HOME", savedHome_->c_str(), 1);
        else
            ::unsetenv("HOME");
    }
    IsolatedUser(const IsolatedUser&) = delete;
    IsolatedUser& operator=(const IsolatedUser&) = delete;

    TempDir store;
    TempDir home;

private:
    std::optional<std::string> savedHome_;
};
