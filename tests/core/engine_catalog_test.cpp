#include "config/engine_catalog.h"

#include "config/settings_store.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"

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
        int lowValue, highValue;
        bool autoSortValue, clearValue;
    } cases[] = {
        {nullptr, nullptr, nullptr, nullptr, 500, 1000, true, true},
        {"200", "300", "0", "1", 200, 300, false, true},
        {"", "abc", "2", "", 500, 1000, false, true},
        {"2147483648", "-2147483648", "x", "0", 500, -2147483647 - 1, true, false},
        {" 42 ", "12abc", " 1", "01", 42, 1000, true, true},
    };
    SettingsSnapshot snapshot;
    QSettings raw(QSettings::IniFormat, QSettings::UserScope, "Quillmark", "Quillmark");
    for (const auto& c : cases) {
        const std::pair<const char*, const char*> values[] = {
            {"txtProfile0", c.low}, {"txtProfile1", c.high}, {"chkAutoSort", c.autoSort}, {"chkClear", c.clear}};
        for (const auto& [key, value] : values) {
            if (value) {
                ASSERT_TRUE(settingsStore::save(key, value));
            } else {
                raw.remove(QStringLiteral("Settings/") + key);
                raw.sync();
            }
        }
        const ScanSettings s = ScanSettings::read();
        EXPECT_EQ(s.lowThreshold, c.lowValue) << (c.low ? c.low : "absent");
        EXPECT_EQ(s.highThreshold, c.highValue) << (c.high ? c.high : "absent");
        EXPECT_EQ(s.autoSort, c.autoSortValue) << (c.autoSort ? c.autoSort : "absent");
        EXPECT_EQ(s.clearFirst, c.clearValue) << (c.clear ? c.clear : "absent");
    }
}

}  // namespace
