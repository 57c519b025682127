#include "history/chart_view_page.h"

#include "config/settings_store.h"
#include "config/settings_table.h"
#include "history/history_chart_widget.h"
#include "history/saved_search.h"
#include "chart_page_fixture.h"
#include "history_test_helpers.h"
#include "results/results_grid.h"
#include "scripted_platform.h"
#include "desktop/twips.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QByteArray kSite =
    "\r\n[Google]\r\n03-21-06=1250\r\n03-14-06=1190\r\n03-07-06=1000\r\n"
    "\r\n[Altavista]\r\n03-21-06=310\r\n03-14-06=298\r\n"
    "\r\n[Yahoo!]\r\n03-21-06=2000000\r\n03-14-06=1500000\r\n03-07-06=1400000\r\n";

struct Page : ChartPageFixture {
    template <typename W>
    W* find(const char* name) {
        W* w = page.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // "Load Data", choosing name in the load dialog.
    void load(const QString& name) {
        onNextModal([this, name](QDialog& d) {
            choose(d.findChild<QComboBox*>(QStringLiteral("Combo1")), name);
            QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        });
        QTest::mouseClick(find<QPushButton>("Command7"), Qt::LeftButton);
    }
    QStringList entries(const char* combo) {
        QStringList out;
        auto* c = find<QComboBox>(combo);
        for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
        return out;
    }
};

}  // namespace

TEST(ChartViewPage, ControlsAsDesigned) {
    Page p;
    EXPECT_EQ(p.page.objectName(), QStringLiteral("Frame3"));
    EXPECT_EQ(p.page.title(), QStringLiteral("Results - Chart View"));
    EXPECT_EQ(p.find<QPushButton>("Command7")->text(), QStringLiteral("Load Data"));
    EXPECT_EQ(p.find<QPushButton>("Command14")->text(), QStringLiteral("Print"));
    EXPECT_EQ(p.find<QLabel>("lblChartSearch")->text(), QStringLiteral("Search Engine:"));
    EXPECT_EQ(p.find<QLabel>("lblChartType")->text(), QStringLiteral("Chart Type:"));
    EXPECT_EQ(p.entries("cmbChart2"),
              QStringList({"3D Bar Chart", "2D Bar Chart", "3d Line Graph", "2D Line Graph", "3D Area Chart",
                           "2D Area Chart", "3D Step Chart", "2D Step Chart"}));
    EXPECT_FALSE(p.find<QComboBox>("cmbChart1")->isEnabled());
    EXPECT_EQ(p.find<QComboBox>("cmbChart1")->count(), 0);
    EXPECT_EQ(p.chart()->objectName(), QStringLiteral("MSChart1"));
    EXPECT_NE(p.find<QPushButton>("cmdFocus"), nullptr);
}

TEST(ChartViewPage, StoredChartTypeIsSelectedAtStartAndStoredBack) {
    struct Case {
        const char* stored;  // nullptr: never stored
        int index;
        QString hint;
        const char* after;
    };
    const QString hint = QStringLiteral("Control Key + Drag to rotate.");
    const Case cases[] = {{nullptr, 3, "", "3"}, {"0", 0, hint, "0"}, {"7", 7, "", "7"},
                          {"9", -1, "", "9"}, {"x", 3, "", "3"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(none)");
        SettingsSnapshot snapshot;
        forgetSetting(Setting::ChartType);
        if (c.stored) settings::saveText(Setting::ChartType, QString::fromLatin1(c.stored));
        Page p;
        p.page.selectStoredChartType();
        EXPECT_EQ(p.find<QComboBox>("cmbChart2")->currentIndex(), c.index);
        EXPECT_EQ(p.find<QLabel>("Label1")->text(), c.hint);
        EXPECT_EQ(settings::text(Setting::ChartType), QString::fromLatin1(c.after));
        EXPECT_EQ(p.page.chartType(), c.index < 0 ? 3 : c.index);
    }
}

TEST(ChartViewPage, ChoosingAChartTypeRedrawsRemembersAndHints) {
    Page p;
    auto* types = p.find<QComboBox>("cmbChart2");
    auto* hint = p.find<QLabel>("Label1");
    choose(types, QStringLiteral("3d Line Graph"));
    EXPECT_EQ(hint->text(), QStringLiteral("Control Key + Drag to rotate."));
    EXPECT_EQ(p.chart()->chartType(), 2);
    EXPECT_EQ(settings::text(Setting::ChartType), QStringLiteral("2"));
    choose(types, QStringLiteral("2D Bar Chart"));
    EXPECT_EQ(hint->text(), QString());
    EXPECT_EQ(p.chart()->chartType(), 1);
    EXPECT_EQ(p.chart()->graph3d(), nullptr);
    EXPECT_EQ(settings::text(Setting::ChartType), QStringLiteral("1"));
}

TEST(ChartViewPage, LoadDataChartsTheFirstEngineThenAnyChoice) {
    Page p;
    p.app.write(QStringLiteral("Saved/Site.lpc"), kSite);
    p.load(QStringLiteral("Site"));
    EXPECT_EQ(savedSearch::chartFileName(), QStringLiteral("Site.lpc"));
    auto* series = p.find<QComboBox>("cmbChart1");
    EXPECT_TRUE(series->isEnabled());
    EXPECT_EQ(p.entries("cmbChart1"), QStringList({"Google", "Altavista", "Yahoo!", "All Engines"}));
    EXPECT_EQ(series->currentIndex(), 0);
    const ChartData& data = p.page.chartData();
    EXPECT_EQ(data.title, QStringLiteral("Site"));
    EXPECT_EQ(data.seriesLabels, QStringList({"Google"}));
    EXPECT_EQ(data.categoryLabels, QStringList({"03-21-06", "03-14-06", "03-07-06"}));
    EXPECT_EQ(p.chart()->chart2d()->title(), QStringLiteral("Site"));
    EXPECT_EQ(p.chart()->chart2d()->series().size(), 1);

    choose(series, QStringLiteral("Yahoo!"));
    EXPECT_EQ(p.page.chartData().valueAxisTitle, QStringLiteral("Linking Sites x10"));
    EXPECT_DOUBLE_EQ(p.page.chartData().value(0, 0), 200000.0);
    choose(series, QStringLiteral("All Engines"));
    EXPECT_EQ(p.page.chartData().seriesLabels, QStringList({"Google", "Altavista", "Yahoo!"}));
    EXPECT_EQ(p.chart()->chart2d()->series().size(), 3);
    EXPECT_EQ(p.page.chartData().title, QStringLiteral("Site"));
    EXPECT_TRUE(p.ui.messages().isEmpty());
}

TEST(ChartViewPage, OneDateWarnsOnceInARun) {
    Page p;
    p.app.write(QStringLiteral("Saved/one.lpc"), "\r\n[Google]\r\n03-21-06=5\r\n");
    p.app.write(QStringLiteral("Saved/two.lpc"), "\r\n[Ask]\r\n03-21-06=6\r\n");
    p.load(QStringLiteral("one"));
    p.load(QStringLiteral("two"));
    EXPECT_EQ(p.ui.messages(), QStringList({"You need atleast 2 saved searches to get any data displayed"}));
    EXPECT_EQ(p.ui.asked[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(p.page.chartData().categoryLabels, QStringList({"03-21-06"}));
}

TEST(ChartViewPage, TemporaryChartFromTheGridDisablesTheSeriesChooser) {
    Page p;
    p.app.write(QStringLiteral("Saved/Site.lpc"), kSite);
    p.load(QStringLiteral("Site"));
    p.grid.appendRow({"a.com", "", "10", "20", "-", "", "50", "60"});
    p.grid.appendRow({"b.com", "", "1", "2", "3", "4", "5", "6"});
    p.page.doChart2();
    EXPECT_FALSE(p.find<QComboBox>("cmbChart1")->isEnabled());
    EXPECT_EQ(p.find<QComboBox>("cmbChart1")->count(), 0);
    EXPECT_EQ(p.page.chartData().title, QStringLiteral("Temporary Search Results"));
    EXPECT_EQ(p.page.chartData().seriesLabels, QStringList({"a.com", "b.com"}));
    EXPECT_EQ(p.chart()->chart2d()->series().size(), 2);

    p.grid.clear();
    p.page.doChart2();
    EXPECT_EQ(p.chart()->chart2d()->title(), QStringLiteral("Temporary Search Results"));
    EXPECT_EQ(p.chart()->chart2d()->series().size(), 0);
}

TEST(ChartViewPage, ChartFollowsThePageSize) {
    Page p;
    p.page.layoutPage(8895, 7815);
    EXPECT_EQ(p.chart()->geometry(), twipsToPixels(QRect(120, 1185, 8655, 6330)));
    p.page.layoutPage(100, 100);  // smaller than the controls: sizes stay positive
    EXPECT_EQ(p.chart()->width(), twipsToPixels(140));
    EXPECT_GE(p.chart()->height(), 0);
}

TEST(ChartViewPage, TheChartNeverKeepsTheFocus) {
    Page p;
    auto* focus = p.find<QPushButton>("cmdFocus");
    p.chart()->setFocus();
    EXPECT_EQ(p.page.focusWidget(), focus);
    p.chart()->chartView()->setFocus();
    EXPECT_EQ(p.page.focusWidget(), focus);
    p.find<QPushButton>("Command7")->setFocus();
    QTest::mouseClick(p.chart()->chartView()->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_NE(p.page.focusWidget(), p.chart()->chartView());
    EXPECT_NE(p.page.focusWidget(), p.chart()->chartView()->viewport());
}
