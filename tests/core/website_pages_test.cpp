#include "browse/website_pages.h"

#include "browse/website_list.h"
#include "results/column_sort.h"
#include "support/temp_app_folder.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

EngineTemplates sampleTemplates() {
    return {QStringLiteral("http://g/?q=link:"), QStringLiteral("http://av/?q=link:"),
            QStringLiteral("http://y/?p=link:"), QStringLiteral("http://ask/?q=links:"),
            QStringLiteral("http://msn/?q=link:"), QStringLiteral("http://atw/?q=link:")};
}

TEST(WebsitePageAddress, EveryWebpageType) {
    struct Case {
        const char* type;
        const char* address;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"Home Page", "http://example.com/a b?x=1", QStringLiteral("http://example.com/a b?x=1")},
        {"Home Page", "www.example.com", QStringLiteral("www.example.com")},
        {"Google", "a b", QStringLiteral("http://g/?q=link:a%20b")},
        {"AltaVista", "http://x.org/", QStringLiteral("http://av/?q=link:http%3A%2F%2Fx.org%2F")},
        {"Yahoo", "x.org", QStringLiteral("http://y/?p=link:x.org")},
        {"Ask", "50%", QStringLiteral("http://ask/?q=links:50%25")},
        {"MSN", "a&b=c", QStringLiteral("http://msn/?q=link:a%26b%3Dc")},
        // No scan suffix here, for AllTheWeb either.
        {"AllTheWeb", "x.org", QStringLiteral("http://atw/?q=link:x.org")},
        // Labels are compared exactly: other spellings of an engine show nothing.
        {"google", "x.org", std::nullopt},
        {"Altavista", "x.org", std::nullopt},
        {"Yahoo!", "x.org", std::nullopt},
        {"All The Web", "x.org", std::nullopt},
        {"ATW", "x.org", std::nullopt},
        {"home page", "x.org", std::nullopt},
        {"", "x.org", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(websitePageAddress(QString::fromUtf8(c.type), QString::fromUtf8(c.address),
                                     sampleTemplates()),
                  c.expected);
    }
}

TEST(WebsitePageAddress, TemplatesReadFromTheSettingsFile) {
    TempAppFolder app;
    // A lower-case key is found; Ask is missing, so its page is the encoded address alone.
    app.write("settings.ini",
              "[Other]\r\nGoogle=http://wrong/\r\n[Engines]\r\ngoogle=http://g/?q=link:\r\n"
              "Altavista=http://av/?q=link:\r\nYahoo=\r\nMSN=http://msn/?q=link:\r\n"
              "ATW=http://atw/?q=link:\r\n");
    const EngineTemplates templates = readEngineTemplates(app.file("settings.ini"));
    const QStringList expected{"http://g/?q=link:", "http://av/?q=link:", "", "",
                               "http://msn/?q=link:", "http://atw/?q=link:"};
    EXPECT_EQ(QStringList(templates.begin(), templates.end()), expected);
    EXPECT_EQ(websitePageAddress("Ask", "a b", templates), QStringLiteral("a%20b"));
    EXPECT_EQ(websitePageAddress("Google", "a b", templates), QStringLiteral("http://g/?q=link:a%20b"));

    const EngineTemplates none = readEngineTemplates(app.file("missing.ini"));
    for (const QString& t : none) EXPECT_TRUE(t.isEmpty());
}

void addScanned(WebsiteList& list, const QString& address) {
    list.appendPage(QLatin1String(WebsiteList::kHomePage), address);
    for (const EngineSpec& engine : engineSpecs())
        list.appendPage(QLatin1String(engine.webLabel), address);
}

TEST(FirstRowForAddress, FirstMatchInDisplayOrder) {
    WebsiteList list;
    EXPECT_EQ(firstRowForAddress(list, "a.com"), -1);
    addScanned(list, "b.com");
    addScanned(list, "a.com");
    addScanned(list, "b.com");  // scanned twice: the first group wins
    EXPECT_EQ(firstRowForAddress(list, "b.com"), 0);
    EXPECT_EQ(firstRowForAddress(list, "a.com"), 7);
    EXPECT_EQ(list.cell(7, WebsiteList::kTypeColumn), "Home Page");
    EXPECT_EQ(firstRowForAddress(list, "A.com"), -1);  // case included
    EXPECT_EQ(firstRowForAddress(list, "a.com "), -1);
    EXPECT_EQ(firstRowForAddress(list, "x.com"), -1);
}

TEST(FirstRowForAddress, FollowsTheSortedOrder) {
    WebsiteList list;
    addScanned(list, "b.com");
    addScanned(list, "a.com");
    // First header click on the type column: descending, so "Yahoo" rows lead.
    ASSERT_TRUE(EnhListView_SortColumns(list, 1, false));
    const int row = firstRowForAddress(list, "a.com");
    ASSERT_GE(row, 0);
    for (int r = 0; r < row; ++r) EXPECT_NE(list.cell(r, WebsiteList::kUrlColumn), "a.com");
    EXPECT_EQ(list.cell(0, WebsiteList::kTypeColumn), "Yahoo");
    EXPECT_EQ(list.cell(row, WebsiteList::kTypeColumn), "Yahoo");

    // Second click on the URL column: ascending, all a.com rows first.
    ASSERT_TRUE(EnhListView_SortColumns(list, 2, false));
    EXPECT_EQ(firstRowForAddress(list, "a.com"), 0);
    EXPECT_EQ(firstRowForAddress(list, "b.com"), 7);
}

}  // namespace
