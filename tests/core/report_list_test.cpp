#include "results/report_list.h"
#include "results/text_order.h"
#include "support/default_locale.h"
#include "support/model_signal_log.h"

#include <QCollator>
#include <QLocale>
#include <QPersistentModelIndex>
#include <QRandomGenerator>
#include "support/qt_gtest_printers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace {

// Rows of (key, id); returns the ids in row order.
QStringList ids(const ReportList& list) {
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r) out << list.cell(r, 1);
    return out;
}

void fill(ReportList& list, const QStringList& keys) {
    for (int i = 0; i < keys.size(); ++i) list.appendRow({keys[i], QString::number(i)});
}

}  // namespace

TEST(ReportList, RowsCellsAndRoles) {
    ReportList list({"A", "B", "C"});
    const ModelSignalLog log(list);
    EXPECT_EQ(list.insertRowAt(5, "first"), 0);       // clamped to the end
    EXPECT_EQ(list.insertRowAt(-3, "before"), 0);     // clamped to the top
    EXPECT_EQ(list.appendRow({"x", "y", "z", "extra"}), 2);
    EXPECT_EQ(log.insertedRows, std::vector<int>({0, 0, 2}));
    EXPECT_EQ(list.columnCount(), 3);
    EXPECT_EQ(list.cell(1, 0), "first");
    EXPECT_EQ(list.cell(1, 2), "");
    EXPECT_EQ(list.cell(2, 2), "z");
    EXPECT_EQ(list.cell(2, 3), "");  // the extra cell was dropped
    EXPECT_EQ(list.headerData(1, Qt::Horizontal).toString(), "B");

    list.setTag(0, 1, "t");
    list.setIcon(0, 2);
    EXPECT_EQ(list.data(list.index(0, 1), ReportList::TagRole).toString(), "t");
    EXPECT_EQ(list.data(list.index(0, 0), ReportList::IconRole).toInt(), 2);
    EXPECT_FALSE(list.data(list.index(0, 1), ReportList::IconRole).isValid());
    EXPECT_EQ(list.data(list.index(2, 0)).toString(), "x");

    // Missing rows and columns read as "" and ignore writes.
    list.setCell(9, 0, "no");
    list.setCell(0, 7, "no");
    EXPECT_EQ(list.cell(9, 0), "");
    EXPECT_EQ(list.tag(0, 7), "");
    EXPECT_EQ(list.icon(9), 0);
    list.rawCell(9, 9) = "discarded";
    EXPECT_EQ(list.rawCell(9, 9), "");

    list.removeRowAt(7);
    EXPECT_TRUE(log.removedRows.empty());
    list.removeRowAt(0);
    EXPECT_EQ(list.cell(0, 0), "first");
    list.clear();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(log.removedRows, std::vector<int>({0, 0}));
}

TEST(ReportList, SortIsCaseInsensitiveStableAndReversible) {
    struct Case {
        const char* locale;
        Qt::SortOrder order;
        QStringList keys;
        QStringList expectedIds;
    };
    const Case cases[] = {
        {"C", Qt::AscendingOrder, {"b", "A", "a", "B", "c"}, {"1", "2", "0", "3", "4"}},
        {"C", Qt::DescendingOrder, {"b", "A", "a", "B", "c"}, {"4", "0", "3", "1", "2"}},
        {"en_US", Qt::AscendingOrder, {"b", "A", "a", "B", "c"}, {"1", "2", "0", "3", "4"}},
        {"en_US", Qt::DescendingOrder, {"10", "9", "", "10", "-"}, {"1", "0", "3", "4", "2"}},
        {"en_US", Qt::AscendingOrder, {"é", "e", "f", "E"}, {"1", "3", "0", "2"}},
    };
    for (const Case& c : cases) {
        DefaultLocale locale(c.locale);
        ReportList list({"key", "id"});
        fill(list, c.keys);
        list.sortRows(0, c.order);
        EXPECT_EQ(ids(list), c.expectedIds) << c.locale << " " << c.keys.join(',').toStdString();
        EXPECT_TRUE(list.isSorted());
        EXPECT_EQ(list.sortKey(), 0);
        EXPECT_EQ(list.sortOrder(), c.order);
    }
}

TEST(ReportList, SortKeepsPersistentIndexesOnTheirRows) {
    ReportList list({"key", "id"});
    fill(list, {"c", "a", "b"});
    const QPersistentModelIndex selected = list.index(0, 1);  // row "c"
    const ModelSignalLog log(list);
    list.sortRows(0, Qt::AscendingOrder);
    EXPECT_EQ(log.layoutAboutToChange, 1);
    EXPECT_EQ(log.layoutChanged, 1);
    EXPECT_EQ(selected.row(), 2);
    EXPECT_EQ(selected.data().toString(), "0");

    list.sortRows(5, Qt::DescendingOrder);  // no such column: nothing changes
    EXPECT_EQ(list.sortOrder(), Qt::AscendingOrder);
    EXPECT_EQ(log.layoutChanged, 1);
}

TEST(ReportList, BulkEditIsOneLayoutChangeWithoutCellSignals) {
    ReportList list({"key", "id"});
    fill(list, {"b", "a"});
    const ModelSignalLog log(list);
    const QPersistentModelIndex rowB = list.index(0, 0);
    list.beginBulkEdit();
    list.beginBulkEdit();  // nested edits still make one change
    list.setCell(0, 0, "z");
    list.rawCell(1, 0) = "y";
    list.sortRows(0, Qt::AscendingOrder);
    list.endBulkEdit();
    EXPECT_EQ(log.layoutChanged, 0);
    list.endBulkEdit();
    list.endBulkEdit();  // unbalanced end is harmless
    EXPECT_EQ(log.layoutAboutToChange, 1);
    EXPECT_EQ(log.layoutChanged, 1);
    EXPECT_EQ(log.dataChanged, 0);
    EXPECT_EQ(ids(list), QStringList({"1", "0"}));
    EXPECT_EQ(rowB.row(), 1);
}

// The byte-key path must order exactly as the collator it stands in for.
TEST(TextOrder, ByteKeysAgreeWithTheCollator) {
    const QString alphabet = QStringLiteral(" &+,-.0123456789");
    for (const char* name : {"C", "en_US", "de_DE", "fr_FR"}) {
        DefaultLocale locale(name);
        QRandomGenerator random(42);
        QStringList texts{QString()};
        for (int i = 0; i < 400; ++i) {
            QString t;
            const int length = random.bounded(6);
            for (int k = 0; k < length; ++k) t += alphabet[random.bounded(alphabet.size())];
            texts << t;
        }
        QList<QStringView> views(texts.begin(), texts.end());
        const TextOrderKeys keys(views);
        EXPECT_TRUE(keys.usesByteKeys()) << name;
        QCollator collator{QLocale()};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (qsizetype a = 0; a < texts.size(); ++a) {
            for (qsizetype b = a; b < texts.size(); b += 7) {
                const int want = collator.compare(texts[a], texts[b]);
                const int got = keys.compare(a, b);
                ASSERT_EQ(want < 0, got < 0) << name << " [" << texts[a].toStdString() << "] ["
                                             << texts[b].toStdString() << "]";
                ASSERT_EQ(want == 0, got == 0) << name;
            }
        }
    }
}

// Long keys sharing long prefixes, empty keys and many ties: the packed
// comparison must give exactly the order of a plain stable sort.
TEST(TextOrder, StableOrderMatchesAPlainStableSort) {
    for (const char* name : {"C", "en_US"}) {
        DefaultLocale locale(name);
        QCollator collator{QLocale()};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        QRandomGenerator random(7);
        // The number sort's case: every key either empty or sharing a prefix.
        for (const QString& alphabet : {QStringLiteral("&.019"), QStringLiteral("aBc-1"), QString()}) {
            const QString letters = alphabet.isEmpty() ? QStringLiteral("09.") : alphabet;
            QStringList texts;
            for (int i = 0; i < 3000; ++i) {
                const bool prefixed = random.bounded(4) != 0;
                QString t = prefixed ? QStringLiteral("0000000000000") : QString();
                const int length = alphabet.isEmpty() && !prefixed ? 0 : random.bounded(i % 3 ? 4 : 30);
                for (int k = 0; k < length; ++k) t += letters[random.bounded(letters.size())];
                texts << t;
            }
            const QList<QStringView> views(texts.begin(), texts.end());
            for (bool ascending : {true, false}) {
                std::vector<qsizetype> want(static_cast<std::size_t>(texts.size()));
                std::iota(want.begin(), want.end(), qsizetype(0));
                std::stable_sort(want.begin(), want.end(), [&](qsizetype a, qsizetype b) {
                    const int r = collator.compare(texts[a], texts[b]);
                    return ascending ? r < 0 : r > 0;
                });
                EXPECT_EQ(stableTextOrder(views, ascending), want)
                    << name << " " << alphabet.toStdString() << " " << ascending;
            }
        }
    }
}

TEST(TextOrder, OtherTextsUseTheCollator) {
    DefaultLocale locale("en_US");
    const QStringList texts = {"b", "a", "10"};
    const TextOrderKeys keys(QList<QStringView>(texts.begin(), texts.end()));
    EXPECT_FALSE(keys.usesByteKeys());
    EXPECT_LT(keys.compare(2, 1), 0);  // digits order before letters
    EXPECT_GT(keys.compare(0, 1), 0);
}
