#include "RegistryVariables.h"

#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <exception>
#include <utility>

#include "ExecutablePath.h"

namespace {

const char* const kOrganisation = "Varnholt";

QSettings OpenStore(const std::string& programName) {
    // NativeFormat: the registry under HKEY_CURRENT_USER\Software\Varnholt on Windows.
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation,
                     QString::fromStdString(programName));
}

}  // namespace

std::string ProgramBaseName() {
    std::string name =
        QFileInfo(QString::fromStdString(ExecutablePath())).completeBaseName().toStdString();
    return name.empty() ? std::string(kOrganisation) : name;
}

TRegistryVariable::TRegistryVariable(std::string name)
    : TRegistryVariable(std::move(name), ProgramBaseName()) {}

TRegistryVariable::TRegistryVariable(std::string name, std::string programName)
    : KeyPath(std::string("\\Software\\") + kOrganisation + "\\" + programName),
      ValueName(std::move(name)),
      programName_(std::move(programName)) {}

TRegistryString::TRegistryString(std::string name, std::string defaultValue)
    : TRegistryVariable(std::move(name)), Value(std::move(defaultValue)) {
    Load();
}

TRegistryString::TRegistryString(std::string name, std::string defaultValue,
                                 std::string programName)
    : TRegistryVariable(std::move(name), std::move(programName)), Value(std::move(defaultValue)) {
    Load();
}

TRegistryString::~TRegistryString() { Store(); }

void TRegistryString::Load() {
    try {
        QSettings store = OpenStore(ProgramName());
        const QString key = QString::fromStdString(ValueName);
        if (!store.contains(key)) return;
        QVariant stored = store.value(key);
        // Lists, byte arrays and other typed values are not strings: the default stands.
        if (stored.typeId() == QMetaType::QString) Value = stored.toString().toStdString();
    } catch (const std::exception&) {
    }
}

void TRegistryString::Store() noexcept {
    try {
        QSettings store = OpenStore(ProgramName());
        store.setValue(QString::fromStdString(ValueName), QString::fromStdString(Value));
        store.sync();
    } catch (...) {
    }
}
