#include <gtest/gtest.h>

#include <QRect>
#include <QSettings>
#include <QStringList>
#include <filesystem>
#include <memory>

#include "RegistryVariables.h"
#include "TempDir.h"

namespace {

// Every test gets its own per-user store, never the real ~/.config.
class RegistryVariables : public ::testing::Test {
protected:
    void SetUp() override { PointStoreAt(dir.Folder()); }
    static void PointStoreAt(const std::string& folder) {
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(folder));
        }
    }
    static QVariant Stored(const char* program, const char* name) {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Varnholt", program)
            .value(name);
    }
    TempDir dir;
};

}  // namespace

TEST_F(RegistryVariables, FirstRunYieldsTheDefaultAndChangesAreStoredAtDestruction) {
    auto setting = std::make_unique<TRegistryString>("DataFile", "/default", "Strandel");
    EXPECT_EQ(setting->Value, "/default");
    EXPECT_EQ(setting->KeyPath, "\\Software\\Varnholt\\Strandel");
    setting->Value = "/maps/a, b; c=d/@gshhs_ü.b";
    EXPECT_FALSE(Stored("Strandel", "DataFile").isValid());
    setting.reset();
    TRegistryString again("DataFile", "/default", "Strandel");
    EXPECT_EQ(again.Value, "/maps/a, b; c=d/@gshhs_ü.b");
}

TEST_F(RegistryVariables, EachProgramNameHasItsOwnKey) {
    { TRegistryString mine("DataFile", "/mine", "Other"); }
    TRegistryString theirs("DataFile", "/theirs", "Strandel");
    EXPECT_EQ(theirs.Value, "/theirs");
    EXPECT_EQ(Stored("Other", "DataFile").toString(), "/mine");
    EXPECT_TRUE(std::filesystem::exists(dir.Path() / "Varnholt" / "Other.conf"));
    // Without a name, the settings belong to the running executable.
    EXPECT_EQ(TRegistryVariable("GSHHSFile").KeyPath, "\\Software\\Varnholt\\test_platform");
}

TEST_F(RegistryVariables, NonStringValuesYieldTheDefaultAndAreReplacedByAString) {
    for (const QVariant& value : {QVariant(QStringList{"a", "b"}), QVariant(QRect(1, 2, 3, 4))}) {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Varnholt", "Other")
            .setValue("GSHHSFile", value);
        {
            TRegistryString setting("GSHHSFile", "/default/gshhs_l.b", "Other");
            EXPECT_EQ(setting.Value, "/default/gshhs_l.b") << value.typeName();
        }
        const QVariant replaced = Stored("Other", "GSHHSFile");
        EXPECT_EQ(replaced.typeId(), QMetaType::QString);
        EXPECT_EQ(replaced.toString(), "/default/gshhs_l.b");
    }
}

TEST_F(RegistryVariables, AnUnusableStoreIsSilent) {
    PointStoreAt(dir.Write("not-a-folder", {1}) + "/");
    {
        TRegistryString setting("DataFile", "/default", "Strandel");
        setting.Value = "/lost";
    }
    EXPECT_EQ(TRegistryString("DataFile", "/default", "Strandel").Value, "/default");
}
