#include "results/data_view_page.h"

#include "results/column_sort.h"
#include "results/results_grid.h"
#include "support/qt_gtest_printers.h"
#include "support/test_environment.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The page on its own, over a grid of rows written as a scan writes them.
class DataViewPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        page.resize(900, 500);
        page.layoutPage(850 * 15, 400 * 15);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }
    void addRow(const QString& address, int total) {
        const int row = grid.insertRowAt(grid.rowCount(), address);
        for (int c = ResultsGrid::kFirstEngineColumn; c < ResultsGrid::kColumnCount; ++c)
            grid.setCell(row, c, c == ResultsGrid::kFirstEngineColumn ? QString::number(total) : "0");
        grid.totalRow(row, 500, 1000);
    }
    QTreeView* view() const { return page.grid(); }
    QPoint rowPoint(int row) const { return view()->visualRect(view()->model()->index(row, 0)).center(); }
    QMenu* popup() const { return page.findChild<QMenu*>("mnuListView"); }

    ResultsGrid grid;
    DataViewPage page{grid};
};

// The icon as the grid shows it, drawn at its size on the grid's background.
QImage renderedIcon(QTreeView* view, int row) {
    const QIcon icon = view->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>();
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    return image;
}

int lightness(QRgb rgb) { return QColor(rgb).lightness(); }

TEST_F(DataViewPageTest, RankIconsDrawTheirBarsSolidOrDim) {
    addRow("low", 10);
    addRow("medium", 600);
    addRow("high", 5000);
    // Pixels inside the three bars (short, middle, tall), left to right.
    const QPoint bars[] = {{4, 11}, {8, 11}, {11, 11}};
    struct Case {
        int row;
        bool solid[3];
    };
    for (const Case& c : {Case{0, {true, false, false}}, Case{1, {true, true, false}}, Case{2, {true, true, true}}}) {
        const QImage image = renderedIcon(view(), c.row);
        const int body = lightness(image.pixel(2, 14));  // the icon's own colour beside the bars
        for (int bar = 0; bar < 3; ++bar) {
            const int l = lightness(image.pixel(bars[bar]));
            SCOPED_TRACE(testing::Message() << "row " << c.row << " bar " << bar << " lightness " << l);
            if (c.solid[bar]) {
                EXPECT_GT(l, 240) << "a solid bar is white";
            } else {
                EXPECT_GT(l, body + 10) << "a dim bar is lighter than the icon, never dark";
                EXPECT_LT(l, 235) << "and darker than a solid one";
            }
        }
    }
}

TEST_F(DataViewPageTest, TheBusyPointerShowsOverTheListWhileItSorts) {
    addRow("a", 1);
    addRow("b", 2);
    std::vector<Qt::CursorShape> during;
    QObject::connect(&grid, &ReportList::busyChanged,
                     [&](bool busy) { if (busy) during.push_back(view()->viewport()->cursor().shape()); });
    SortListView(grid, 2, SortNumber, false);
    EXPECT_EQ(during, std::vector<Qt::CursorShape>{Qt::WaitCursor});
    EXPECT_FALSE(view()->testAttribute(Qt::WA_SetCursor)) << "the list's own pointer again";

    view()->setCursor(Qt::PointingHandCursor);
    SortListView(grid, 1, SortText, true);
    EXPECT_EQ(during.back(), Qt::WaitCursor);
    EXPECT_EQ(view()->cursor().shape(), Qt::PointingHandCursor) << "a pointer of its own is put back";
}

TEST_F(DataViewPageTest, ThePopupNamesTheRowWithItsAmpersands) {
    addRow("http://shop.example/?a=1&b=2", 1);
    QTest::mousePress(view()->viewport(), Qt::RightButton, {}, rowPoint(0));
    QTest::mouseRelease(view()->viewport(), Qt::RightButton, {}, rowPoint(0));
    ASSERT_TRUE(spinUntil([&] { return popup()->isVisible(); }, 2000));
    const QAction* save = page.findChild<QAction*>("mnuSaveResults");
    // What the menu draws: the caption less its mnemonic marks.
    EXPECT_EQ(save->iconText(), "Save Result For http://shop.example/?a=1&b=2");
    popup()->hide();
}

TEST_F(DataViewPageTest, ColumnsStayInTheirOrderWhenDragged) {
    QHeaderView* header = view()->header();
    const int y = header->height() / 2;
    const QPoint from(header->sectionViewportPosition(4) + 20, y);
    const QPoint to(header->sectionViewportPosition(2) + 20, y);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, from);
    for (int step = 1; step <= 10; ++step)
        QTest::mouseMove(header->viewport(), from + (to - from) * step / 10);
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, to);
    for (int c = 0; c < ResultsGrid::kColumnCount; ++c) EXPECT_EQ(header->logicalIndex(c), c);
}

TEST_F(DataViewPageTest, OnlyTheLeftButtonsDoubleClickAsksForWebResults) {
    addRow("a", 1);
    QSignalSpy webResults(&page, &DataViewPage::webResultsRequested);
    QTest::mouseDClick(view()->viewport(), Qt::RightButton, {}, rowPoint(0));
    QTest::mouseRelease(view()->viewport(), Qt::RightButton, {}, rowPoint(0));
    EXPECT_EQ(page.selectedRow(), 0) << "it selects the row as a right press does";
    popup()->hide();
    QTest::mouseDClick(view()->viewport(), Qt::MiddleButton, {}, rowPoint(0));
    EXPECT_EQ(webResults.count(), 0);
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowPoint(0));
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, rowPoint(0));
    EXPECT_EQ(webResults.count(), 1);
}

// A right press inside the selection keeps it, and the menu offers to save
// every selected row; outside it (Ctrl held or not) the row under the pointer
// becomes the one row acted on, not toggled into or out of the selection.
TEST_F(DataViewPageTest, RightClicksKeepASelectionAndPickARowOutsideIt) {
    for (const char* address : {"http://one.example/", "http://two.example/", "http://three.example/"})
        addRow(address, 1);
    const auto selectedRows = [&] {
        QList<int> rows;
        for (const QModelIndex& index : view()->selectionModel()->selectedRows()) rows << index.row();
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    // Rows 0 and 2 selected, row 2 the current one.
    const auto selectTwo = [&] {
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rowPoint(0));
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(2));
        ASSERT_EQ(selectedRows(), (QList<int>{0, 2}));
    };

    struct Case {
        const char* what;
        int row;
        Qt::KeyboardModifiers keys;
        QList<int> selected;  // after the right click
        QString saveItem;
    };
    const Case cases[] = {
        {"inside the selection", 0, {}, {0, 2}, QStringLiteral("Save Results For 2 Addresses\u2026")},
        {"inside, Ctrl held", 2, Qt::ControlModifier, {0, 2}, QStringLiteral("Save Results For 2 Addresses\u2026")},
        {"outside the selection", 1, {}, {1}, QStringLiteral("Save Result For http://two.example/")},
        {"outside, Ctrl held", 1, Qt::ControlModifier, {1}, QStringLiteral("Save Result For http://two.example/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        selectTwo();
        QTest::mousePress(view()->viewport(), Qt::RightButton, c.keys, rowPoint(c.row));
        QTest::mouseRelease(view()->viewport(), Qt::RightButton, c.keys, rowPoint(c.row));
        ASSERT_TRUE(spinUntil([&] { return popup()->isVisible(); }, 2000));
        EXPECT_EQ(page.findChild<QAction*>("mnuSaveResults")->text(), c.saveItem);
        popup()->hide();
        EXPECT_EQ(selectedRows(), c.selected);
        // The row under the pointer is the one "Web Results" shows.
        EXPECT_EQ(page.selectedRow(), c.row);
        QSignalSpy save(&page, &DataViewPage::saveResultsRequested);
        QTest::mouseClick(page.findChild<QPushButton*>("Command4"), Qt::LeftButton);
        EXPECT_EQ(save.count(), 1);
        EXPECT_EQ(page.selectedRows(), c.selected);
    }

    // On empty space the selection is cleared and no menu opens.
    selectTwo();
    const QPoint below(10, view()->viewport()->height() - 5);
    QTest::mousePress(view()->viewport(), Qt::RightButton, {}, below);
    QTest::mouseRelease(view()->viewport(), Qt::RightButton, {}, below);
    QTest::qWait(50);
    EXPECT_FALSE(popup()->isVisible());
    EXPECT_TRUE(selectedRows().isEmpty());

    selectTwo();
    int rowAsked = -1;
    QObject::connect(&page, &DataViewPage::webResultsRequested, [&] { rowAsked = page.selectedRow(); });
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(2));
    EXPECT_EQ(rowAsked, 2);
    EXPECT_EQ(selectedRows(), QList<int>{2});
}

}  // namespace

TEST_F(DataViewPageTest, ASwitchedOffColumnIsHiddenAndCaptionsFollowTheSources) {
    std::array<QString, kEngineCount> captions{QStringLiteral("Moz"), QString(), QStringLiteral("Yahoo!"),
                                               QString(), QString(), QString()};
    grid.setEngineColumns(captions);
    QHeaderView* header = view()->header();
    EXPECT_EQ(view()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Moz"));
    QStringList shown;
    for (int c = 0; c < ResultsGrid::kColumnCount; ++c)
        if (!header->isSectionHidden(c)) shown << view()->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(shown, (QStringList{"Domain Name", "Total", "Moz", "Yahoo!"}));
    // Back to all six.
    grid.setEngineColumns({"Google", "Altavista", "Yahoo!", "Ask", "MSN", "All The Web"});
    for (int c = 0; c < ResultsGrid::kColumnCount; ++c) EXPECT_FALSE(header->isSectionHidden(c)) << c;
}
