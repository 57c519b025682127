#include "config/ini_file.h"

#include "support/temp_app_folder.h"

#include <gtest/gtest.h>

namespace {

struct ProfileCase {
    const char* name;
    QByteArray before;  // empty: no file
    const char* section;
    const char* key;  // null: empty the section
    const char* value;
    QByteArray after;
};

TEST(ProfileWriter, FileLayout) {
    const ProfileCase cases[] = {
        {"key replaced in place", "[Engines]\r\nGoogle=old\r\nAsk=a\r\n", "engines", "Google", "new",
         "\r\n[Engines]\r\nGoogle=new\r\nAsk=a\r\n"},
        {"appended after the section's last line", "[A]\r\na=1\r\n\r\n[B]\r\nb=1\r\n", "A", "x", "2",
         "\r\n[A]\r\na=1\r\nx=2\r\n\r\n[B]\r\nb=1\r\n"},
        {"appended to the last section", "[A]\r\na=1", "A", "b", "2", "\r\n[A]\r\na=1\r\nb=2\r\n\r\n"},
        {"appended to an empty section", "[A]\r\n[B]\r\n", "A", "a", "1", "\r\n[A]\r\na=1\r\n\r\n[B]\r\n"},
        {"new section at the end", "[A]\r\na=1\r\n", "B", "b", "2", "\r\n[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n"},
        {"missing file created", "", "B", "b", "2", "\r\n[B]\r\nb=2\r\n"},
        {"empty value", "[A]\r\na=1\r\n", "A", "a", "", "\r\n[A]\r\na=\r\n"},
        {"section emptied, header and blank kept", "[A]\r\na=1\r\nb=2\r\n[B]\r\nb=1\r\n", "a", nullptr, nullptr,
         "\r\n[A]\r\n\r\n[B]\r\nb=1\r\n"},
        {"last section emptied", "[A]\r\na=1\r\n[B]\r\nb=1", "B", nullptr, nullptr, "\r\n[A]\r\na=1\r\n\r\n[B]\r\n"},
        {"missing section header appended", "[A]\r\na=1", "B", nullptr, nullptr, "\r\n[A]\r\na=1\r\n\r\n[B]\r\n"},
        {"missing file gets the header", "", "B", nullptr, nullptr, "\r\n[B]\r\n"},
    };
    for (const ProfileCase& c : cases) {
        TempAppFolder app;
        const QString file = app.file(QStringLiteral("t.ini"));
        if (!c.before.isEmpty()) app.write(QStringLiteral("t.ini"), c.before);
        if (c.key) {
            EXPECT_TRUE(ProfileWriteString(c.section, c.key, c.value, file)) << c.name;
            EXPECT_EQ(IniReadKey(c.section, c.key, "<default>", file), QString::fromUtf8(c.value)) << c.name;
        } else {
            EXPECT_TRUE(ProfileEmptySection(c.section, file)) << c.name;
            EXPECT_EQ(IniReadSection(c.section, "<default>", file), QString()) << c.name;
        }
        EXPECT_EQ(readFileBytes(file), c.after) << c.name;
    }
}

TEST(ProfileWriter, TemplatesWrittenOneByOneReadBackInOrder) {
    TempAppFolder app;
    const QString file = app.file("settings.ini");
    app.write("settings.ini", "[Other]\r\nx=1\r\n");
    const QStringList keys = {"Google", "Altavista", "Yahoo", "Ask", "MSN", "ATW"};
    for (const QString& key : keys) ASSERT_TRUE(ProfileWriteString("Engines", key, "http://" + key + "/q=", file));
    ASSERT_TRUE(ProfileWriteString("Engines", "Yahoo", "", file));
    for (const QString& key : keys)
        EXPECT_EQ(IniReadKey("Engines", key, "<default>", file), key == "Yahoo" ? "" : "http://" + key + "/q=");
    EXPECT_EQ(IniReadSection("Engines", "", file),
              "Google=http://Google/q=\r\nAltavista=http://Altavista/q=\r\nYahoo=\r\n"
              "Ask=http://Ask/q=\r\nMSN=http://MSN/q=\r\nATW=http://ATW/q=");
    EXPECT_EQ(IniListSections(file), QStringList({"Other", "Engines"}));
}

TEST(ProfileWriter, EmptiedSectionTakesNewestFirstKeys) {
    TempAppFolder app;
    const QString file = app.file("s.lpc");
    app.write("s.lpc", "[Google]\r\n01-01-06=5\r\n[Ask]\r\n01-01-06=7\r\n");
    ASSERT_TRUE(ProfileEmptySection("Google", file));
    ASSERT_TRUE(IniWriteKey("Google", "01-02-06", "10", file));
    ASSERT_TRUE(IniWriteKey("Google", "01-03-06", "11", file));
    EXPECT_EQ(IniReadSection("Google", "", file), "01-03-06=11\r\n01-02-06=10\r\n");
    EXPECT_EQ(IniReadSection("Ask", "", file), "01-01-06=7");
}

}  // namespace
