#include "shell/about_box.h"

#include "browse/website_window.h"
#include "desktop/branding.h"
#include "desktop/picture_box_widget.h"
#include "desktop/skin_ui.h"
#include "desktop/twips.h"

#include <QShortcut>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>

namespace {
QPointer<frmAbout>& slot() {
    static QPointer<frmAbout> box;
    return box;
}
constexpr int kValueLeft = 3120;
constexpr int kCaptionLeft = 1920;
}  // namespace

frmAbout* frmAbout::showInstance(QWidget* owner) {
    if (!slot()) {
        slot() = new frmAbout(owner);
        slot()->Form_Load();
    }
    slot()->show();
    slot()->raise();
    slot()->activateWindow();
    return slot();
}

frmAbout* frmAbout::instance() { return slot(); }

void frmAbout::unloadInstance() { delete slot().data(); }

frmAbout::frmAbout(QWidget* owner) : QWidget(owner, Qt::Dialog) {
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsToPixels(6240), twipsToPixels(2280));
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    escape->setContext(Qt::WindowShortcut);

    picLogo = new PictureBox(this);
    picLogo->setObjectName(QStringLiteral("picLogo"));
    picLogo->setGeometry(twipsToPixels(QRect(240, 240, 1440, 1440)));
    picLogo->setPicture(QStringLiteral(":/shell/logo.svg"));

    Label1 = makeLabel("Label1", tr("Your Program Name"), kCaptionLeft, 240, 4080);
    Label1->setGeometry(twipsToPixels(QRect(kCaptionLeft, 240, 4080, 480)));
    QFont title = Label1->font();
    title.setPointSizeF(title.pointSizeF() * 1.6);
    title.setBold(true);
    Label1->setFont(title);

    Label2 = makeLabel("Label2", QStringLiteral("Version:"), kCaptionLeft, 960, 1140);
    lblVersion = makeLabel("lblVersion", QString(), kValueLeft, 960, 2880);
    Label3 = makeLabel("Label3", QStringLiteral("Owned By:"), kCaptionLeft, 1320, 1140);
    lblCompany = makeLabel("lblCompany", QString(), kValueLeft, 1320, 2880);
    Label4 = makeLabel("Label4", QStringLiteral("Website:"), kCaptionLeft, 1680, 1140);
    lblWebsite = makeLabel("lblWebsite", QString(), kValueLeft, 1680, 2880);
    QFont link = lblWebsite->font();
    link.setUnderline(true);
    lblWebsite->setFont(link);
    lblWebsite->setStyleSheet(QStringLiteral("color: #1a5fb4;"));
    lblWebsite->setCursor(Qt::PointingHandCursor);
    lblWebsite->installEventFilter(this);

    auto* skin = new SkinLabel(QStringLiteral("SkinLabel1"), 0, this);
    skin->hide();
}

QLabel* frmAbout::makeLabel(const char* name, const QString& caption, int left, int top, int width) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twipsToPixels(QRect(left, top, width, 300)));
    return label;
}

void frmAbout::Form_Load() {
    const BrandingRecord& b = branding();
    setWindowTitle(QStringLiteral("About ") + b.programName);
    Label1->setText(b.programName);
    lblCompany->setText(b.companyName);
    lblVersion->setText(versionText(b));
    lblWebsite->setText(b.websiteAddress);
    if (b.skinEnabled) {
        mirrorLabels(this);
        applySkin(this);
    }
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblWebsite && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblWebsite_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmAbout::lblWebsite_Click() { frmWebsite::showInstance(); }
