#include "config/file_text.h"

#include "support/qt_gtest_printers.h"

#include <gtest/gtest.h>

TEST(FileText, EveryByteSequenceComesBackAsItWas) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QString text;  // as shown
    };
    const QChar e9(0xDCE9);
    const Case cases[] = {
        {"ascii", "name=cafe", "name=cafe"},
        {"utf-8", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", QStringLiteral("caf\u00e9 \u20ac \U0001F600")},
        {"ansi", "name=caf\xE9", QStringLiteral("name=caf") + e9},
        {"ansi before utf-8", "\xE9\xC3\xA9", QString(e9) + QChar(0xE9)},
        {"stray continuation", "a\x80z", QStringLiteral("a") + QChar(0xDC80) + "z"},
        {"overlong", "\xC0\x80", QString(QChar(0xDCC0)) + QChar(0xDC80)},
        {"encoded surrogate", "\xED\xA0\x80", QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80)},
        {"cut short at the end", "ab\xE2\x82", QStringLiteral("ab") + QChar(0xDCE2) + QChar(0xDC82)},
        {"character then escape", "\xF0\x9F\x98\x80\xFF", QStringLiteral("\U0001F600") + QChar(0xDCFF)},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        const QString text = fileText::decode(c.bytes);
        EXPECT_EQ(text, c.text) << c.name;
        EXPECT_EQ(fileText::encode(text), c.bytes) << c.name;
    }
}

TEST(FileText, ByteOrderMarkIsReportedNotText) {
    bool bom = false;
    EXPECT_EQ(fileText::decode("\xEF\xBB\xBF[A]", &bom), QStringLiteral("[A]"));
    EXPECT_TRUE(bom);
    EXPECT_EQ(fileText::decode("[A]\xEF\xBB\xBF", &bom), QStringLiteral("[A]\uFEFF"));
    EXPECT_FALSE(bom);
    // A lone surrogate that no byte stands for is no byte either.
    EXPECT_EQ(fileText::encode(QString(QChar(0xDC10))), QByteArray("?"));
}
