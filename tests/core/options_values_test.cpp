#include "shell/options_values.h"

#include "config/settings_store.h"
#include "config/settings_table.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"
#include "support/unprivileged.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

class OptionsValuesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const SettingSpec& setting : settingSpecs()) settings::saveText(setting.id, QString());
    }
    SettingsSnapshot m_snapshot;
    TempAppFolder m_app;
};

TEST_F(OptionsValuesTest, LoadsStoredTextsAndFlags) {
    m_app.write("settings.ini", "[Engines]\r\nGoogle=http://g/?q=link:\r\nATW=http://atw/?q=link:\r\n");
    struct Case {
        const char* autoSort;
        const char* clear;
        bool expectAuto;
        bool expectClear;
    };
    // A flag is ticked only by 1; a text that is no number reads as the default.
    const Case cases[] = {{"1", "1", true, true}, {"0", "1", false, true}, {"1", "0", true, false},
                          {"2", "x", false, true}, {" 1", "-1", true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.autoSort);
        settings::saveText(Setting::AutoSort, QLatin1String(c.autoSort));
        settings::saveText(Setting::ClearFirst, QLatin1String(c.clear));
        settings::saveText(Setting::LowThreshold, QStringLiteral(" 7"));
        settings::saveText(Setting::HighThreshold, QStringLiteral(""));
        settings::saveText(Setting::HighShown, QStringLiteral("abc"));
        const OptionsValues values = OptionsValues::load(m_app.file("settings.ini"));
        EXPECT_EQ(values.autoSort, c.expectAuto);
        EXPECT_EQ(values.clearFirst, c.expectClear);
        // Thresholds come back as stored, not converted.
        EXPECT_EQ(values.thresholds[0], " 7");
        EXPECT_EQ(values.thresholds[1], "");
        EXPECT_EQ(values.thresholds[2], "abc");
        EXPECT_EQ(values.templates[0], "http://g/?q=link:");
        EXPECT_EQ(values.templates[1], "");
        EXPECT_EQ(values.templates[5], "http://atw/?q=link:");
    }

    // A negative threshold, stored before the dialog refused one, comes back as its default.
    settings::saveText(Setting::LowThreshold, QStringLiteral("-800"));
    settings::saveText(Setting::HighThreshold, QStringLiteral(" -1"));
    settings::saveText(Setting::HighShown, QStringLiteral("2000"));
    const OptionsValues values = OptionsValues::load(m_app.file("settings.ini"));
    EXPECT_EQ(values.thresholds[0], "500");
    EXPECT_EQ(values.thresholds[1], "1000");
    EXPECT_EQ(values.thresholds[2], "2000");
}

TEST(OptionsValuesDefaults, AbsentKeysReadAsTheirDefaults) {
    SettingsSnapshot snapshot;
    TempAppFolder app;
    QSettings store(settingsStore::fileName(), QSettings::IniFormat);
    store.remove("Settings");
    store.sync();
    const OptionsValues values = OptionsValues::load(app.file("settings.ini"));
    EXPECT_EQ(values.thresholds, OptionsValues::defaultThresholds());
    EXPECT_EQ(values.thresholds[0], "500");
    EXPECT_EQ(values.thresholds[1], "1000");
    EXPECT_EQ(values.thresholds[2], "1000");
    EXPECT_TRUE(values.autoSort);
    EXPECT_TRUE(values.clearFirst);
    for (const QString& t : values.templates) EXPECT_TRUE(t.isEmpty());
}

TEST_F(OptionsValuesTest, SavesTextsUnchangedAndFlagsAsDigits) {
    OptionsValues values;
    values.thresholds = {"", " ", "12a"};
    values.autoSort = false;
    values.clearFirst = true;
    ASSERT_TRUE(saveScanOptions(values));
    EXPECT_EQ(settings::text(Setting::LowThreshold), "");
    EXPECT_EQ(settings::text(Setting::HighThreshold), " ");
    EXPECT_EQ(settings::text(Setting::HighShown), "12a");
    EXPECT_EQ(settings::text(Setting::AutoSort), "0");
    EXPECT_EQ(settings::text(Setting::ClearFirst), "1");
}

TEST_F(OptionsValuesTest, TemplateReplacedInPlaceOrAddedAtTheEndOfItsSection) {
    const QString ini = m_app.file("settings.ini");
    m_app.write("settings.ini",
                "[Engines]\r\nGoogle=old\r\nYahoo=y\r\n\r\n[Other]\r\nGoogle=keep\r\n");
    ASSERT_TRUE(writeEngineTemplate(engineSpec(EngineKey::Google), "http://g/?q=link:", ini));
    ASSERT_TRUE(writeEngineTemplate(engineSpec(EngineKey::ATW), "", ini));
    EXPECT_EQ(QString::fromLatin1(m_app.read("settings.ini")),
              "\r\n[Engines]\r\nGoogle=http://g/?q=link:\r\nYahoo=y\r\nATW=\r\n\r\n[Other]\r\n"
              "Google=keep\r\n");

    // A missing file is created with the section.
    QFile::remove(ini);
    ASSERT_TRUE(writeEngineTemplate(engineSpec(EngineKey::MSN), "m", ini));
    EXPECT_EQ(QString::fromLatin1(m_app.read("settings.ini")), "\r\n[Engines]\r\nMSN=m\r\n");
}

TEST_F(OptionsValuesTest, UnwritableFileIsReportedAndLeftWhole) {
    const QString ini = m_app.file("settings.ini");
    const QByteArray old = "[Engines]\r\nGoogle=old\r\n";
    m_app.write("settings.ini", old);
    QFile::setPermissions(m_app.path(), QFile::Permissions(0x7755));
    QFile::setPermissions(ini, QFile::Permissions(0x4444));
    const auto result = runUnprivileged(
        [&] { return writeEngineTemplate(engineSpec(EngineKey::Google), "new", ini); });
    QFile::setPermissions(ini, QFile::Permissions(0x6644));
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(*result);
    EXPECT_EQ(m_app.read("settings.ini"), old);
    EXPECT_TRUE(templatesNotSavedMessage(ini).contains(ini));
}

}  // namespace
