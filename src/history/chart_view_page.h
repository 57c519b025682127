#pragma once

#include "history/chart_data.h"

#include <QGroupBox>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class ResultsGrid;
class HistoryChartWidget;

// The "Chart View" page: the frame "Results - Chart View" with "Load Data",
// "Print", the series and chart-type choosers and the chart. The main window
// places the frame (where the "Data View" frame is) and calls layoutPage on
// every resize.
class ChartViewPage final : public QGroupBox {
    Q_OBJECT
public:
    ChartViewPage(ResultsGrid& grid, QWidget* parent = nullptr);

    // The saved-search chart for savedSearch::chartFileName(); its first
    // series is drawn at once.
    void doChart();
    // The temporary chart of the results grid; the scan calls it after every
    // completed scan.
    void doChart2();
    // Start-up: selects the stored chart type, which applies it and stores it
    // back. A stored value outside the chooser's range leaves the chooser
    // without a selection.
    void selectStoredChartType();
    // The frame's size in twips (that of the "Data View" frame); the chart
    // follows it. The frame itself is placed by the caller.
    void layoutPage(int widthTwips, int heightTwips);
    QWidget* chartWidget() const;

    // "Load Data" (the hidden "View Graph..." command): choose a saved search
    // and chart it.
    void chooseSavedSearch();
    // "Export History...": the loaded saved search as CSV, through the save dialog.
    void exportHistory();
    // "Export Chart...": the chart as drawn to PNG, SVG or PDF, through the save dialog.
    void exportChart();
    // "History from Web Graph": writes the counted releases' counts of the
    // address in the results grid's selected row into the "Web Graph" section
    // of a search chosen in the save dialog, and charts that section under a
    // title naming the address.
    void historyFromWebGraph();
    // Where the page learns the results grid's selected row (-1: none).
    void setSelectedRowSource(std::function<int()> selectedRow) { m_selectedRow = std::move(selectedRow); }

    const ChartData& chartData() const;
    int chartType() const { return m_type; }

private slots:
    void Command7_Click();
    void Command14_Click();
    void cmbChart1_Click();
    void cmbChart2_Click();

private:
    void buildControls();

    ResultsGrid& m_grid;
    int m_type = chart::kDefaultChartType;
    QString m_chartFilePath;  // ChartFilePath
    QString m_title;
    QString m_searchName;  // the loaded saved search, without ".lpc"
    QString m_graphAddress;  // whose web graph counts were just written into it
    std::function<int()> m_selectedRow;

    QPushButton* Command7 = nullptr;   // "Load Data"
    QPushButton* Command14 = nullptr;  // "Print"
    QPushButton* cmdExportHistory = nullptr;  // "Export History...": only with a saved search loaded
    QPushButton* cmdExportChart = nullptr;    // "Export Chart..."
    QPushButton* cmdGraphHistory = nullptr;   // "History from Web Graph"
    QLabel* lblChartSearch = nullptr;
    QComboBox* cmbChart1 = nullptr;    // series: sections, then "All Engines"
    QLabel* lblChartType = nullptr;
    QComboBox* cmbChart2 = nullptr;    // the eight chart types
    QLabel* Label1 = nullptr;          // the 3-D rotate hint
    QPushButton* cmdFocus = nullptr;   // takes the focus the chart refuses
    HistoryChartWidget* MSChart1 = nullptr;
};
