#include "browse/website_view_page.h"

#include "browse/website_list.h"
#include "browse/website_pages.h"
#include "config/app_paths.h"
#include "results/column_sort.h"
#include "desktop/twips.h"

#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <cstdlib>

namespace {
// Design positions in twips inside the frame.
constexpr QRect kListRect(60, 240, 8595, 1875);
constexpr QRect kLabelRect(120, 2220, 1215, 255);
constexpr QRect kBoxRect(600, 2160, 4875, 315);
constexpr QRect kGoRect(5520, 2160, 795, 315);
constexpr int kButtonTop = 2520;
constexpr int kButtonSize = 435;
constexpr int kBackLeft = 600, kForwardLeft = 1080, kStopLeft = 1560, kRefreshLeft = 2040;
constexpr QRect kBrowserRect(60, 3000, 8655, 4395);
constexpr int kFrameWidth = 8715, kFrameHeight = 7495;

void placeTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twipsToPixels(QRect(left, top, std::max(width, 0), std::max(height, 0))));
}
}  // namespace

WebsiteViewPage::WebsiteViewPage(WebsiteList& list, QWidget* parent)
    : QGroupBox(QStringLiteral("Results - Website View"), parent), m_list(list) {
    setObjectName(QStringLiteral("Frame4"));
    resize(twipsToPixels(kFrameWidth), twipsToPixels(kFrameHeight));
    buildList();
    buildToolbar();
    buildBrowser();
    layoutPage(kFrameWidth, kFrameHeight);
}

void WebsiteViewPage::buildList() {
    ListView2 = new QTreeView(this);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setRootIsDecorated(false);
    ListView2->setUniformRowHeights(true);
    ListView2->setItemsExpandable(false);
    ListView2->setAllColumnsShowFocus(true);
    ListView2->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView2->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView2->setModel(&m_list);
    placeTwips(ListView2, kListRect.left(), kListRect.top(), kListRect.width(), kListRect.height());

    // The two columns take a quarter and three quarters of the list's width.
    QHeaderView* header = ListView2->header();
    header->setStretchLastSection(false);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    const double quarter = twipsToPixels(kListRect.width()) / 4.0;
    header->resizeSection(WebsiteList::kTypeColumn, static_cast<int>(quarter));
    header->resizeSection(WebsiteList::kUrlColumn, static_cast<int>(quarter * 3));
    connect(header, &QHeaderView::sectionClicked, this, &WebsiteViewPage::ListView2_ColumnClick);
    // A row chosen by mouse or keyboard shows its page once, through the
    // selection; a click on the row already selected shows it again.
    connect(ListView2->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &WebsiteViewPage::ListView2_SelectionChange);
    connect(ListView2, &QTreeView::clicked, this, &WebsiteViewPage::ListView2_ItemClick);
    ListView2->installEventFilter(this);
    ListView2->viewport()->installEventFilter(this);
}

QPushButton* WebsiteViewPage::pictureButton(const char* name, const char* icon, const QString& tip) {
    auto* button = new QPushButton(this);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(QStringLiteral(":/website_view/%1.svg").arg(QLatin1String(icon))));
    button->setIconSize(QSize(18, 18));
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void WebsiteViewPage::buildToolbar() {
    Label5 = new QLabel(QStringLiteral("URL:"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    placeTwips(Label5, kLabelRect.left(), kLabelRect.top(), kLabelRect.width(), kLabelRect.height());

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    connect(Text1, &QLineEdit::returnPressed, this, &WebsiteViewPage::Text1_KeyPress);

    Command10 = pictureButton("Command10", "go", QStringLiteral("browse the entered url"));
    Command10->setIconSize(QSize(28, 14));
    Command8 = pictureButton("Command8", "back", QStringLiteral("back"));
    Command9 = pictureButton("Command9", "forward", QStringLiteral("forward"));
    Command11 = pictureButton("Command11", "stop", QStringLiteral("stop"));
    Command70 = pictureButton("Command70", "refresh", QStringLiteral("refresh"));
    placeTwips(Command8, kBackLeft, kButtonTop, kButtonSize, kButtonSize);
    placeTwips(Command9, kForwardLeft, kButtonTop, kButtonSize, kButtonSize);
    placeTwips(Command11, kStopLeft, kButtonTop, kButtonSize, kButtonSize);
    placeTwips(Command70, kRefreshLeft, kButtonTop, kButtonSize, kButtonSize);
    connect(Command10, &QPushButton::clicked, this, &WebsiteViewPage::Command10_Click);
    connect(Command8, &QPushButton::clicked, this, &WebsiteViewPage::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &WebsiteViewPage::Command9_Click);
    connect(Command11, &QPushButton::clicked, this, &WebsiteViewPage::Command11_Click);
    connect(Command70, &QPushButton::clicked, this, &WebsiteViewPage::Command70_Click);
}

void WebsiteViewPage::buildBrowser() {
    WebBrowser1 = new QWebEngineView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    connect(WebBrowser1->page(), &QWebEnginePage::linkHovered, this,
            &WebsiteViewPage::WebBrowser1_StatusTextChange);
    connect(WebBrowser1, &QWebEngineView::loadStarted, this, &WebsiteViewPage::WebBrowser1_DownloadBegin);
    connect(WebBrowser1, &QWebEngineView::loadFinished, this,
            &WebsiteViewPage::WebBrowser1_DownloadComplete);
}

void WebsiteViewPage::layoutPage(int frameWidthTwips, int frameHeightTwips) {
    const int listWidth = std::abs(frameWidthTwips - 2 * kListRect.left());
    placeTwips(ListView2, kListRect.left(), kListRect.top(), listWidth, kListRect.height());
    // A frame too narrow for the box leaves it empty rather than negative.
    const int boxWidth =
        std::max(frameWidthTwips - kBoxRect.left() - 300 - kGoRect.width(), 0);
    placeTwips(Text1, kBoxRect.left(), kBoxRect.top(), boxWidth, kBoxRect.height());
    placeTwips(Command10, boxWidth + kBoxRect.left() + 100, kGoRect.top(), kGoRect.width(),
               kGoRect.height());
    const int browserHeight = std::abs(frameHeightTwips - kBrowserRect.top() - 100);
    placeTwips(WebBrowser1, kBrowserRect.left(), kBrowserRect.top(), listWidth, browserHeight);
}

void WebsiteViewPage::navigate(const QString& address) {
    m_lastNavigation = address;
    emit navigating(address);
    // The browser reads the text as a user's typed address would be read, so a
    // bare host name opens as a web address.
    WebBrowser1->setUrl(QUrl::fromUserInput(address));
}

void WebsiteViewPage::navigateBlank() { navigate(QStringLiteral("about:blank")); }

int WebsiteViewPage::selectedRow() const {
    const QModelIndexList selected = ListView2->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void WebsiteViewPage::showSelectedPage() {
    // Read before the selection is looked at, so every click sees the file as it is now.
    const EngineTemplates templates = readEngineTemplates(appPaths::settingsPath());
    const int row = selectedRow();
    if (row < 0) return;
    const QString address = m_list.cell(row, WebsiteList::kUrlColumn);
    const QString type = m_list.cell(row, WebsiteList::kTypeColumn);
    if (const auto page = websitePageAddress(type, address, templates))
        navigate(*page);
    else if (const QString source = m_list.tag(row, WebsiteList::kTypeColumn); !source.isEmpty())
        navigate(source);  // a source's page, set by the scan
}

void WebsiteViewPage::ListView2_ItemClick(const QModelIndex& index) {
    if (index.row() == m_rowAtPress) showSelectedPage();
}

void WebsiteViewPage::ListView2_SelectionChange() {
    if (selectedRow() >= 0) showSelectedPage();
}

bool WebsiteViewPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView2->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_rowAtPress = selectedRow();
    } else if (watched == ListView2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            showSelectedPage();  // as a click on the selected row
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void WebsiteViewPage::ListView2_ColumnClick(int section) {
    EnhListView_SortColumns(m_list, section + 1, false);
}

bool WebsiteViewPage::showWebResults(const QString& address) {
    const int row = firstRowForAddress(m_list, address);
    if (row < 0) return false;
    const QModelIndex index = m_list.index(row, 0);
    const bool alreadySelected = selectedRow() == row;
    // Selecting a row shows its page; a row already selected is shown again.
    ListView2->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView2->scrollTo(index, QAbstractItemView::PositionAtTop);
    if (alreadySelected) showSelectedPage();
    return true;
}

void WebsiteViewPage::Command10_Click() { navigate(Text1->text()); }
void WebsiteViewPage::Text1_KeyPress() { Command10_Click(); }
// History and loading commands do nothing when there is nothing to act on.
void WebsiteViewPage::Command8_Click() { WebBrowser1->back(); }
void WebsiteViewPage::Command9_Click() { WebBrowser1->forward(); }
void WebsiteViewPage::Command11_Click() { WebBrowser1->stop(); }
void WebsiteViewPage::Command70_Click() { WebBrowser1->reload(); }

void WebsiteViewPage::WebBrowser1_StatusTextChange(const QString& text) {
    emit statusPanel1Changed(text);
}

void WebsiteViewPage::WebBrowser1_DownloadBegin() {
    emit statusPanel2Changed(QStringLiteral("Opening ") + browserLocationText(WebBrowser1->url()));
}

// The panel's "Opening" is cleared once the page has loaded: the progress bar
// that would cover it shows only while a scan runs.
void WebsiteViewPage::WebBrowser1_DownloadComplete() {
    Text1->setText(browserLocationText(WebBrowser1->url()));
    emit statusPanel2Changed(QString());
}
