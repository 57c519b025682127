#include "urllist/url_list_file.h"

#include "support/temp_app_folder.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include "support/qt_gtest_printers.h"

#include <gtest/gtest.h>

TEST(UrlListFile, ReadsEveryLineEnd) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList entries;
    };
    const Case cases[] = {
        {"crlf", "http://a\r\nhttp://b\r\n", {"http://a", "http://b"}},
        {"no final line end", "http://a\r\nhttp://b", {"http://a", "http://b"}},
        {"lf only", "a\nb\n", {"a", "b"}},
        {"cr only", "a\rb\r", {"a", "b"}},
        {"mixed", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"blank lines", "\r\n\r\na\r\n\r\n\n\rb\r\n\r\n", {"a", "b"}},
        {"spaces are entries", "a\r\n  \r\n b \r\n", {"a", "  ", " b "}},
        {"kept as written", "http://A.com/x?q=1 \r\nhttp://a.com\r\nhttp://a.com\r\n",
         {"http://A.com/x?q=1 ", "http://a.com", "http://a.com"}},
        {"utf-8", "http://b\xc3\xbc" "cher.de\r\n", {QStringLiteral("http://b\u00fccher.de")}},
        {"empty", "", {}},
    };
    TempAppFolder folder;
    for (const Case& c : cases) {
        folder.write("Lists/in.txt", c.bytes);
        const UrlListRead read = readUrlListFile(folder.file("Lists/in.txt"));
        EXPECT_TRUE(read.ok) << c.name;
        EXPECT_EQ(read.entries, c.entries) << c.name;
        EXPECT_TRUE(read.error.isEmpty()) << c.name;
    }
}

TEST(UrlListFile, UnreadableFileSaysWhy) {
    TempAppFolder folder;
    const UrlListRead missing = readUrlListFile(folder.file("Lists/none.txt"));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.entries.isEmpty());
    EXPECT_TRUE(missing.error.contains("none.txt")) << missing.error.toStdString();
    EXPECT_TRUE(missing.error.contains("No such file")) << missing.error.toStdString();

    const UrlListRead folderItself = readUrlListFile(folder.file("Lists"));
    EXPECT_FALSE(folderItself.ok);
    EXPECT_FALSE(folderItself.error.isEmpty());

    folder.write("Lists/locked.txt", "http://a\r\n");
    QFile::setPermissions(folder.path(), QFile::Permissions(0x7755));
    QFile::setPermissions(folder.file("Lists/locked.txt"), QFile::WriteOwner | QFile::WriteOther);
    const auto deniedWithReason = runUnprivileged([&] {
        const UrlListRead locked = readUrlListFile(folder.file("Lists/locked.txt"));
        return !locked.ok && locked.entries.isEmpty() && locked.error.contains("Permission denied");
    });
    ASSERT_TRUE(deniedWithReason.has_value());
    EXPECT_TRUE(*deniedWithReason);
}

TEST(UrlListFile, SaveWritesCrLfAfterEveryEntryAndReadsBack) {
    TempAppFolder folder;
    const QString path = folder.file("Lists/out.txt");
    const QStringList entries = {"http://a.com", "  ", "http://a.com", QStringLiteral("http://\u00e9t\u00e9.fr")};
    QString error;
    ASSERT_TRUE(writeUrlListFile(path, entries, &error)) << error.toStdString();
    EXPECT_EQ(readFileBytes(path), QByteArray("http://a.com\r\n  \r\nhttp://a.com\r\nhttp://\xc3\xa9t\xc3\xa9.fr\r\n"));
    EXPECT_EQ(readUrlListFile(path).entries, entries);

    ASSERT_TRUE(writeUrlListFile(path, {}));
    EXPECT_EQ(readFileBytes(path), QByteArray());
    EXPECT_TRUE(readUrlListFile(path).ok);
}

TEST(UrlListFile, EntriesReadAreWrittenBackAsTheSameBytes) {
    TempAppFolder folder;
    const QByteArray bytes = "http://caf\xE9.fr\r\nhttp://b\xC3\xBC" "cher.de\r\n\x80\xFF \r\n";
    folder.write("Lists/ansi.txt", bytes);
    const UrlListRead read = readUrlListFile(folder.file("Lists/ansi.txt"));
    ASSERT_EQ(read.entries.size(), 3);
    EXPECT_EQ(read.entries[1], QStringLiteral("http://b\u00fccher.de"));
    ASSERT_TRUE(writeUrlListFile(folder.file("Lists/again.txt"), read.entries));
    EXPECT_EQ(folder.read("Lists/again.txt"), bytes);
}

TEST(UrlListFile, FailedSaveReportsAndKeepsTheOldFile) {
    TempAppFolder folder;
    folder.write("plain", "not a folder");
    QString error;
    EXPECT_FALSE(writeUrlListFile(folder.file("plain/out.txt"), {"http://a"}, &error));
    EXPECT_TRUE(error.contains("out.txt")) << error.toStdString();
    EXPECT_FALSE(writeUrlListFile(folder.file("Lists"), {"http://a"}, &error));
    EXPECT_EQ(folder.read("plain"), QByteArray("not a folder"));

    // A read-only file in a writable folder: replacing it by renaming would
    // succeed, so the save must refuse it.
    folder.write("Lists/kept.txt", "http://old\r\n");
    QFile::setPermissions(folder.path(), QFile::Permissions(0x7755));
    QFile::setPermissions(folder.file("Lists"), QFile::Permissions(0x7777));
    QFile::setPermissions(folder.file("Lists/kept.txt"), QFile::Permissions(0x4444));
    const auto refusedWithReason = runUnprivileged([&] {
        QString why;
        return !writeUrlListFile(folder.file("Lists/kept.txt"), {"http://new"}, &why) && !why.isEmpty();
    });
    QFile::setPermissions(folder.file("Lists"), QFile::Permissions(0x7700));
    ASSERT_TRUE(refusedWithReason.has_value());
    EXPECT_TRUE(*refusedWithReason);
    EXPECT_EQ(folder.read("Lists/kept.txt"), QByteArray("http://old\r\n"));
    EXPECT_EQ(QDir(folder.file("Lists")).entryList(QDir::Files), QStringList{"kept.txt"});
}

TEST(UrlListFile, ClipboardEntries) {
    struct Case {
        QString text;
        QStringList entries;
    };
    const Case cases[] = {
        {"example.com", {"http://www.example.com"}},
        {"www.example.com", {"http://www.example.com"}},
        {"HTTP://Example.com/page", {"HTTP://Example.com/page"}},
        {"WWW.Example.com", {"http://WWW.Example.com"}},
        {"shop.example.com", {"http://www.shop.example.com"}},
        {"https://www.example.com", {"https://www.example.com"}},
        {"https://secure.example.com/path", {"https://secure.example.com/path"}},
        {"HTTPS://Example.com", {"HTTPS://Example.com"}},
        {"ftp://files.example.com", {"ftp://files.example.com"}},
        {"svn+ssh://example.com/repo", {"svn+ssh://example.com/repo"}},
        {"  www.example.net  ", {"http://www.example.net"}},
        {"\texample.org\t ", {"http://www.example.org"}},
        {" \thttps://example.com \r\n", {"https://example.com"}},
        {"example.com/a://b", {"http://www.example.com/a://b"}},
        {"1ab://x", {"http://www.1ab://x"}},
        {"see http://a.com", {"see http://a.com"}},
        {"www.example.com\r\n\r\nexample.org", {"http://www.example.com", "http://www.example.org"}},
        {"a\nb\rc\r\n", {"http://www.a", "http://www.b", "http://www.c"}},
        {"  \r\n\t", {}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(clipboardEntries(c.text), c.entries) << c.text.toStdString();
}

TEST(UrlListFile, NewUrlAndSaveName) {
    EXPECT_FALSE(isAcceptableNewUrl(""));
    EXPECT_FALSE(isAcceptableNewUrl("http://"));
    EXPECT_FALSE(isAcceptableNewUrl("abcdefg"));
    EXPECT_TRUE(isAcceptableNewUrl("http://a"));

    const std::pair<const char*, const char*> names[] = {
        {"urls", "urls.txt"}, {"URLS.TXT", "URLS.TXT"}, {"urls.csv", "urls.csv.txt"},
        {"a.Txt", "a.Txt"},   {".txt", ".txt"},         {"txt", "txt.txt"}};
    for (const auto& [in, out] : names) EXPECT_EQ(withTxtExtension(in), out) << in;
}
