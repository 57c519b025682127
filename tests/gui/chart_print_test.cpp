#include "platform/chart_print_ui.h"

#include "history/chart_view_page.h"
#include "history/history_chart_widget.h"
#include "chart_page_fixture.h"
#include "history_test_helpers.h"
#include "results/results_grid.h"
#include "scripted_platform.h"
#include "desktop/twips.h"
#include "support/settings_snapshot.h"
#include "support/temp_app_folder.h"

#include <Q3DCamera>
#include <Q3DScene>
#include <QAbstract3DGraph>
#include <QDir>
#include <QFileInfo>
#include <QMarginsF>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct ChartPage : ChartPageFixture {
    ChartPage() {
        grid.appendRow({"small.example", "", "1200", "800", "950", "300", "600", "150"});
        grid.appendRow({"middle.example", "", "2400", "1800", "1200", "900", "1300", "700"});
        grid.appendRow({"large.example", "", "4100", "2500", "3900", "1700", "2600", "1200"});
        // A frame whose chart is 7200 x 4320 twips.
        const QSize frame = twipsToPixels(QRect(0, 0, 7440, 5805)).size();
        page.resize(frame);
        page.layoutPage(7440, 5805);
        page.doChart2();
    }
    void chooseType(int type) {
        auto* types = page.findChild<QComboBox*>(QStringLiteral("cmbChart2"));
        choose(types, types->itemText(type));
        QTest::qWait(type % 2 == 0 ? 300 : 30);  // a GL view needs a few frames
    }
};

// How many different colours a picture holds: a blank or black capture has one.
int colourCount(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// The share of a picture's area that is dark (below a quarter of full brightness).
double darkShare(const QImage& image) {
    int dark = 0;
    int all = 0;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3, ++all)
            if (qGray(image.pixel(x, y)) < 64) ++dark;
    return all ? static_cast<double>(dark) / all : 1.0;
}

}  // namespace

TEST(ChartCapture, EveryChartTypeIsCapturedAsShown) {
    ChartPage p;
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    if (!shots.isEmpty()) QDir().mkpath(shots);
    for (int type = 0; type < 8; ++type) {
        SCOPED_TRACE(type);
        if (type % 2 == 0 && !HistoryChartWidget::threeDAvailable()) continue;
        p.chooseType(type);
        EXPECT_EQ(p.chart()->graph3d() != nullptr, type % 2 == 0);
        const QImage picture = CaptureWindowPicture(p.chart(), 0, 0, 480, 288);
        EXPECT_EQ(picture.size(), QSize(480, 288));
        EXPECT_GT(colourCount(picture), 20);
        EXPECT_LT(darkShare(picture), 0.3);  // a GL view copied off the screen comes out black
        if (!shots.isEmpty()) {
            picture.save(QStringLiteral("%1/chart_type_%2.png").arg(shots).arg(type));
            p.page.grab().save(QStringLiteral("%1/chart_page_type_%2.png").arg(shots).arg(type));
        }
    }
    EXPECT_EQ(captureSizeForTwips(7200, 4320), QSize(480, 288));
    EXPECT_EQ(p.chart()->size(), QSize(480, 288));
}

TEST(ChartCapture, ControlDragTurnsTheThreeDView) {
    if (!HistoryChartWidget::threeDAvailable()) GTEST_SKIP() << "no OpenGL";
    ChartPage p;
    p.chooseType(0);
    QAbstract3DGraph* graph = p.chart()->graph3d();
    ASSERT_NE(graph, nullptr);
    Q3DCamera* camera = graph->scene()->activeCamera();
    auto drag = [&](Qt::KeyboardModifiers modifiers) {
        const float before = camera->xRotation();
        const QPointF from(100, 100);
        QMouseEvent press(QEvent::MouseButtonPress, from, graph->mapToGlobal(from), Qt::LeftButton,
                          Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(graph, &press);
        for (int step = 1; step <= 4; ++step) {
            const QPointF at = from + QPointF(step * 15, step * 5);
            QMouseEvent move(QEvent::MouseMove, at, graph->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                             modifiers);
            QCoreApplication::sendEvent(graph, &move);
        }
        QMouseEvent release(QEvent::MouseButtonRelease, from, graph->mapToGlobal(from), Qt::LeftButton,
                            Qt::NoButton, modifiers);
        QCoreApplication::sendEvent(graph, &release);
        return camera->xRotation() - before;
    };
    EXPECT_FLOAT_EQ(drag(Qt::NoModifier), 0.0f);
    EXPECT_GT(std::abs(drag(Qt::ControlModifier)), 10.0f);

    // A click makes the GL window the focus window; the focus goes straight back.
    graph->requestActivate();
    QTest::qWait(100);
    EXPECT_NE(QGuiApplication::focusWindow(), graph);
    EXPECT_EQ(p.page.focusWidget(), p.page.findChild<QPushButton*>(QStringLiteral("cmdFocus")));
}

TEST(ChartPrint, NoPrinterIsReportedAndTheProgramGoesOn) {
    ChartPage p;
    p.ui.printerAvailable = false;
    QTest::mouseClick(p.page.findChild<QPushButton*>(QStringLiteral("Command14")), Qt::LeftButton);
    ASSERT_EQ(p.ui.messages().size(), 1);
    EXPECT_EQ(p.ui.messages()[0], QStringLiteral("The chart could not be printed. No printer is installed."));
    EXPECT_EQ(p.ui.asked.first().kind, QStringLiteral("print"));
}

TEST(ChartPrint, PrintsThePictureOnOnePage) {
    ChartPage p;
    QTemporaryDir out;
    p.ui.printerAvailable = true;
    p.ui.printedPdf = out.filePath(QStringLiteral("chart.pdf"));
    for (int type : {3, 0}) {
        SCOPED_TRACE(type);
        if (type == 0 && !HistoryChartWidget::threeDAvailable()) continue;
        p.chooseType(type);
        QFile::remove(p.ui.printedPdf);
        QTest::mouseClick(p.page.findChild<QPushButton*>(QStringLiteral("Command14")), Qt::LeftButton);
        EXPECT_TRUE(p.ui.messages().isEmpty());
        ASSERT_TRUE(QFileInfo::exists(p.ui.printedPdf));
        EXPECT_GT(QFileInfo(p.ui.printedPdf).size(), 5000);

        const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (pdftoppm.isEmpty()) continue;
        const QString prefix = out.filePath(QStringLiteral("page%1").arg(type));
        ASSERT_EQ(QProcess::execute(pdftoppm, {"-r", "48", "-png", "-singlefile", p.ui.printedPdf, prefix}), 0);
        const QImage page(prefix + QStringLiteral(".png"));
        ASSERT_FALSE(page.isNull());
        // The picture sits in the top-left corner; the rest of the page is blank.
        const QImage corner = page.copy(0, 0, page.width() / 3, page.height() / 6);
        const QImage rest = page.copy(0, page.height() / 2, page.width(), page.height() / 2);
        EXPECT_GT(colourCount(corner), 10);
        EXPECT_EQ(colourCount(rest), 1);
        const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
        if (!shots.isEmpty()) page.save(QStringLiteral("%1/printed_type_%2.png").arg(shots).arg(type));
    }
}

// The rectangle of a page that is not white.
QRect inkBounds(const QImage& page) {
    QRect bounds;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 250) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(ChartPrint, AChartWiderThanThePageIsPrintedWholeInsideThePrintableArea) {
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty()) GTEST_SKIP() << "pdftoppm is not installed";
    ChartPage p;
    QTemporaryDir out;
    p.ui.printerAvailable = true;
    p.ui.printedPdf = out.filePath(QStringLiteral("wide.pdf"));
    p.ui.unprintableMm = QMarginsF(10, 15, 10, 10);
    // A maximised window: the chart is far wider than an A4 page (794 pixels).
    p.page.resize(1500, 600);
    p.page.layoutPage(1500 * 15, 600 * 15);
    QTest::qWait(30);
    const QImage shown = CaptureWindowPicture(p.chart(), 0, 0, p.chart()->width(), p.chart()->height());
    QTest::mouseClick(p.page.findChild<QPushButton*>(QStringLiteral("Command14")), Qt::LeftButton);
    ASSERT_TRUE(p.ui.messages().isEmpty());
    const QString prefix = out.filePath(QStringLiteral("wide"));
    ASSERT_EQ(QProcess::execute(pdftoppm, {"-r", "48", "-png", "-singlefile", p.ui.printedPdf, prefix}), 0);
    const QImage page = QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(page.isNull());
    const QString shots = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    if (!shots.isEmpty()) page.save(QStringLiteral("%1/printed_wide.png").arg(shots));

    // 48 pixels an inch: the margins are 18.9 (10 mm) and 28.3 (15 mm) pixels.
    const QRect ink = inkBounds(page);
    EXPECT_NEAR(ink.left(), 18.9, 2);
    EXPECT_NEAR(ink.top(), 28.3, 2);
    EXPECT_NEAR(ink.right(), page.width() - 18.9, 2);  // as wide as the printable area, no wider
    EXPECT_NEAR(double(ink.width()) / ink.height(), double(shown.width()) / shown.height(), 0.05);
    // What is printed is the whole chart, pixel for pixel scaled.
    const QImage expected = shown.scaled(ink.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_RGB32);
    const QImage printed = page.copy(ink);
    qint64 difference = 0;
    for (int y = 0; y < printed.height(); ++y)
        for (int x = 0; x < printed.width(); ++x)
            difference += std::abs(qGray(printed.pixel(x, y)) - qGray(expected.pixel(x, y)));
    EXPECT_LT(double(difference) / (printed.width() * printed.height()), 12.0);
}

TEST(ChartCapture, ALongHistoryStaysVisibleInEveryType) {
    // Twenty years of daily counts: bars and ribbons must not thin out to nothing.
    ChartData data;
    data.seriesLabels << QStringLiteral("Google");
    for (int day = 0; day < 7300; ++day) {
        data.categoryLabels << QString::number(day);
        data.values << QVector<double>{1000.0 + day * 10};
    }
    HistoryChartWidget chart(nullptr);
    chart.resize(480, 288);
    chart.show();
    for (int type = 0; type < 8; ++type) {
        SCOPED_TRACE(type);
        if (type % 2 == 0 && !HistoryChartWidget::threeDAvailable()) continue;
        data.type = type;
        chart.setChart(data);
        QTest::qWait(type % 2 == 0 ? 300 : 30);
        const QImage picture = CaptureWindowPicture(&chart, 0, 0, 480, 288);
        EXPECT_GT(colourCount(picture), 20);
        // Coloured drawing, not only grey axes and labels, covers part of the picture.
        int coloured = 0;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2) {
                const QColor c = picture.pixelColor(x, y);
                if (c.saturation() > 80 && c.value() > 40) ++coloured;
            }
        EXPECT_GT(coloured, 100);
    }
}
