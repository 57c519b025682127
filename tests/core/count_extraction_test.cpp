#include "sources/count_extraction.h"
#include "support/temp_app_folder.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QString fixturePage(const char* name) {
    return QString::fromLatin1(
        readFileBytes(QStringLiteral(QUILLMARK_TEST_DATA "/pages/") + QLatin1String(name)));
}

struct BetweenCase {
    const char* text;
    const char* before;
    const char* past;
    const char* expected;
};

TEST(GetBetween, CutsByOneBasedPositionsIncludingMissingMarkers) {
    const BetweenCase cases[] = {
        {"pqXYrsZZtu", "XY", "ZZ", "rs"},
        {"pqXYrs", "XY", "ZZ", "rs"},          // past-marker absent: everything after
        {"pqrstu", "XY", "tu", "qrs"},         // before absent: drops length - 1 characters
        {"pqXYZZ", "XY", "ZZ", ""},            // past-marker right after
        {"pqrstu", "XYZ", "ZZ", "rstu"},       // both absent
        {"ab", "XYZ", "ZZ", ""},               // n = 0: nothing left
        {"a", "XYZ", "ZZ", "a"},               // n < 0: text left as it was
        {"XYabXYcdZZ", "XY", "ZZ", "abXYcd"},  // first before-marker, first past-marker
        {"ZZXYabZZ", "XY", "ZZ", "ab"},        // past-marker searched after the cut only
        {"", "XY", "ZZ", ""},
        {"pqXY", "XY", "ZZ", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetBetween(QString::fromLatin1(c.text), QString::fromLatin1(c.before),
                             QString::fromLatin1(c.past)),
                  QString::fromLatin1(c.expected))
            << c.text << " / " << c.before << " / " << c.past;
    }
}

struct FixtureCase {
    const char* file;
    int parser;
    const char* expected;
};

TEST(ParseEngineData, ReadsEachEnginesFixturePages) {
    const FixtureCase cases[] = {
        {"google_count.html", 1, "987"},        {"google_thousands.html", 1, "1,230"},
        {"google_none.html", 1, "0"},           {"google_missing.html", 1, ""},
        {"altavista_count.html", 2, "512"},     {"altavista_thousands.html", 2, "12,345"},
        {"altavista_none.html", 2, "0"},        {"altavista_missing.html", 2, ""},
        {"yahoo_count.html", 3, "640"},         {"yahoo_thousands.html", 3, "4,560"},
        {"yahoo_none.html", 3, "0"},            {"yahoo_missing.html", 3, ""},
        {"ask_count.html", 4, "88"},            {"ask_thousands.html", 4, "7890"},
        {"ask_none.html", 4, "0"},              {"ask_missing.html", 4, "0"},
        {"msn_count.html", 5, "310"},           {"msn_thousands.html", 5, "2345"},
        {"msn_none.html", 5, "0"},              {"msn_missing.html", 5, "0"},
        {"alltheweb_count.html", 6, "76"},      {"alltheweb_thousands.html", 6, "1,234"},
        {"alltheweb_none.html", 6, "0"},        {"alltheweb_missing.html", 6, ""},
    };
    for (const auto& c : cases) {
        const QString page = fixturePage(c.file);
        ASSERT_FALSE(page.isEmpty()) << c.file;
        EXPECT_EQ(ParseEngineData(page, c.parser), QString::fromLatin1(c.expected)) << c.file;
    }
}

TEST(ParseEngineData, PageOfOneEngineGivesNoCountToAnother) {
    const QString google = fixturePage("google_thousands.html");
    EXPECT_EQ(ParseEngineData(google, 2), QString());
    EXPECT_EQ(ParseEngineData(google, 4), QStringLiteral("0"));
    EXPECT_EQ(ParseEngineData(google, 6), QString());
}

struct PageCase {
    const char* name;
    int parser;
    const char* page;
    const char* expected;
};

TEST(ParseEngineData, EngineRulesOnSmallPages) {
    const PageCase cases[] = {
        {"google bold count", 1, "x</b> of about <b>1,230</b> linking to y", "1,230"},
        {"google plain count", 1, "x</b> of 42</b> linking to y", "42"},
        {"google no results", 1, "Your search - <b>q</b> - did not match any documents.  <br><br>",
         "0"},
        {"google other probe", 1, "Your search - <b>q</b> - did not match any document.  <br><br>",
         ""},
        {"google probe one space", 1, "Your search - <b>q</b> - did not match any documents. <br><br>",
         ""},
        {"altavista", 2, "<A>AltaVista found 12,345 results</A>", "12,345"},
        {"altavista no results", 2, "<span class=m><span class=y>We found 0 results. Try", "0"},
        {"altavista case", 2, "<A>AltaVista found 12 Results</A> <a>", ""},
        {"yahoo", 3, "of about <strong>77</strong>", "77"},
        {"yahoo no results", 3,
         "<big>We didn't find any Web pages matching the following criteria:<ul><li>x", "0"},
        {"yahoo no results quoted", 3,
         "<big>We didn\"t find any Web pages matching the following criteria:<ul><li>x", "0"},
        {"ask separators", 4, "<td>Showing results 1-10 of 1,234</td>", "1234"},
        {"ask spaces", 4, "Showing results 1-10 of   12 345 </td>", "12345"},
        {"ask line breaks", 4, "Showing results 1-10 of \r\n 9,8\r\n7</td>", "987"},
        {"ask missing", 4, "Results 1-10 of 1,234</td> and a good deal more text", "0"},
        {"ask only separators", 4, "Showing results 1-10 of , , </td>", "0"},
        {"msn paged", 5, "<h5>Page 1 of 2,345 results containing x", "2345"},
        // Lower case still takes the "Page 1 of " branch, whose cut then misses;
        // the other branch would have read 77.
        {"msn paged lower case", 5, "<h5>page 1 of 77 containing x", "0"},
        {"msn paged upper case", 5, "<h5>PAGE 1 OF 77 containing x", "0"},
        {"msn paged at start", 5, "Page 1 of 8 results", "8"},
        {"msn paged at end", 5, "1 of 9 containing Page 1 of ", "0"},
        {"msn stray one first", 5, "x 1 y, 1 of 3, Page 1 of 5 results", "5"},
        {"msn no page one", 5, "Page 2 of 77 containing x", "77"},
        {"msn paged mixed case", 5, "<h5>PAGE 1 of 2,345 results, Page 1 of 7 results", "7"},
        {"msn of containing", 5, "1-10 of 5 400 containing link:x", "5400"},
        {"msn not a number", 5, "Page 1 of many results", "0"},
        {"msn decimal", 5, "Page 1 of 2.5 results", "2.5"},
        {"msn signed", 5, "Page 1 of -12 results", "-12"},
        {"msn two points", 5, "Page 1 of 1.2.3 results", "0"},
        {"msn sign only", 5, "Page 1 of + results", "0"},
        {"msn too long, no sentence", 5, "Page 1 of 12345678901 results", ""},
        {"msn too long, sentence", 5,
         "Page 1 of 12345678901 results</td><td><span class=\"h1\">Sorry, no results were found "
         "containing <span class=\"h1 blue\">x",
         "0"},
        {"atw single quotes", 6, "<span class='ofSoMany'>1,234</span>", "1,234"},
        {"atw double quotes", 6, "<span class=\"ofSoMany\">1,234</span>", "1,234"},
        {"atw mixed quotes", 6, "<span class=\"ofSoMany'>55</span>", "55"},
        {"atw near miss first", 6,
         "<span class=\"ofSoManyX\">9</span><span class=\"ofSoMany\">31</span>", "31"},
        {"atw spaces become zeros", 6, "<span class='ofSoMany'>1 2 3</span>", "10203"},
        {"atw quote in count", 6, "<span class='ofSoMany'>1\"2</span>", "1'2"},
        {"atw no results", 6, "<div class=\"noResults\"><p>No Web pages\nfound that match your query.</p>",
         "0"},
        {"atw no results with CR", 6,
         "<div class=\"noResults\"><p>No Web pages\r\nfound that match your query.</p>", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseEngineData(QString::fromLatin1(c.page), c.parser), QString::fromLatin1(c.expected))
            << c.name;
}

TEST(ParseEngineData, TenCharactersAreUsableElevenAreNot) {
    struct LengthCase {
        int parser;
        const char* ten;
        const char* eleven;
        const char* elevenResult;
    };
    const LengthCase cases[] = {
        {1, "x</b> of 1234567890</b> linking to ", "x</b> of 12345678901</b> linking to ", ""},
        {1, "x</b> of about <b>1234567890</b> linking to ", "x</b> of about <b>1,234,567,8</b> linking to ", ""},
        {2, "AltaVista found 1,234,5678 results</A>", "AltaVista found 1,234,56789 results</A>", ""},
        {3, "of about <strong>1234567890</strong>", "of about <strong>12345678901</strong>", ""},
        {4, "Showing results 1-10 of 1,234,567,890</td>", "Showing results 1-10 of 12345678901</td>", "0"},
        {5, "Page 1 of 1,234,567,890 results", "Page 1 of 12345678901 results", ""},
        {6, "<span class='ofSoMany'>1234567890</span>", "<span class='ofSoMany'>12345678901</span>", ""},
    };
    for (const auto& c : cases) {
        const QString ten = ParseEngineData(QString::fromLatin1(c.ten), c.parser);
        EXPECT_EQ(ten.size(), 10) << c.ten;
        EXPECT_EQ(ParseEngineData(QString::fromLatin1(c.eleven), c.parser),
                  QString::fromLatin1(c.elevenResult))
            << c.eleven;
    }
}

TEST(ParseEngineData, EmptyPageAndUnknownParsers) {
    const char* expected[] = {"", "", "", "0", "0", ""};
    for (int parser = 1; parser <= 6; ++parser)
        EXPECT_EQ(ParseEngineData(QString(), parser), QString::fromLatin1(expected[parser - 1]))
            << parser;
    const QString page = fixturePage("google_count.html");
    for (int parser : {0, 7, -1, 100}) {
        EXPECT_EQ(ParseEngineData(page, parser), QString()) << parser;
        EXPECT_EQ(ParseEngineData(QString(), parser), QString()) << parser;
    }
}

// Engines 3 to 6 must read a page exactly as its copy with every double quote
// turned into an apostrophe, whatever the quotes are next to.
TEST(ParseEngineData, QuotesReadAsApostrophesOnRandomPages) {
    const QString pieces[] = {
        QStringLiteral("<span class='ofSoMany'>"), QStringLiteral("<span class=\"ofSoMany\">"),
        QStringLiteral("<span class=\"ofSoMany'>"), QStringLiteral("</span>"),
        QStringLiteral("<div class=\"noResults\">"), QStringLiteral("<p>No Web pages\nfound that match your query"),
        QStringLiteral(".</p>"), QStringLiteral("of about <strong>"), QStringLiteral("</strong>"),
        QStringLiteral("<big>"), QStringLiteral(":<ul><li>"), QStringLiteral("We didn\"t find any Web pages matching the following criteria"),
        QStringLiteral("Showing results 1-10 of "), QStringLiteral("</td>"), QStringLiteral("Page 1 of "),
        QStringLiteral(" results"), QStringLiteral(" of "), QStringLiteral(" containing "),
        QStringLiteral("</td><td><span class=\"h1\">"), QStringLiteral(" <span class='h1 blue'>"),
        QStringLiteral("Sorry, no results were found containing"), QStringLiteral("\""), QStringLiteral("'"),
        QStringLiteral("12"), QStringLiteral("3,4"), QStringLiteral(" "), QStringLiteral("x"),
    };
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 3000; ++round) {
        QString page;
        const int count = rng.bounded(1, 9);
        for (int i = 0; i < count; ++i)
            page += pieces[rng.bounded(int(std::size(pieces)))];
        QString plain = page;
        plain.replace(u'"', u'\'');
        for (int parser = 3; parser <= 6; ++parser)
            ASSERT_EQ(ParseEngineData(page, parser), ParseEngineData(plain, parser))
                << parser << ": " << page.toStdString();
    }
}

TEST(ParseEngineData, CountNearTheEndOfALargePage) {
    QString page = fixturePage("alltheweb_thousands.html");
    page.prepend(QString(200'000, u'"'));
    EXPECT_EQ(ParseEngineData(page, 6), QStringLiteral("1,234"));
    page = QString(200'000, u'<') + fixturePage("google_thousands.html");
    EXPECT_EQ(ParseEngineData(page, 1), QStringLiteral("1,230"));
}

}  // namespace
