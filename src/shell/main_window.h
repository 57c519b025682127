#pragma once

#include "browse/website_list.h"
#include "results/results_grid.h"
#include "net/page_fetcher.h"
#include "scan/scan_driver.h"

#include <QMainWindow>
#include <array>

class DataViewPage;
class FirstScanNotice;
class GraphWork;
class MainStatusBar;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTabBar;
class ChartViewPage;
class UrlListFrame;
class WebsiteViewPage;

// The main window: the top strip of commands, the URL list, the tab strip with
// its pages, the status bar with the scan's progress bar, and the menus. It
// owns the URL list, the results grid, the website-view list and the scan.
class Form1 final : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    ResultsGrid& resultsGrid() { return m_grid; }
    WebsiteList& websiteList() { return m_websiteList; }
    ScanDriver& scanDriver() { return m_driver; }
    UrlListFrame* urlList() const { return Frame1; }

    // ColumnSortAscending: one toggle per grid column, all false at start.
    bool columnSortAscending(int column) const { return m_columnSortAscending[column - 1]; }

    static constexpr int kDataViewTab = 0;
    static constexpr int kChartViewTab = 1;
    static constexpr int kWebsiteViewTab = 2;

    void LayoutMainWindow();
    void selectTab(int index);  // 0-based
    QString statusPanelText(int panel) const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void Command1_Click();   // "Start"
    void Command2_Click();   // "Stop"
    void mnuScan_Click();
    void mnuStop_Click();
    void mnuExitNow_Click();
    void mnuClearResults_Click();
    void ListView1_ColumnClick(int column);
    void TabStrip1_Click(int index);
    void Command3_Click();   // "Visit " + website
    void mnuHelpItem_Click();
    void mnuAbout_Click();
    void Command6_Click();   // "Options"
    void mnuConfig_Click();  // "View Options"
    void ShowWebResults();
    void mnuSaveResults_Click();
    void mnuSaveAll_Click();  // "Save All"
    void mnuGraph_Click();   // "View Graph...", run by "Load Data"

private:
    void buildTopStrip();
    void buildMenus();
    void buildStatusBar();
    void Form_Load();
    void showScanState(ScanDriver::State state);
    void openHelpAtStart();
    void optionsSaved();
    void showColumnCaptions();
    void openOptionsAt(const QString& page);
    void restoreWindowPlace();

    ResultsGrid m_grid;
    WebsiteList m_websiteList;
    PageFetcher m_fetcher;
    ScanDriver m_driver;
    std::array<bool, ResultsGrid::kColumnCount> m_columnSortAscending{};
    bool m_helpAtStart = false;

    QWidget* Picture1 = nullptr;
    QPushButton* Command1 = nullptr;  // "Start"
    QPushButton* Command2 = nullptr;  // "Stop"
    QPushButton* Command3 = nullptr;  // "Visit " + website
    QPushButton* Command6 = nullptr;  // "Options"
    QWidget* wbBanner = nullptr;
    QWidget* wbPicture = nullptr;
    UrlListFrame* Frame1 = nullptr;   // "URLs"
    QTabBar* TabStrip1 = nullptr;
    DataViewPage* Frame2 = nullptr;   // "Results - Data View"
    ChartViewPage* Frame3 = nullptr;    // "Results - Chart View"
    WebsiteViewPage* Frame4 = nullptr;  // "Results - Website View"
    MainStatusBar* StatusBar1 = nullptr;
    GraphWork* m_graphWork = nullptr;  // the web graph's fetch or count, which outlives Options
    FirstScanNotice* m_notice = nullptr;  // under the grid after a scan that found nothing

    QAction* mnuNewURL = nullptr;
    QAction* mnuSaveUrlList = nullptr;
    QAction* mnuExportResults = nullptr;
    QAction* mnuSaveAll = nullptr;
    QAction* mnuOpenURLList = nullptr;
    QAction* mnuOpenClipboard = nullptr;
    QAction* mnuExitNow = nullptr;
    QAction* mnuScan = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuConfig = nullptr;
    QAction* mnuHelpItem = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuGraph = nullptr;
};
