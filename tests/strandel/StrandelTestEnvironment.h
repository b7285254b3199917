#pragma once
// Keeps the viewer's tests away from the user's own home folder and settings.
#include <QSettings>
#include <QString>
#include <cstdlib>
#include <string>

#include "TempDir.h"

// The per-user store and the home folder of one test, both in fresh folders.
class IsolatedUser {
public:
    IsolatedUser() {
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope,
                               QString::fromStdString(store.Folder()));
        ::setenv("HOME", home.Path().c_str(), 1);
    }
    TempDir store;
    TempDir home;
};
