#include "config/settings_store.h"
#include "config/settings_table.h"

#include "support/settings_snapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsStore : public ::testing::Test {
protected:
    SettingsSnapshot m_snapshot;
};

const char* const kAwkward[] = {
    "", " spaced ", "  ", "a,b", "a, b", "@leading", "@Variant(x)", "@@x", "@Invalid()",
    "@ByteArray(x)", "\"quoted\"", "'single'", "back\\slash", "a;b", "#hash", "x=y", "[x]",
    "tab\there", "line\nbreak", "cr\rlf", "\u00fcn\u00efc\u00f6d\u00e9 \u20ac", "500",
};

TEST_F(SettingsStore, ValuesComeBackUnchanged) {
    for (int i = 0; i < static_cast<int>(std::size(kAwkward)); ++i)
        ASSERT_TRUE(settingsStore::save(QStringLiteral("rt%1").arg(i), QString::fromUtf8(kAwkward[i])));

    // A copy at a path never opened before is parsed from disk, not from the
    // process's cache of the store's file.
    QTemporaryDir dir;
    const QString copy = dir.filePath("copy.ini");
    ASSERT_TRUE(QFile::copy(settingsStore::fileName(), copy));
    QSettings fromDisk(copy, QSettings::IniFormat);
    fromDisk.beginGroup("Settings");

    for (int i = 0; i < static_cast<int>(std::size(kAwkward)); ++i) {
        const QString key = QStringLiteral("rt%1").arg(i);
        const QString value = QString::fromUtf8(kAwkward[i]);
        EXPECT_EQ(settingsStore::get(key, "<default>"), value) << kAwkward[i];
        EXPECT_EQ(fromDisk.value(key).toString(), value) << kAwkward[i];
    }
}

TEST_F(SettingsStore, AbsentKeysGiveTheCallersDefault) {
    for (const char* def : {"", "1", "3", " odd default "})
        EXPECT_EQ(settingsStore::get("neverWritten", def), QString::fromUtf8(def)) << def;
    ASSERT_TRUE(settingsStore::save("emptyNotAbsent", ""));
    EXPECT_EQ(settingsStore::get("emptyNotAbsent", "x"), "");
}

TEST_F(SettingsStore, StoreFileAndHandEditedLists) {
    const QString expected = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("Quillmark/Quillmark.conf");
    EXPECT_EQ(settingsStore::fileName(), expected);
    ASSERT_TRUE(settings::saveFlag(Setting::ShowHelp, false));
    EXPECT_TRUE(QFile(expected).open(QIODevice::ReadOnly));

    QSettings raw(expected, QSettings::IniFormat);
    raw.setValue("Settings/listed", QStringList{"a", "b"});
    raw.sync();
    EXPECT_EQ(settingsStore::get("listed", ""), "a,b");
}

TEST_F(SettingsStore, GetIntFallsBackToTheDefault) {
    const struct {
        const char* stored;
        const char* def;
        int expected;
    } cases[] = {
        {"42", "7", 42},   {"-3", "7", -3},  {"", "7", 7},     {"abc", "7", 7},       {"4e2", "7", 7},
        {"2147483647", "7", 2147483647}, {"2147483648", "7", 7}, {" 9 ", "7", 9}, {"x", "junk", 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(settingsStore::save("intValue", c.stored));
        EXPECT_EQ(settingsStore::getInt("intValue", c.def), c.expected) << c.stored;
    }
}

TEST_F(SettingsStore, FailedSaveIsReported) {
    const QFileInfo store(settingsStore::fileName());
    const QString folder = store.absolutePath();
    const QString aside = folder + ".aside";
    ASSERT_TRUE(settingsStore::save("before", "1"));
    ASSERT_TRUE(QDir().rename(folder, aside));
    {
        // A plain file where the store's folder should be: nothing can be written.
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    const bool saved = settingsStore::save("after", "2");
    QFile::remove(folder);
    ASSERT_TRUE(QDir().rename(aside, folder));
    EXPECT_FALSE(saved);
    EXPECT_EQ(settingsStore::get("before", ""), "1");
}

}  // namespace
