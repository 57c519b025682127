#include "results/column_sort.h"
#include "results/report_list.h"
#include "support/default_locale.h"
#include "support/model_signal_log.h"

#include <QItemSelectionModel>
#include <QLocale>
#include <QPersistentModelIndex>
#include "support/qt_gtest_printers.h"

#include <gtest/gtest.h>

namespace {

// A two-column list: column 1 the sorted texts, column 2 each row's original
// position; every sorted cell gets the tag "t<position>".
ReportList* makeList(const QStringList& texts, QObject* parent) {
    auto* list = new ReportList({"value", "id"}, parent);
    for (int i = 0; i < texts.size(); ++i) {
        list->appendRow({texts[i], QString::number(i)});
        list->setTag(i, 0, QStringLiteral("t%1").arg(i));
    }
    return list;
}

QStringList column(const ReportList& list, int c) {
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r) out << list.cell(r, c);
    return out;
}

}  // namespace

TEST(SortListView, OrdersRowsAndRestoresTextsAndTags) {
    struct Case {
        const char* name;
        QStringList cells;
        int kind;
        bool ascending;
        QStringList expected;
    };
    const Case cases[] = {
        {"numbers up", {"1000", "900", "abc", "-5", "-40", "0"}, SortNumber, true,
         {"abc", "-40", "-5", "0", "900", "1000"}},
        {"numbers down", {"1000", "900", "abc", "-5", "-40", "0"}, SortNumber, false,
         {"1000", "900", "0", "-5", "-40", "abc"}},
        {"fractions", {"2.5", "2.25", "2.2500000001", "-2.25", "-2.5"}, SortNumber, true,
         {"-2.5", "-2.25", "2.25", "2.2500000001", "2.5"}},
        {"thousands", {"1,200", "1000", "1,100.5", "12"}, SortNumber, true,
         {"12", "1000", "1,100.5", "1,200"}},
        {"not numbers first", {"5", "", "inf", "x1", "nan", "-", "3"}, SortNumber, true,
         {"", "inf", "x1", "nan", "-", "3", "5"}},
        {"large counts", {"9999999999", "10000000000", "99999999999", "123"}, SortNumber, true,
         {"123", "9999999999", "10000000000", "99999999999"}},
        {"beyond the key", {"1e25", "1e20", "9e19", "-1e21", "-9e19"}, SortNumber, true,
         {"-1e21", "-9e19", "9e19", "1e25", "1e20"}},
        {"text", {"b", "A", "c", "a"}, SortText, true, {"A", "a", "b", "c"}},
        {"unknown kind is text", {"900", "1000"}, 7, true, {"1000", "900"}},
        {"dates", {"2024-03-05", "soon", "1999-12-31T23:59:59", "2024-03-05T00:00:01"}, SortDate,
         true, {"soon", "1999-12-31T23:59:59", "2024-03-05", "2024-03-05T00:00:01"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DefaultLocale locale("en_US");
        QObject owner;
        ReportList& list = *makeList(c.cells, &owner);
        SortListView(list, 1, c.kind, c.ascending);
        const QStringList sorted = column(list, 0);
        EXPECT_EQ(sorted, c.expected);
        for (int r = 0; r < list.rowCount(); ++r) {
            // Each row still carries its own tag and untouched second cell.
            const int original = list.cell(r, 1).toInt();
            EXPECT_EQ(list.cell(r, 0), c.cells[original]);
            EXPECT_EQ(list.tag(r, 0), QStringLiteral("t%1").arg(original));
            EXPECT_EQ(list.tag(r, 1), "");
        }
        EXPECT_TRUE(list.isSorted());
        EXPECT_EQ(list.sortKey(), 0);
        EXPECT_EQ(list.sortOrder(), c.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
}

TEST(SortListView, EqualKeysKeepTheirOrderInBothDirections) {
    QObject owner;
    // "7", "7.0" and "07" are the same number; "x" and "" are both not numbers.
    ReportList& list = *makeList({"7", "x", "07", "1", "7.0", ""}, &owner);
    SortListView(list, 1, SortNumber, true);
    EXPECT_EQ(column(list, 1), QStringList({"1", "5", "3", "0", "2", "4"}));
    SortListView(list, 1, SortNumber, false);
    EXPECT_EQ(column(list, 1), QStringList({"0", "2", "4", "3", "1", "5"}));
}

TEST(SortListView, SortsBySecondColumnAndKeepsOldNulInTags) {
    QObject owner;
    auto& list = *new ReportList({"name", "total"}, &owner);
    list.appendRow({"a", "30"});
    list.appendRow({"b", "4"});
    list.setTag(0, 1, QStringLiteral("old") + QChar(0) + "tag");
    SortListView(list, 2, SortNumber, true);
    EXPECT_EQ(column(list, 0), QStringList({"b", "a"}));
    EXPECT_EQ(column(list, 1), QStringList({"4", "30"}));
    EXPECT_EQ(list.tag(1, 1), QStringLiteral("old") + QChar(0) + "tag");
}

TEST(SortListView, ViewSeesOneLayoutChangeAndBusyIsReleased) {
    QObject owner;
    ReportList& list = *makeList({"3", "1", "2"}, &owner);
    const ModelSignalLog log(list);
    std::vector<bool> busy;
    QObject::connect(&list, &ReportList::busyChanged, [&](bool b) { busy.push_back(b); });
    bool sawKeyText = false;
    QObject::connect(&list, &QAbstractItemModel::layoutChanged,
                     [&] { sawKeyText = list.cell(0, 0).size() > 3; });
    const QPersistentModelIndex three = list.index(0, 0);

    SortListView(list, 1, SortNumber, true);
    EXPECT_EQ(log.layoutAboutToChange, 1);
    EXPECT_EQ(log.layoutChanged, 1);
    EXPECT_EQ(log.dataChanged, 0);
    EXPECT_FALSE(sawKeyText);
    EXPECT_EQ(busy, std::vector<bool>({true, false}));
    EXPECT_EQ(three.row(), 2);

    // A column the list does not have: no order changes, busy still released.
    SortListView(list, 9, SortNumber, false);
    SortListView(list, 0, SortNumber, false);
    EXPECT_EQ(column(list, 0), QStringList({"1", "2", "3"}));
    EXPECT_EQ(list.sortOrder(), Qt::AscendingOrder);
    EXPECT_EQ(busy.size(), 6u);
    EXPECT_FALSE(busy.back());
}

TEST(SortListView, SelectionStaysOnItsRow) {
    QObject owner;
    ReportList& list = *makeList({"30", "4", "x", "100"}, &owner);
    QItemSelectionModel selection(&list);
    selection.select(list.index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection.setCurrentIndex(list.index(3, 1), QItemSelectionModel::NoUpdate);
    SortListView(list, 1, SortNumber, false);
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(list.cell(selection.selectedRows().front().row(), 0), "30");
    EXPECT_EQ(list.cell(selection.currentIndex().row(), 0), "100");
}

TEST(SortListView, EmptyListOnlyTakesTheSortMode) {
    ReportList list({"a", "b"});
    SortListView(list, 2, SortNumber, false);
    EXPECT_TRUE(list.isSorted());
    EXPECT_EQ(list.sortKey(), 1);
    EXPECT_EQ(list.sortOrder(), Qt::DescendingOrder);
}

TEST(NumberSortKey, FixedWidthKeys) {
    struct Case {
        const char* locale;
        const char* text;
        QString key;
    };
    const Case cases[] = {
        {"en_US", "1200", "00000000000000001200.0000000000"},
        {"en_US", "1,200", "00000000000000001200.0000000000"},
        {"C", "1,200", "00000000000000001200.0000000000"},
        {"de_DE", "1,200", "00000000000000000001,2000000000"},
        {"de_DE", "1.200", "00000000000000001200,0000000000"},
        {"en_US", "2.25", "00000000000000000002.2500000000"},
        {"en_US", " 12 ", "00000000000000000012.0000000000"},
        {"en_US", "0.99999999999", "00000000000000000001.0000000000"},
        {"en_US", "-5", "&99999999999999999994.9999999999"},
        {"en_US", "-0", "00000000000000000000.0000000000"},
        {"en_US", "1e3", "00000000000000001000.0000000000"},
        {"en_US", "12345678901234567890", "12345678901234567168.0000000000"},
        {"en_US", "1e20", "99999999999999999999.9999999999"},
        {"en_US", "abc", ""},
        {"en_US", "", ""},
        {"en_US", "inf", ""},
        {"en_US", "1,2", ""},
    };
    for (const Case& c : cases) {
        DefaultLocale locale(c.locale);
        EXPECT_EQ(numberSortKey(c.text), c.key) << c.locale << " [" << c.text << "]";
    }
}

TEST(InvertDigits, DigitsAndDashesOnly) {
    EXPECT_EQ(InvertDigits("0123456789"), "9876543210");
    EXPECT_EQ(InvertDigits("-1.5e-3 x"), " 8.4e 6 x");
    EXPECT_EQ(InvertDigits(""), "");
}

TEST(EnhListViewSortColumns, OneSharedDirectionFlipsOnEveryClick) {
    QObject owner;
    auto& list = *new ReportList({"type", "url"}, &owner);
    EXPECT_TRUE(EnhListView_SortColumns(list, 1, false));  // empty: nothing changes
    EXPECT_FALSE(list.isSorted());
    EXPECT_EQ(list.sortOrder(), Qt::AscendingOrder);

    list.appendRow({"b", "y"});
    list.appendRow({"a", "z"});
    list.appendRow({"c", "x"});
    struct Click {
        int column;
        Qt::SortOrder order;
        QStringList firstColumn;
    };
    const Click clicks[] = {
        {1, Qt::DescendingOrder, {"c", "b", "a"}},
        {1, Qt::AscendingOrder, {"a", "b", "c"}},
        {2, Qt::DescendingOrder, {"a", "b", "c"}},  // by url: z, y, x
        {1, Qt::AscendingOrder, {"a", "b", "c"}},
        {2, Qt::DescendingOrder, {"a", "b", "c"}},
        {2, Qt::AscendingOrder, {"c", "b", "a"}},
    };
    for (const Click& click : clicks) {
        EXPECT_TRUE(EnhListView_SortColumns(list, click.column, false));
        EXPECT_TRUE(list.isSorted());
        EXPECT_EQ(list.sortKey(), click.column - 1);
        EXPECT_EQ(list.sortOrder(), click.order);
        EXPECT_EQ(column(list, 0), click.firstColumn);
    }
    EXPECT_FALSE(EnhListView_SortColumns(list, 3, true));
    EXPECT_EQ(list.sortOrder(), Qt::AscendingOrder);
}
