#include "shell/threshold_fields.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

// The fields as a window would hold them: set in order Low, Medium, High, then
// the user clears one field and types into it key by key.
struct Typing {
    const char* low;
    const char* medium;
    const char* high;
    int field;
    bool clearFirst;
    const char* keys;
    const char* expectLow;
    const char* expectMedium;
    const char* expectHigh;
};

QStringList run(const Typing& t) {
    ThresholdFields fields;
    fields.setText(0, QString::fromUtf8(t.low));
    fields.setText(1, QString::fromUtf8(t.medium));
    fields.setText(2, QString::fromUtf8(t.high));
    if (t.clearFirst) fields.setText(t.field, QString());
    for (const char* k = t.keys; *k; ++k)
        fields.setText(t.field, fields.text(t.field) + QLatin1Char(*k));
    return {fields.text(0), fields.text(1), fields.text(2)};
}

TEST(ThresholdFields, TypingKeepsTheRanksInOrder) {
    const Typing cases[] = {
        // Low 1500 over Medium 1000: the last digit doubles it into Medium and High.
        {"500", "1000", "1000", 0, true, "1500", "1500", "3000", "3000"},
        // Medium 2000 over Low 500: "2" pulls Low to 1; later digits leave Low alone.
        {"500", "1000", "1000", 1, true, "2000", "1", "2000", "2000"},
        // High 700: "7" makes Medium 7 and so Low 6.
        {"500", "1000", "1000", 2, true, "700", "6", "700", "700"},
        // A letter is taken back.
        {"500", "1000", "1000", 0, true, "5a", "5", "1000", "1000"},
        {"500", "1000", "1000", 1, true, "5a", "4", "5", "5"},
        {"500", "1000", "1000", 2, false, "x", "500", "1000", "1000"},
        {"500", "1000", "1000", 2, true, "5a", "4", "5", "5"},
        // Clearing leaves the field empty, nothing else moves.
        {"500", "1000", "1000", 0, true, "", "", "1000", "1000"},
        {"500", "1000", "1000", 1, true, "", "500", "", "1000"},
        // A single space is no value; a second space is taken back.
        {"500", "1000", "1000", 0, true, " ", " ", "1000", "1000"},
        {"500", "1000", "1000", 0, true, "  ", " ", "1000", "1000"},
        // Beyond the 32-bit range the last digit is taken back.
        {"1", "1000", "1000", 2, true, "21474836470", "1", "2147483647", "2147483647"},
        {"500", "1000", "1000", 2, true, "9999999999", "8", "999999999", "999999999"},
        // Another field empty or not a number: the edited field keeps its text.
        {"500", "", "1000", 0, true, "2000", "2000", "", "1000"},
        {" ", "1000", "1000", 1, true, "300", " ", "300", "1000"},
        {"500", "1000", " ", 1, true, "300", "500", "300", " "},
        // A lone minus does not convert, so it is taken back before the digit comes.
        {"500", "1000", "1000", 1, true, "-3", "2", "3", "3"},
        // Doubling past the range stays in range and keeps Low below Medium.
        {"0", "10", "10", 0, true, "2147483647", "2147483646", "2147483647", "2147483647"},
    };
    for (const Typing& t : cases) {
        SCOPED_TRACE(testing::Message() << "field " << t.field << " keys '" << t.keys << "'");
        const QStringList got = run(t);
        EXPECT_EQ(got, (QStringList{t.expectLow, t.expectMedium, t.expectHigh}));
    }
}

TEST(ThresholdFields, TextsSetWhole) {
    struct Case {
        int field;
        const char* text;
        QStringList expected;
    };
    const Case cases[] = {
        // A negative value is no threshold: it is taken back to nothing.
        {1, "-3", {"500", "", "1000"}},
        {0, "-3", {"", "1000", "1000"}},
        {2, "-3", {"500", "1000", ""}},
        {0, "1000", {"1000", "2000", "2000"}},
        // At zero Low cannot go lower and ends equal to Medium; never below zero.
        {1, "0", {"0", "0", "0"}},
        {2, "0", {"0", "0", "0"}},
        {1, "12x", {"11", "12", "12"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ThresholdFields fields;
        fields.setText(0, "500");
        fields.setText(1, "1000");
        fields.setText(2, "1000");
        fields.setText(c.field, QString::fromUtf8(c.text));
        EXPECT_EQ((QStringList{fields.text(0), fields.text(1), fields.text(2)}), c.expected);
    }
}

TEST(ThresholdFields, ReportsEveryChangeItMakesAndNoOther) {
    QStringList told;
    ThresholdFields fields([&](int index, const QString& text) {
        told << QStringLiteral("%1=%2").arg(index).arg(text);
    });
    fields.setText(0, "500");
    fields.setText(1, "1000");
    fields.setText(2, "1000");  // High set to 1000 asks Medium to be 1000: already so
    EXPECT_TRUE(told.isEmpty());

    fields.setText(1, "2");
    EXPECT_EQ(told, (QStringList{"0=1", "2=2"}));

    told.clear();
    fields.setText(1, "2");  // the same text is no change
    EXPECT_TRUE(told.isEmpty());

    fields.setText(0, "7b");
    EXPECT_EQ(told, (QStringList{"0=7", "1=14", "2=14"}));
    EXPECT_EQ(fields.text(0), "7");
}

// The user types a whole value key by key: nothing else moves until the field
// is finished, and then the rules judge the finished value once.
TEST(ThresholdFields, TypedValuesAreCheckedWhenFinished) {
    struct Case {
        int field;
        const char* keys;
        QStringList expected;  // Low, Medium, High after finishing
    };
    const Case cases[] = {
        {2, "700", {"500", "700", "700"}},
        {2, "2500", {"500", "2500", "2500"}},
        {2, "300", {"299", "300", "300"}},
        {1, "2000", {"500", "2000", "2000"}},
        {1, "400", {"399", "400", "400"}},
        {0, "1500", {"1500", "3000", "3000"}},
        {0, "999", {"999", "1000", "1000"}},
        {0, "", {"", "1000", "1000"}},
        {1, " ", {"500", " ", "1000"}},
        // Beyond the 32-bit range digits are taken back until it converts.
        {2, "9999999999", {"500", "999999999", "999999999"}},
        {1, "-", {"500", "", "1000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "field " << c.field << " keys '" << c.keys << "'");
        ThresholdFields fields;
        fields.setText(0, "500");
        fields.setText(1, "1000");
        fields.setText(2, "1000");
        fields.edit(c.field, QString());
        QString typed;
        for (const char* k = c.keys; *k; ++k) {
            typed += QLatin1Char(*k);
            fields.edit(c.field, typed);
            QStringList others{fields.text(0), fields.text(1), fields.text(2)};
            others.removeAt(c.field);
            QStringList before{"500", "1000", "1000"};
            before.removeAt(c.field);
            EXPECT_EQ(others, before) << "after key " << *k;
        }
        fields.finish(c.field);
        EXPECT_EQ((QStringList{fields.text(0), fields.text(1), fields.text(2)}), c.expected);
        // Finishing again, with nothing typed since, changes nothing.
        fields.finish(c.field);
        EXPECT_EQ((QStringList{fields.text(0), fields.text(1), fields.text(2)}), c.expected);
    }
}

TEST(ThresholdFields, Conversion) {
    EXPECT_EQ(ThresholdFields::toNumber("0"), 0);
    EXPECT_EQ(ThresholdFields::toNumber("+12"), 12);
    EXPECT_EQ(ThresholdFields::toNumber(" 12 "), 12);
    EXPECT_EQ(ThresholdFields::toNumber("2147483647"), 2147483647);
    for (const char* bad : {"", " ", "2147483648", "-2147483649", "1.5", "1e3", "12a", "a12", "-", "-12", "-0",
                            " -800", "-2147483648"})
        EXPECT_FALSE(ThresholdFields::toNumber(QString::fromUtf8(bad))) << bad;
}

}  // namespace
