#include "shell/main_window.h"

#include "browse/website_view_page.h"
#include "browse/website_window.h"
#include "config/app_paths.h"
#include "config/settings_table.h"
#include "graph/graph_work.h"
#include "history/chart_view_page.h"
#include "history/save_rows_ui.h"
#include "history/save_search_dialog.h"
#include "platform/ui_platform.h"
#include "results/column_sort.h"
#include "results/data_view_page.h"
#include "shell/about_box.h"
#include "shell/banner_widget.h"
#include "desktop/branding.h"
#include "shell/first_scan_notice_widget.h"
#include "shell/help_window.h"
#include "shell/main_layout.h"
#include "shell/main_status_bar_widget.h"
#include "desktop/picture_box_widget.h"
#include "desktop/program_end_ui.h"
#include "shell/settings_dialog.h"
#include "desktop/skin_ui.h"
#include "shell/splash_window.h"
#include "desktop/twips.h"
#include "sources/count_source.h"
#include "urllist/url_list_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QWebEngineView>

namespace {

QPushButton* stripButton(QWidget* parent, const char* name, const QString& caption, const QRect& twips) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(twipsToPixels(twips));
    return b;
}

QAction* menuItem(QMenu* menu, const char* name, const QString& caption, const QKeySequence& keys = {}) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty()) a->setShortcut(keys);
    return a;
}

// The desktop's quit key; a platform without one (offscreen) gets Ctrl+Q.
QKeySequence quitKeys() {
    const QKeySequence keys(QKeySequence::Quit);
    return keys.isEmpty() ? QKeySequence(Qt::CTRL | Qt::Key_Q) : keys;
}

QKeySequence helpKeys() {
    const QKeySequence keys(QKeySequence::HelpContents);
    return keys.isEmpty() ? QKeySequence(Qt::Key_F1) : keys;
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QMainWindow(parent), m_driver(m_grid, m_websiteList, m_fetcher) {
    setObjectName(QStringLiteral("Form1"));
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Form1Client"));
    setCentralWidget(central);

    buildTopStrip();
    const BannerParts banner = createBanner(central);
    wbBanner = banner.wbBanner;
    wbPicture = banner.wbPicture;
    Frame1 = new UrlListFrame(central);
    Frame1->setGeometry(twipsToPixels(mainDesign::kFrame1));

    auto* tabs = new QTabWidget(central);
    tabs->setObjectName(QStringLiteral("TabStrip1"));
    tabs->addTab(new QWidget(tabs), QStringLiteral("Data View"));
    tabs->addTab(new QWidget(tabs), QStringLiteral("Chart View"));
    tabs->addTab(new QWidget(tabs), QStringLiteral("Website View"));
    TabStrip1 = tabs->tabBar();
    Frame2 = new DataViewPage(m_grid, central);
    Frame2->raise();
    m_notice = new FirstScanNotice(Frame2);
    Frame3 = new ChartViewPage(m_grid, central);
    Frame3->raise();
    Frame3->setSelectedRowSource([this] { return Frame2->selectedRow(); });
    Frame4 = new WebsiteViewPage(m_websiteList, central);
    Frame4->raise();
    // With the skin on, the labels of the chart and website pages get skin labels.
    new SkinLabel(QStringLiteral("SkinLabel1"), 0, Frame3);
    new SkinLabel(QStringLiteral("SkinLabel2"), 0, Frame4);
    // The chart of the last scan is rebuilt between the scan's two sorts.
    m_driver.setChartRefresh([this] { Frame3->doChart2(); });

    buildMenus();
    buildStatusBar();

    connect(tabs, &QTabWidget::currentChanged, this, &Form1::TabStrip1_Click);
    connect(Frame2, &DataViewPage::clearResultsRequested, this, &Form1::mnuClearResults_Click);
    connect(Frame2, &DataViewPage::columnClicked, this, &Form1::ListView1_ColumnClick);
    connect(Frame2, &DataViewPage::webResultsRequested, this, &Form1::ShowWebResults);
    connect(Frame2, &DataViewPage::saveResultsRequested, this, &Form1::mnuSaveResults_Click);
    connect(Frame2, &DataViewPage::saveAllRequested, this, &Form1::mnuSaveAll_Click);
    connect(Frame4, &WebsiteViewPage::statusPanel1Changed, StatusBar1->panel1(), &QLabel::setText);
    connect(Frame4, &WebsiteViewPage::statusPanel2Changed, StatusBar1->panel2(), &QLabel::setText);
    connect(&m_driver, &ScanDriver::stateChanged, this, &Form1::showScanState);
    connect(&m_driver, &ScanDriver::statusTextChanged, StatusBar1->panel1(), &QLabel::setText);
    // A source's error stays in sight until the next scan: the first panel
    // moves on at once ("Search Complete." after a local source), and the
    // second is the Website View's.
    connect(&m_driver, &ScanDriver::sourceError, StatusBar1, &MainStatusBar::addSourceError);
    connect(&m_driver, &ScanDriver::progressChanged, StatusBar1, &MainStatusBar::setScanProgress);
    connect(&m_driver, &ScanDriver::progressVisibleChanged, StatusBar1, &MainStatusBar::setScanProgressVisible);
    connect(&m_driver, &ScanDriver::finished, this,
            [this] { m_notice->scanEnded(m_grid, appPaths::settingsPath()); });
    connect(m_notice, &FirstScanNotice::shownChanged, this, &Form1::LayoutMainWindow);
    connect(m_notice, &FirstScanNotice::optionsRequested, this,
            [this] { openOptionsAt(QStringLiteral("tabSources")); });

    setMinimumSize(twipsToPixels(mainDesign::kMinClientWidth), twipsToPixels(mainDesign::kMinClientHeight));
    resize(twipsToPixels(mainDesign::kClientWidth), twipsToPixels(mainDesign::kClientHeight));
    restoreWindowPlace();
    Form_Load();
}

// The start-up sequence. Each step stands on its own: one that cannot be done
// leaves its control as designed and the rest still run.
void Form1::Form_Load() {
    const BrandingRecord& record = branding();
    if (record.useSplashIcon && frmSplash::instance()) setWindowIcon(frmSplash::instance()->windowIcon());
    setWindowTitle(record.programName + QStringLiteral(" by ") + record.companyName);
    Command3->setText(QStringLiteral("Visit ") + record.websiteAddress);
    mnuStop->setEnabled(false);
    showScanState(ScanDriver::State::Idle);
    StatusBar1->dockProgressBar();
    StatusBar1->panel1()->setText(QString());
    showColumnCaptions();
    if (record.skinEnabled) applySkin(this);
    if (record.bannerEnabled) showBanner(centralWidget(), wbBanner, wbPicture);
    if (record.skinEnabled) {
        mirrorLabels(this);
        applySkin(this);
    }
    // Opened once this window is on the screen: its place depends on this one's.
    m_helpAtStart = settings::text(Setting::ShowHelp) == QLatin1String("1");
    Frame3->selectStoredChartType();
    Frame4->navigateBlank();
    selectTab(0);
    LayoutMainWindow();
}

Form1::~Form1() { m_fetcher.abortAll(); }

// The size, place and maximised state of the last run, when they still fit
// on a screen; otherwise (and at the first start) the window's design size.
void Form1::restoreWindowPlace() {
    const QByteArray stored = QByteArray::fromBase64(settings::text(Setting::WindowGeometry).toLatin1());
    if (stored.isEmpty()) return;
    const QSize designSize = size();
    if (!restoreGeometry(stored)) return;
    const QRect place = isMaximized() ? geometry() : frameGeometry();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().contains(place.center()) &&
            place.width() <= screen->availableGeometry().width() &&
            place.height() <= screen->availableGeometry().height())
            return;
    }
    setWindowState(Qt::WindowNoState);
    resize(designSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().topLeft());
}

void Form1::buildTopStrip() {
    Picture1 = new QWidget(centralWidget());
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setProperty("skinType", QStringLiteral("PictureBox"));
    Picture1->setGeometry(0, 0, twipsToPixels(mainDesign::kClientWidth), twipsToPixels(mainDesign::kPicture1Height));
    Command1 = stripButton(Picture1, "Command1", QStringLiteral("Start"), {120, 120, 1455, 855});
    Command2 = stripButton(Picture1, "Command2", QStringLiteral("Stop"), {1680, 120, 1455, 855});
    Command6 = stripButton(Picture1, "Command6", QStringLiteral("Options"), {3240, 120, 1455, 855});
    Command3 = stripButton(Picture1, "Command3", QStringLiteral("Visit"),
                           {mainDesign::kCommand3Left, 120, 1455, 855});
    QFont big = Command1->font();
    big.setBold(true);
    Command1->setFont(big);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
}

void Form1::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuNewURL = menuItem(file, "mnuNewURL", QStringLiteral("&Add URL"), QKeySequence(Qt::CTRL | Qt::Key_N));
    file->addSeparator();
    mnuSaveUrlList = menuItem(file, "mnuSaveUrlList", QStringLiteral("&Save URL List to File"),
                              QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuExportResults = menuItem(file, "mnuExportResults", QStringLiteral("&Export Results..."));
    mnuSaveAll = menuItem(file, "mnuSaveAll", QStringLiteral("Sa&ve All"));
    mnuOpenURLList = menuItem(file, "mnuOpenURLList", QStringLiteral("&Load URL List from File"),
                              QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuOpenClipboard = menuItem(file, "mnuOpenClipboard", QStringLiteral("Load URL List from &Clipboard"),
                                QKeySequence(Qt::CTRL | Qt::Key_V));
    file->addSeparator();
    // Ctrl+X is Cut: quitting on it would throw away the grid.
    mnuExitNow = menuItem(file, "mnuExitNow", QStringLiteral("E&xit"), quitKeys());

    QMenu* scan = menuBar()->addMenu(QStringLiteral("&Scan"));
    scan->setObjectName(QStringLiteral("mnuScanMenu"));
    mnuScan = menuItem(scan, "mnuScan", QStringLiteral("&Start Scan"));
    mnuStop = menuItem(scan, "mnuStop", QStringLiteral("S&top Scan"));

    QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    mnuConfig = menuItem(options, "mnuConfig", QStringLiteral("&View Options"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpItem = menuItem(help, "mnuHelpItem", QStringLiteral("&View Help"), helpKeys());
    QMenu* about = menuBar()->addMenu(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mnuAboutMenu"));
    mnuAbout = menuItem(about, "mnuAbout", QStringLiteral("&About this software"));

    connect(mnuNewURL, &QAction::triggered, Frame1, &UrlListFrame::addUrl);
    connect(mnuSaveUrlList, &QAction::triggered, Frame1, &UrlListFrame::saveList);
    connect(mnuExportResults, &QAction::triggered, Frame2, &DataViewPage::exportResults);
    connect(mnuSaveAll, &QAction::triggered, this, &Form1::mnuSaveAll_Click);
    connect(mnuOpenURLList, &QAction::triggered, Frame1, &UrlListFrame::loadList);
    connect(mnuOpenClipboard, &QAction::triggered, Frame1, &UrlListFrame::importClipboard);
    connect(mnuExitNow, &QAction::triggered, this, &Form1::mnuExitNow_Click);
    connect(mnuScan, &QAction::triggered, this, &Form1::mnuScan_Click);
    connect(mnuStop, &QAction::triggered, this, &Form1::mnuStop_Click);
    // A menu that is never shown; its one command is run by "Load Data".
    QMenu* tools = new QMenu(QStringLiteral("Tools"), this);
    tools->setObjectName(QStringLiteral("mnuTools"));
    mnuGraph = menuItem(tools, "mnuGraph", QStringLiteral("View Graph..."));
    connect(mnuGraph, &QAction::triggered, this, &Form1::mnuGraph_Click);
    connect(mnuConfig, &QAction::triggered, this, &Form1::mnuConfig_Click);
    connect(mnuHelpItem, &QAction::triggered, this, &Form1::mnuHelpItem_Click);
    connect(mnuAbout, &QAction::triggered, this, &Form1::mnuAbout_Click);
}

void Form1::buildStatusBar() {
    m_graphWork = new GraphWork(this);
    m_graphWork->serveWindow();
    StatusBar1 = new MainStatusBar(*m_graphWork, this);
    setStatusBar(StatusBar1);
    connect(StatusBar1, &MainStatusBar::panelsMoved, this, &Form1::LayoutMainWindow);
}

void Form1::LayoutMainWindow() {
    if (!Frame2 || !StatusBar1) return;
    MainLayoutInput in = MainLayoutInput::fromClient(pixelsToTwips(width()), pixelsToTwips(height()));
    in.bannerEnabled = branding().bannerEnabled;
    in.bannerHeight = pixelsToTwips(wbBanner->height());
    in.statusBarHeight = pixelsToTwips(StatusBar1->height());
    in.minimized = isMinimized();
    const MainLayout layout = computeMainLayout(in);
    if (!layout.applied) return;

    // The frames sit below the menu bar in the client area.
    Picture1->resize(width(), twipsToPixels(layout.picture1Height));
    Command3->resize(std::max(0, twipsToPixels(layout.command3Width)), Command3->height());
    Frame1->setGeometry(twipsToPixels(layout.frame1));
    Frame1->setListHeight(layout.list1Height);
    if (auto* tabs = findChild<QTabWidget*>(QStringLiteral("TabStrip1")))
        tabs->setGeometry(twipsToPixels(layout.tabStrip));
    Frame2->setGeometry(twipsToPixels(layout.page));
    Frame2->layoutPage(layout.gridWidth, layout.gridHeight);
    m_notice->fitUnder(Frame2->grid());
    Frame3->setGeometry(twipsToPixels(layout.page));
    Frame3->layoutPage(layout.page.width(), layout.page.height());
    Frame4->setGeometry(twipsToPixels(layout.page));
    Frame4->layoutPage(layout.page.width(), layout.page.height());
    StatusBar1->dockProgressBar();
}

void Form1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_helpAtStart) return;
    m_helpAtStart = false;
    // After the window system has placed this window.
    QTimer::singleShot(0, this, &Form1::openHelpAtStart);
}

// The help window stays on top, so it goes where it hides neither the tab
// strip nor the grid's header.
void Form1::openHelpAtStart() { Form8::showAtStart(this, Frame1, Frame2->grid()->header()); }

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayoutMainWindow();
}

void Form1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) LayoutMainWindow();
}

void Form1::selectTab(int index) {
    if (auto* tabs = findChild<QTabWidget*>(QStringLiteral("TabStrip1"))) {
        if (tabs->currentIndex() != index) {
            tabs->setCurrentIndex(index);
            return;  // currentChanged runs the tab's click
        }
    }
    TabStrip1_Click(index);
}

// The pages share one place; the selected tab's page is the one shown.
void Form1::TabStrip1_Click(int index) {
    Frame2->setVisible(index == kDataViewTab);
    Frame3->setVisible(index == kChartViewTab);
    Frame4->setVisible(index == kWebsiteViewTab);
}

QString Form1::statusPanelText(int panel) const {
    return StatusBar1->panelText(panel);
}

void Form1::showScanState(ScanDriver::State state) {
    const bool idle = state == ScanDriver::State::Idle;
    if (state == ScanDriver::State::Scanning) StatusBar1->clearSourceErrors();
    Command1->setText(idle ? QStringLiteral("Start") : QStringLiteral("Searching..."));
    Command1->setEnabled(idle);
    Command2->setEnabled(!idle);
    mnuStop->setEnabled(!idle);
}

void Form1::Command1_Click() { m_driver.start(Frame1->entries()); }
void Form1::Command2_Click() { m_driver.stop(); }
void Form1::mnuScan_Click() { Command1_Click(); }
void Form1::mnuStop_Click() { m_driver.stop(); }
void Form1::mnuExitNow_Click() { close(); }
void Form1::mnuClearResults_Click() { m_driver.clearResults(); }

// A header click sorts by that column, each column keeping its own direction;
// never while a scan writes into the grid.
void Form1::ListView1_ColumnClick(int column) {
    if (!m_driver.isIdle()) return;
    bool& ascending = m_columnSortAscending[static_cast<size_t>(column - 1)];
    ascending = !ascending;
    SortListView(m_grid, column, column == 1 ? SortText : SortNumber, ascending);
}

void Form1::Command3_Click() { frmWebsite::showInstance(); }
void Form1::mnuSaveResults_Click() {
    // Several rows go each into the search of its address; one row into the search the user names.
    if (const QList<int> rows = Frame2->selectedRows(); rows.size() > 1) {
        saveRowsAsked(this, m_grid, rows);
        return;
    }
    SaveSearchDialog::saveResults(this, m_grid, Frame2->selectedRow());
}

void Form1::mnuSaveAll_Click() {
    QList<int> rows;
    for (int row = 0; row < m_grid.rowCount(); ++row) rows << row;
    saveRowsAsked(this, m_grid, rows);
}
void Form1::mnuGraph_Click() { Frame3->chooseSavedSearch(); }
void Form1::Command6_Click() { Form2::showModeless(this, [this] { optionsSaved(); }); }
void Form1::mnuConfig_Click() { Form2::showModal(this, [this] { optionsSaved(); }); }

// Options, brought to its page of that object name where it has one.
void Form1::openOptionsAt(const QString& page) {
    Command6_Click();
    Form2* options = Form2::instance();
    auto* tabs = options ? options->findChild<QTabWidget*>() : nullptr;
    if (auto* target = tabs ? tabs->findChild<QWidget*>(page) : nullptr; target && tabs->indexOf(target) >= 0)
        tabs->setCurrentWidget(target);
}

// New thresholds show at once on the rows already in the grid.
void Form1::optionsSaved() {
    const ScanSettings settings = ScanSettings::read();
    m_grid.rerank(settings.lowThreshold, settings.highThreshold);
    showColumnCaptions();
}

// The headers name the sources the next scan asks, from the start; counts
// already in the grid keep the captions they were scanned under.
void Form1::showColumnCaptions() {
    if (m_grid.rowCount() == 0) m_grid.setEngineColumns(columnCaptions(appPaths::settingsPath()));
}

// From a grid row to its pages: the row's first webpage row is shown and the
// "Website View" tab brought to the front.
void Form1::ShowWebResults() {
    const int row = Frame2->selectedRow();
    if (row < 0) {
        platform::ui().messageBox(
            this, QStringLiteral("You must first select the item in the results list you wish to view web results for."),
            branding().programName, UiPlatform::Buttons::Ok, UiPlatform::Icon::None);
        return;
    }
    if (!Frame4->showWebResults(m_grid.cell(row, ResultsGrid::kDomainColumn))) return;
    selectTab(kWebsiteViewTab);
}
void Form1::mnuHelpItem_Click() { Form8::showInstance(this); }
void Form1::mnuAbout_Click() { frmAbout::showInstance(this); }

// Closing never is refused. The windows that belong to this one go with it;
// the website window may stay, and the program then ends when it closes.
void Form1::closeEvent(QCloseEvent* event) {
    settings::saveText(Setting::WindowGeometry, QString::fromLatin1(saveGeometry().toBase64()));
    m_driver.stop();
    m_fetcher.abortAll();
    if (Form2* options = Form2::instance()) options->close();
    Form8::unloadInstance();
    frmAbout::unloadInstance();
    event->accept();
    if (frmWebsite::isOpen()) {
        branding().quitWithWebsiteWindow = true;
        return;
    }
    endProgram();
}
