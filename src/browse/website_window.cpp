#include "browse/website_window.h"

#include "browse/website_layout.h"
#include "browse/website_pages.h"
#include "desktop/branding.h"
#include "desktop/on_top_ui.h"
#include "desktop/program_end_ui.h"
#include "desktop/skin_ui.h"
#include "desktop/twips.h"

#include <QWebEngineLoadingInfo>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace websiteDesign;

namespace {
QPointer<frmWebsite>& slot() {
    static QPointer<frmWebsite> window;
    return window;
}
constexpr int kStatusBarHeight = 345;
}  // namespace

frmWebsite* frmWebsite::showInstance() {
    if (!slot()) {
        slot() = new frmWebsite();
        // A window still open when the event loop ends goes before the
        // application object does: its browser must not outlive the engine.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, slot(), [] { unloadInstance(); });
        slot()->Form_Load();
    }
    slot()->show();
    slot()->raise();
    slot()->activateWindow();
    return slot();
}

frmWebsite* frmWebsite::instance() { return slot(); }

bool frmWebsite::isOpen() { return slot() && slot()->isVisible(); }

void frmWebsite::unloadInstance() { delete slot().data(); }

frmWebsite::frmWebsite() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("frmWebsite"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(twipsToPixels(kDesignWidth), twipsToPixels(kDesignHeight));
    buildControls();
}

void frmWebsite::buildControls() {
    frmBrowser = new QGroupBox(QStringLiteral("Browser"), this);
    frmBrowser->setObjectName(QStringLiteral("frmBrowser"));
    frmBrowser->move(twipsToPixels(kFrameLeft), twipsToPixels(kFrameTop));

    Label5 = new QLabel(QStringLiteral("URL:"), frmBrowser);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(twipsToPixels(QRect(kLabelLeft, kLabelTop, 420, 255)));
    Text1 = new QLineEdit(frmBrowser);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsToPixels(QRect(kAddressLeft, kAddressTop, 4875, kAddressHeight)));
    connect(Text1, &QLineEdit::returnPressed, this, &frmWebsite::Text1_KeyPress);

    Command3 = makeButton("Command3", QStringLiteral("browse the entered url"), QStringLiteral("go"), 0);
    Command3->setGeometry(twipsToPixels(QRect(kAddressLeft + 4875 + 100, kAddressTop, kGoWidth, kGoHeight)));
    Command4 = makeButton("Command4", QStringLiteral("back"), QStringLiteral("back"), kBackLeft);
    Command5 = makeButton("Command5", QStringLiteral("forward"), QStringLiteral("forward"), kForwardLeft);
    Command6 = makeButton("Command6", QStringLiteral("stop"), QStringLiteral("stop"), kStopLeft);
    Command7 = makeButton("Command7", QStringLiteral("refresh"), QStringLiteral("refresh"), kRefreshLeft);
    connect(Command3, &QPushButton::clicked, this, &frmWebsite::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmWebsite::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmWebsite::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &frmWebsite::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &frmWebsite::Command7_Click);

    WebBrowser1 = new QWebEngineView(frmBrowser);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->move(twipsToPixels(kBrowserLeft), twipsToPixels(kBrowserTop));
    connect(WebBrowser1->page(), &QWebEnginePage::linkHovered, this,
            &frmWebsite::WebBrowser1_StatusTextChange);
    connect(WebBrowser1, &QWebEngineView::loadStarted, this, &frmWebsite::WebBrowser1_DownloadBegin);
    connect(WebBrowser1, &QWebEngineView::loadFinished, this, &frmWebsite::WebBrowser1_DownloadComplete);
    // The browser's reason for a page that did not load, said with its end.
    connect(WebBrowser1->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) m_loadError.clear();
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) m_loadError = info.errorString();
    });

    auto* skin = new SkinLabel(QStringLiteral("SkinLabel1"), 0, frmBrowser);
    skin->hide();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(twipsToPixels(kStatusBarHeight));
    m_panel1 = new QLabel(StatusBar1);
    m_panel1->setObjectName(QStringLiteral("panel1"));
    StatusBar1->addWidget(m_panel1);
}

QPushButton* frmWebsite::makeButton(const char* name, const QString& tip, const QString& icon, int left) {
    auto* button = new QPushButton(frmBrowser);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    button->setIcon(QIcon(QStringLiteral(":/website_window/%1.svg").arg(icon)));
    button->setIconSize(QSize(20, 20));
    button->setGeometry(twipsToPixels(QRect(left, kButtonTop, kButtonSize, kButtonSize)));
    return button;
}

void frmWebsite::Form_Load() {
    loadBranding();
    m_panel2 = new QLabel(StatusBar1);
    m_panel2->setObjectName(QStringLiteral("panel2"));
    StatusBar1->addWidget(m_panel2);
    const BrandingRecord& b = branding();
    setWindowTitle(b.websiteAddress);
    // On top while it opens, then ordinary: the new window comes to the front once.
    setOnTop(this, true);
    if (b.skinEnabled) {
        mirrorLabels(this);
        applySkin(this);
    }
    WebBrowser1->setUrl(QUrl::fromUserInput(b.websiteAddress));
    setWindowState(windowState() | Qt::WindowMaximized);
    setOnTop(this, false);
    Form_Resize();
}

void frmWebsite::Form_Resize() {
    const QSize outer = frameGeometry().size();
    const int barHeight = StatusBar1->height();
    const WebsiteLayout l =
        layoutWebsiteWindow(pixelsToTwips(outer.width()), pixelsToTwips(outer.height()), pixelsToTwips(barHeight));
    StatusBar1->setGeometry(0, height() - barHeight, width(), barHeight);
    StatusBar1->raise();
    m_panel1->setFixedWidth(twipsToPixels(l.panel1Width));
    if (m_panel2)
        m_panel2->setFixedWidth(twipsToPixels(l.panel2Width));
    frmBrowser->resize(twipsToPixels(l.frameWidth), twipsToPixels(l.frameHeight));
    Text1->resize(twipsToPixels(l.addressWidth), Text1->height());
    Command3->move(twipsToPixels(l.goLeft), Command3->y());
    WebBrowser1->resize(twipsToPixels(l.browserWidth), twipsToPixels(l.browserHeight));
}

void frmWebsite::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmWebsite::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Form_Resize();
}

void frmWebsite::closeEvent(QCloseEvent* event) {
    event->accept();
    if (branding().quitWithWebsiteWindow)
        endProgram();
}

QString frmWebsite::statusPanelText(int panel) const {
    const QLabel* label = panel == 1 ? m_panel1 : panel == 2 ? m_panel2 : nullptr;
    return label ? label->text() : QString();
}

void frmWebsite::setPanelText(int panel, const QString& text) {
    QLabel* label = panel == 1 ? m_panel1 : m_panel2;
    if (!label)
        return;
    label->setText(text);
    emit statusPanelChanged(panel, text);
}

QString frmWebsite::currentLocation() const { return browserLocationText(WebBrowser1->url()); }

void frmWebsite::Command3_Click() { WebBrowser1->setUrl(QUrl::fromUserInput(Text1->text())); }

// The history commands do nothing where there is nowhere to go.
void frmWebsite::Command4_Click() { WebBrowser1->back(); }
void frmWebsite::Command5_Click() { WebBrowser1->forward(); }
void frmWebsite::Command6_Click() { WebBrowser1->stop(); }
void frmWebsite::Command7_Click() { WebBrowser1->reload(); }

void frmWebsite::Text1_KeyPress() { Command3_Click(); }

void frmWebsite::WebBrowser1_StatusTextChange(const QString& text) { setPanelText(1, text); }

void frmWebsite::WebBrowser1_DownloadBegin() {
    setPanelText(2, QStringLiteral("Opening ") + currentLocation());
}

void frmWebsite::WebBrowser1_DownloadComplete(bool ok) {
    const QString location = currentLocation();
    if (ok) {
        setPanelText(2, QStringLiteral("Completed ") + location);
    } else {
        const QString reason = m_loadError.isEmpty() ? QStringLiteral("the page did not load") : m_loadError;
        setPanelText(2, QStringLiteral("Failed ") + location + QStringLiteral(": ") + reason);
    }
    Text1->setText(location);
    setWindowTitle(WebBrowser1->title());
}
