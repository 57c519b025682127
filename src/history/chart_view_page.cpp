#include "history/chart_view_page.h"

#include "config/settings_table.h"
#include "history/graph_history.h"
#include "graph/release_catalog.h"
#include "history/chart_export_ui.h"
#include "history/history_chart_widget.h"
#include "history/history_csv.h"
#include "history/load_search_dialog.h"
#include "history/save_search_dialog.h"
#include "history/saved_search.h"
#include "platform/ui_platform.h"
#include "results/results_grid.h"
#include "platform/chart_print_ui.h"
#include "desktop/twips.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <cstdlib>

namespace {
// Design geometry inside the frame, in twips: left, top, width, height.
constexpr QRect kCommand7(120, 300, 1215, 375);
constexpr QRect kCommand14(1440, 300, 1215, 375);
constexpr QRect kCmdExportHistory(6720, 270, 1815, 375);
constexpr QRect kCmdExportChart(6720, 690, 1815, 375);
constexpr QRect kCmdGraphHistory(120, 690, 2535, 375);
// The rotate hint stands in the strip below the chart: the row beside the
// choosers holds "History from Web Graph".
constexpr int kLabel1Left = 120;
constexpr int kLabel1Width = 2700;
constexpr int kLabel1Height = 255;
constexpr QRect kLblChartSearch(2820, 345, 1335, 255);
constexpr QRect kCmbChart1(4200, 300, 2415, 315);
constexpr QRect kLblChartType(2820, 765, 1335, 255);
constexpr QRect kCmbChart2(4200, 720, 2415, 315);
// The chart sits where the results grid sits on the "Data View" page.
constexpr int kChartLeft = 120;
constexpr int kChartTop = 1185;
constexpr int kDesignWidth = 8895;
constexpr int kDesignHeight = 7815;

}  // namespace

ChartViewPage::ChartViewPage(ResultsGrid& grid, QWidget* parent) : QGroupBox(parent), m_grid(grid) {
    setObjectName(QStringLiteral("Frame3"));
    setTitle(QStringLiteral("Results - Chart View"));
    buildControls();
    layoutPage(kDesignWidth, kDesignHeight);
}

void ChartViewPage::buildControls() {
    auto place = [this](QWidget* w, const char* name, const QRect& twips) {
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(twipsToPixels(twips));
    };
    Command7 = new QPushButton(QStringLiteral("Load Data"), this);
    place(Command7, "Command7", kCommand7);
    Command14 = new QPushButton(QStringLiteral("Print"), this);
    place(Command14, "Command14", kCommand14);
    cmdExportHistory = new QPushButton(QStringLiteral("Export History..."), this);
    place(cmdExportHistory, "cmdExportHistory", kCmdExportHistory);
    cmdExportHistory->setEnabled(false);
    cmdExportChart = new QPushButton(QStringLiteral("Export Chart..."), this);
    place(cmdExportChart, "cmdExportChart", kCmdExportChart);
    lblChartSearch = new QLabel(QStringLiteral("Search Engine:"), this);
    place(lblChartSearch, "lblChartSearch", kLblChartSearch);
    cmbChart1 = new QComboBox(this);
    place(cmbChart1, "cmbChart1", kCmbChart1);
    cmbChart1->setEnabled(false);
    lblChartType = new QLabel(QStringLiteral("Chart Type:"), this);
    place(lblChartType, "lblChartType", kLblChartType);
    cmbChart2 = new QComboBox(this);
    place(cmbChart2, "cmbChart2", kCmbChart2);
    cmbChart2->addItems(chart::chartTypeEntries());
    cmbChart2->setCurrentIndex(-1);
    cmdGraphHistory = new QPushButton(QStringLiteral("History from Web Graph"), this);
    place(cmdGraphHistory, "cmdGraphHistory", kCmdGraphHistory);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));

    // Out of sight but able to hold the focus, which a hidden widget cannot.
    cmdFocus = new QPushButton(this);
    cmdFocus->setObjectName(QStringLiteral("cmdFocus"));
    cmdFocus->setGeometry(0, 0, 0, 0);
    MSChart1 = new HistoryChartWidget(cmdFocus, this);

    connect(Command7, &QPushButton::clicked, this, &ChartViewPage::Command7_Click);
    connect(Command14, &QPushButton::clicked, this, &ChartViewPage::Command14_Click);
    connect(cmdExportHistory, &QPushButton::clicked, this, &ChartViewPage::exportHistory);
    connect(cmdExportChart, &QPushButton::clicked, this, &ChartViewPage::exportChart);
    connect(cmdGraphHistory, &QPushButton::clicked, this, &ChartViewPage::historyFromWebGraph);
    connect(cmbChart1, &QComboBox::activated, this, &ChartViewPage::cmbChart1_Click);
    connect(cmbChart2, &QComboBox::activated, this, &ChartViewPage::cmbChart2_Click);
}

QWidget* ChartViewPage::chartWidget() const { return MSChart1; }

const ChartData& ChartViewPage::chartData() const { return MSChart1->chartData(); }

void ChartViewPage::layoutPage(int widthTwips, int heightTwips) {
    const int gridWidth = std::abs(widthTwips - 2 * kChartLeft);
    const int gridHeight = std::abs(heightTwips - kChartTop - 200);
    const QRect chartRect(kChartLeft, kChartTop, gridWidth, std::abs(gridHeight - 100));
    MSChart1->setGeometry(twipsToPixels(chartRect));
    Label1->setGeometry(twipsToPixels(QRect(kLabel1Left, chartRect.bottom() + 15, kLabel1Width, kLabel1Height)));
}

void ChartViewPage::Command7_Click() { chooseSavedSearch(); }

void ChartViewPage::chooseSavedSearch() {
    LoadSearchDialog dialog(window());
    connect(&dialog, &LoadSearchDialog::searchChosen, this, &ChartViewPage::doChart);
    dialog.exec();
}

void ChartViewPage::Command14_Click() { PrintChart(MSChart1, window()); }

void ChartViewPage::doChart() {
    const QString fileName = savedSearch::chartFileName();
    QString name = fileName;
    if (name.endsWith(QLatin1String(savedSearch::kExtension), Qt::CaseInsensitive)) name.chop(4);
    m_searchName = name;
    m_graphAddress.clear();
    m_chartFilePath = savedSearch::searchFilePath(name);
    m_title = savedSearchTitle(fileName);
    cmbChart1->clear();
    cmbChart1->addItems(seriesChoices(m_chartFilePath));
    cmbChart1->setEnabled(true);
    cmdExportHistory->setEnabled(true);
    cmbChart1->setCurrentIndex(0);
    cmbChart1_Click();
}

void ChartViewPage::cmbChart1_Click() {
    const int chosen = cmbChart1->currentIndex();
    if (chosen < 0) return;
    QStringList sections;
    for (int i = 0; i < cmbChart1->count() - 1; ++i) sections << cmbChart1->itemText(i);
    bool warn = false;
    ChartData data =
        savedSearchChart(m_chartFilePath, cmbChart1->itemText(chosen), sections, runOneEntryWarning(), &warn);
    if (warn)
        platform::ui().messageBox(window(), QString::fromLatin1(chart::kOneEntryWarning),
                                  QStringLiteral("Information"), UiPlatform::Buttons::Ok,
                                  UiPlatform::Icon::Information);
    data.title = m_title;
    // The section names no address: the one its counts were just written for is told.
    if (!m_graphAddress.isEmpty() && cmbChart1->itemText(chosen) == QLatin1String(graphHistory::kSection))
        data.title += QStringLiteral(" - Web Graph of %1").arg(m_graphAddress);
    data.type = m_type;
    MSChart1->setChart(data);
}

void ChartViewPage::doChart2() {
    cmbChart1->clear();
    cmbChart1->setEnabled(false);
    cmdExportHistory->setEnabled(false);
    m_searchName.clear();
    m_graphAddress.clear();
    ChartData data = temporaryChart(m_grid);
    data.type = m_type;
    MSChart1->setChart(data);
}

void ChartViewPage::cmbChart2_Click() {
    const int index = cmbChart2->currentIndex();
    if (index < 0) return;
    settings::saveNumber(Setting::ChartType, index);
    m_type = index;
    MSChart1->setChartType(index);
    Label1->setText(chart::entryWantsRotateHint(cmbChart2->currentText()) ? QString::fromLatin1(chart::kRotateHint)
                                                                          : QString());
}

void ChartViewPage::selectStoredChartType() {
    const int index = settings::number(Setting::ChartType);
    if (index < 0 || index >= chart::kChartTypeCount) return;
    cmbChart2->setCurrentIndex(index);
    cmbChart2_Click();
}

void ChartViewPage::exportHistory() {
    if (!cmdExportHistory->isEnabled()) return;
    const auto path = platform::ui().saveFileDialog(
        window(),
        {{QStringLiteral("CSV Files (*.csv)"), QStringLiteral("*.csv")},
         {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}},
        QDir::homePath(), QStringLiteral("csv"));
    if (!path || path->isEmpty()) return;
    QString error;
    if (!historyCsv::write(*path, m_chartFilePath, &error)) {
        platform::ui().messageBox(window(),
                                  QStringLiteral("The history could not be exported to %1: %2").arg(*path, error),
                                  QStringLiteral("Quillmark"), UiPlatform::Buttons::Ok, UiPlatform::Icon::Warning);
    }
}

void ChartViewPage::exportChart() {
    const auto path = platform::ui().saveFileDialog(
        window(),
        {{QStringLiteral("PNG Images (*.png)"), QStringLiteral("*.png")},
         {QStringLiteral("SVG Drawings (*.svg)"), QStringLiteral("*.svg")},
         {QStringLiteral("PDF Documents (*.pdf)"), QStringLiteral("*.pdf")}},
        QDir::homePath(), QStringLiteral("png"));
    if (!path || path->isEmpty()) return;
    QString error;
    if (!::exportChart(MSChart1, *path, &error)) {
        platform::ui().messageBox(window(),
                                  QStringLiteral("The chart could not be exported to %1: %2").arg(*path, error),
                                  QStringLiteral("Quillmark"), UiPlatform::Buttons::Ok, UiPlatform::Icon::Warning);
    }
}

void ChartViewPage::historyFromWebGraph() {
    auto tell = [this](const QString& text, UiPlatform::Icon icon) {
        platform::ui().messageBox(window(), text, QStringLiteral("Information"), UiPlatform::Buttons::Ok, icon);
    };
    const int row = m_selectedRow ? m_selectedRow() : -1;
    if (row < 0 || row >= m_grid.rowCount()) {
        tell(QStringLiteral("You must first select the item in the results list you wish to get the web graph "
                            "history for."),
             UiPlatform::Icon::None);
        return;
    }
    if (graphRelease::countedReleases().isEmpty()) {
        tell(QStringLiteral("No release of the web graph is counted here yet. Fetch one in Options, "
                            "\"Web Graph\" (or run quillmark-graph fetch RELEASE, which counts it as it "
                            "downloads)."),
             UiPlatform::Icon::Information);
        return;
    }
    // Written where the user says, as a save is: the loaded search may well
    // be another address's.
    const QString address = m_grid.cell(row, ResultsGrid::kDomainColumn);
    const std::optional<QString> target = SaveSearchDialog::chooseSearchFor(window(), address);
    if (!target) return;
    const graphHistory::History history = graphHistory::writeHistory(*target, address);
    if (!history.dates.isEmpty()) {
        // Charted again from the file, the new section among the series.
        savedSearch::setChartFileName(*target + QLatin1String(savedSearch::kExtension));
        doChart();
        m_graphAddress = address;
        const int webGraph = cmbChart1->findText(QLatin1String(graphHistory::kSection));
        if (webGraph >= 0) {
            cmbChart1->setCurrentIndex(webGraph);
            cmbChart1_Click();
        }
    }
    if (history.error) tell(*history.error, UiPlatform::Icon::Warning);
}
