#pragma once
// Per-user string settings that survive between runs. A setting reads its stored value once when
// it is created and writes its value back once when it is destroyed; in between, Value is the
// only copy. Settings of program P live under "\Software\Varnholt\P": in the registry on
// Windows, in ~/.config/Varnholt/P.conf elsewhere (QSettings, organisation "Varnholt").
// Every failure of the store is silent: an unreadable value yields the default, an unwritable
// one loses the change.
#include <string>

// The running program's file name without folder and last extension ("terrafold").
std::string ProgramBaseName();

class TRegistryVariable {
public:
    // Settings of the running program.
    explicit TRegistryVariable(std::string name);
    // Settings of the named program, as if the executable were called programName.
    TRegistryVariable(std::string name, std::string programName);
    virtual ~TRegistryVariable() = default;
    TRegistryVariable(const TRegistryVariable&) = delete;
    TRegistryVariable& operator=(const TRegistryVariable&) = delete;

    const std::string& ProgramName() const { return programName_; }

    std::string KeyPath;  // "\Software\Varnholt\" + program name
    std::string ValueName;

private:
    std::string programName_;
};

class TRegistryString : public TRegistryVariable {
public:
    TRegistryString(std::string name, std::string defaultValue);
    TRegistryString(std::string name, std::string defaultValue, std::string programName);
    ~TRegistryString() override;

    std::string Value;

private:
    void Load();
    void Store() noexcept;
};
