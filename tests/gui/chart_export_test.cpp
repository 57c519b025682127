#include "chart_page_fixture.h"
#include "history/saved_search.h"
#include "history_test_helpers.h"
#include "platform/chart_print_ui.h"
#include "support/qt_gtest_printers.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Sections holding different dates, newest first as saves write them.
const QByteArray kSite =
    "\r\n[Google]\r\n03-21-06=1250\r\n03-14-06=1190\r\n03-07-06=1000\r\n"
    "\r\n[Altavista]\r\n03-21-06=310\r\n02-28-06=290\r\n"
    "\r\n[All The Web]\r\n03-14-06=77\r\n";
const QByteArray kSiteCsv =
    "Date,Google,Altavista,All The Web\n"
    "2006-02-28,,290,\n"
    "2006-03-07,1000,,\n"
    "2006-03-14,1190,,77\n"
    "2006-03-21,1250,310,\n";

struct ExportPage : ChartPageFixture {
    QByteArray home = qgetenv("HOME");
    ExportPage() {
        qputenv("HOME", QFile::encodeName(app.path()));
        app.write(QStringLiteral("Saved/site.lpc"), kSite);
        savedSearch::setChartFileName(QStringLiteral("site.lpc"));
    }
    ~ExportPage() { qputenv("HOME", home); }
    QPushButton* button(const char* name) { return page.findChild<QPushButton*>(QString::fromLatin1(name)); }
};

}  // namespace

TEST(ChartExport, HistoryThroughTheRealSaveDialogIsTheHandMadeCsv) {
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    ExportPage p;
    QPushButton* exportHistory = p.button("cmdExportHistory");
    ASSERT_NE(exportHistory, nullptr);
    EXPECT_EQ(exportHistory->text(), QStringLiteral("Export History..."));
    EXPECT_FALSE(exportHistory->isEnabled()) << "no saved search loaded yet";
    p.page.doChart();
    ASSERT_TRUE(exportHistory->isEnabled());

    platform::setUi(nullptr);  // the real dialogs
    bool typed = false;
    onNextModal([&](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("site history"));
        if (QCompleter* c = edit->completer(); c && c->popup()) c->popup()->hide();
        QTest::keyClick(edit, Qt::Key_Return);
        typed = true;
    });
    QTest::mouseClick(exportHistory, Qt::LeftButton);
    platform::setUi(&p.ui);
    EXPECT_TRUE(typed);
    // The dialog opens in the home folder and adds the suffix.
    EXPECT_EQ(p.app.read(QStringLiteral("site history.csv")), kSiteCsv);

    // The temporary chart is no saved search: nothing to export.
    p.page.doChart2();
    EXPECT_FALSE(exportHistory->isEnabled());
}

TEST(ChartExport, ChartByTheSuffixChosen) {
    ExportPage p;
    p.page.doChart();
    QTest::qWait(50);  // as the user sees it: laid out and painted
    QPushButton* exportChart = p.button("cmdExportChart");
    ASSERT_NE(exportChart, nullptr);
    EXPECT_EQ(exportChart->text(), QStringLiteral("Export Chart..."));
    QWidget* chart = p.page.chartWidget();

    p.ui.fileAnswers = {p.app.file("chart.png"), p.app.file("chart.SVG"), p.app.file("chart.pdf"),
                        p.app.file("chart.txt"), std::nullopt};
    for (int i = 0; i < 5; ++i) exportChart->click();
    ASSERT_EQ(p.ui.asked.size(), 6) << "five dialogs and one message";
    EXPECT_EQ(p.ui.asked[0].filters, QStringList({"PNG Images (*.png)|*.png", "SVG Drawings (*.svg)|*.svg", "PDF Documents (*.pdf)|*.pdf"}));

    // The picture is the chart as the screen shows it.
    QImage png;
    ASSERT_TRUE(png.load(p.app.file("chart.png"), "PNG"));
    const QImage shown = CaptureWindowPicture(chart, 0, 0, chart->width(), chart->height());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), shown.convertToFormat(QImage::Format_RGB32));

    // The drawing holds the lines and the words, not a picture of them.
    const QByteArray svg = p.app.read(QStringLiteral("chart.SVG"));
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("<title>site</title>")) << svg.left(400).toStdString();
    EXPECT_TRUE(svg.contains("03-14-06"));
    EXPECT_FALSE(svg.contains("<image"));
    EXPECT_TRUE(p.app.read(QStringLiteral("chart.pdf")).startsWith("%PDF-"));

    // Another suffix writes nothing and says which ones there are.
    EXPECT_FALSE(QFile::exists(p.app.file("chart.txt")));
    ASSERT_EQ(p.ui.messages().size(), 1);
    EXPECT_TRUE(p.ui.messages()[0].contains(QStringLiteral(".png, .svg or .pdf"))) << p.ui.messages()[0].toStdString();
}
