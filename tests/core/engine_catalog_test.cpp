#include "config/engine_catalog.h"

#include "config/settings_store.h"
#include "config/settings_table.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

TEST(EngineCatalog, TableInScanOrder) {
    const struct {
        const char* key;
        const char* dialogLabel;
        const char* gridCaption;
        const char* webLabel;
        const char* statusSuffix;
    } expected[] = {
        {"Google", "Google:", "Google", "Google", " on Google"},
        {"Altavista", "Altavista:", "Altavista", "AltaVista", " on AltaVista"},
        {"Yahoo", "Yahoo!:", "Yahoo!", "Yahoo", " on Yahoo!"},
        {"Ask", "Ask:", "Ask", "Ask", " on Ask"},
        {"MSN", "MSN:", "MSN", "MSN", " on MSN"},
        {"ATW", "AllTheWeb:", "All The Web", "AllTheWeb", " on All The Web"},
    };
    for (int i = 0; i < kEngineCount; ++i) {
        const EngineSpec& e = engineSpecs()[i];
        EXPECT_EQ(static_cast<int>(e.id), i);
        EXPECT_EQ(&engineSpec(e.id), &e);
        EXPECT_EQ(e.parser, i + 1);
        EXPECT_EQ(e.gridColumn, i + 2);
        EXPECT_EQ(QString(e.templateField), QStringLiteral("Text%1").arg(i + 1));
        EXPECT_STREQ(e.key, expected[i].key);
        EXPECT_STREQ(e.dialogLabel, expected[i].dialogLabel);
        EXPECT_STREQ(e.gridCaption, expected[i].gridCaption);
        EXPECT_STREQ(e.webLabel, expected[i].webLabel);
        EXPECT_STREQ(e.statusSuffix, expected[i].statusSuffix);
        EXPECT_EQ(engineByWebLabel(e.webLabel), &e);
    }
    // Only the website-view spelling finds an engine.
    for (const char* other : {"Altavista", "Yahoo!", "All The Web", "ATW", "google", ""})
        EXPECT_EQ(engineByWebLabel(other), nullptr) << other;
}

TEST(EngineCatalog, DefaultTemplatesMatchTheShippedSettings) {
    TempAppFolder app;
    app.write("settings.ini", readFileBytes(QStringLiteral(QUILLMARK_SHIPPED_APP "/settings.ini")));
    for (const EngineSpec& e : engineSpecs()) {
        EXPECT_TRUE(defaultTemplate(e).startsWith("http://" + QString(e.host) + "/")) << e.key;
        EXPECT_EQ(readTemplate(e, app.file("settings.ini")), defaultTemplate(e)) << e.key;
    }
    EXPECT_TRUE(defaultTemplate(engineSpec(EngineKey::Ask)).endsWith("&q=links:"));
}

TEST(EngineCatalog, TemplatesAndScanQueries) {
    TempAppFolder app;
    app.write("settings.ini", "[engines]\r\ngoogle=http://g/?q=link:\r\nATW=http://a/?q=\r\n");
    const QString file = app.file("settings.ini");
    const EngineSpec& google = engineSpec(EngineKey::Google);
    const EngineSpec& atw = engineSpec(EngineKey::ATW);
    EXPECT_EQ(readTemplate(google, file), "http://g/?q=link:");
    EXPECT_EQ(readTemplate(engineSpec(EngineKey::MSN), file), "");
    EXPECT_EQ(readTemplate(google, app.file("none.ini")), "");
    EXPECT_EQ(scanQuery(readTemplate(google, file), google, "www.a b.com/?x=1&y"),
              "http://g/?q=link:www.a b.com/?x=1&y");
    EXPECT_EQ(scanQuery("", google, "example.com"), "example.com");
    EXPECT_EQ(scanQuery(readTemplate(atw, file), atw, "example.com"),
              QString("http://a/?q=example.com") + kAtwSuffix);
}

TEST(EngineCatalog, PopularityRank) {
    const struct {
        std::int64_t total, low, high;
        PopularityRank rank;
    } cases[] = {
        {0, 500, 1000, PopularityRank::Low},        {499, 500, 1000, PopularityRank::Low},
        {500, 500, 1000, PopularityRank::Medium},   {999, 500, 1000, PopularityRank::Medium},
        {1000, 500, 1000, PopularityRank::High},    {30'000'000'000, 500, 1000, PopularityRank::High},
        {700, 1000, 500, PopularityRank::Low},      {1200, 1000, 500, PopularityRank::High},
        {-1, 0, 0, PopularityRank::Low},            {0, 0, 0, PopularityRank::High},
    };
    for (const auto& c : cases)
        EXPECT_EQ(popularityRank(c.total, c.low, c.high), c.rank) << c.total << " " << c.low << " " << c.high;
    EXPECT_STREQ(rankName(PopularityRank::Low), "Low");
    EXPECT_STREQ(rankName(PopularityRank::Medium), "Medium");
    EXPECT_STREQ(rankName(PopularityRank::High), "High");
}

TEST(ScanSettings, ConversionsAndFallbacks) {
    const struct {
        const char* low;  // null: key absent
        const char* high;
        const char* autoSort;
        const char* clear;
        const char* atOnce;
        const char* pause;
        int lowValue, highValue;
        bool autoSortValue, clearValue, atOnceValue;
        int pauseValue;
    } cases[] = {
        {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 500, 1000, true, true, false, 0},
        {"200", "300", "0", "1", "1", "5", 200, 300, false, true, true, 5},
        {"", "abc", "2", "", "2", "x", 500, 1000, false, true, false, 0},
        {"2147483648", "-2147483648", "x", "0", "", "-4", 500, -2147483647 - 1, true, false, false, 0},
        {" 42 ", "12abc", " 1", "01", " 1", " 30 ", 42, 1000, true, true, true, 30},
    };
    SettingsSnapshot snapshot;
    for (const auto& c : cases) {
        const std::pair<Setting, const char*> values[] = {
            {Setting::LowThreshold, c.low}, {Setting::HighThreshold, c.high}, {Setting::AutoSort, c.autoSort},
            {Setting::ClearFirst, c.clear}, {Setting::AtOnce, c.atOnce},      {Setting::Pause, c.pause}};
        for (const auto& [id, value] : values) {
            if (value)
                ASSERT_TRUE(settings::saveText(id, QLatin1String(value)));
            else
                forgetSetting(id);
        }
        const std::string trace = c.low ? c.low : "absent";
        const ScanSettings s = ScanSettings::read();
        EXPECT_EQ(s.lowThreshold, c.lowValue) << trace;
        EXPECT_EQ(s.highThreshold, c.highValue) << trace;
        EXPECT_EQ(s.autoSort, c.autoSortValue) << trace;
        EXPECT_EQ(s.clearFirst, c.clearValue) << trace;
        EXPECT_EQ(s.atOnce, c.atOnceValue) << trace;
        EXPECT_EQ(s.pauseSeconds, c.pauseValue) << trace;
    }
}

// A store written by an earlier version, by hand: every value it holds is
// read back through the table, and each setting keeps a key of its own.
TEST(SettingsTable, ReadsAStoreAsEarlierVersionsWroteIt) {
    SettingsSnapshot snapshot;
    {
        QSettings raw(settingsStore::fileName(), QSettings::IniFormat);
        raw.remove(QStringLiteral("Settings"));
    }
    QDir().mkpath(QFileInfo(settingsStore::fileName()).path());
    QFile file(settingsStore::fileName());
    const QByteArray old = "[Settings]\ntxtProfile0=11\ntxtProfile1=22\ntxtProfile2=33\nchkAutoSort=0\n"
                           "chkClear=0\nshowHelp=0\ncmbChart2=5\n";
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(old) == old.size());
    file.close();
    const std::pair<Setting, const char*> expected[] = {
        {Setting::LowThreshold, "11"}, {Setting::HighThreshold, "22"}, {Setting::HighShown, "33"},
        {Setting::AutoSort, "0"},      {Setting::ClearFirst, "0"},     {Setting::ShowHelp, "0"},
        {Setting::ChartType, "5"},     {Setting::AtOnce, "0"},         {Setting::Pause, "0"},
        {Setting::WindowGeometry, ""}};
    ASSERT_EQ(std::size(expected), settingSpecs().size());
    for (const auto& [id, text] : expected) EXPECT_EQ(settings::text(id), QLatin1String(text)) << settingSpec(id).key;

    for (const SettingSpec& setting : settingSpecs()) ASSERT_TRUE(settings::saveNumber(setting.id, 100 + int(setting.id)));
    for (const SettingSpec& setting : settingSpecs()) EXPECT_EQ(settings::number(setting.id), 100 + int(setting.id)) << setting.key;
}

}  // namespace
