#include "shell/splash_window.h"

#include "desktop/branding.h"
#include "desktop/picture_box_widget.h"
#include "desktop/skin_ui.h"
#include "desktop/twips.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QScreen>
#include <QTimer>

namespace {
QPointer<frmSplash>& slot() {
    static QPointer<frmSplash> splash;
    return splash;
}

// The skin lives on the splash window; loading it sets the program's skin.
// Its timer is stopped so that it never opens the main window from there.
void loadSkinFromSplash() {
    frmSplash* splash = frmSplash::loadInstance();
    splash->stopTimer();
    splash->hide();
}
const bool skinLoaderSet = (setSkinLoader(&loadSkinFromSplash), true);
}  // namespace

frmSplash* frmSplash::loadInstance(OpenMainWindow openMainWindow) {
    if (!slot()) {
        slot() = new frmSplash(std::move(openMainWindow));
        slot()->Form_Load();
    }
    return slot();
}

frmSplash* frmSplash::instance() { return slot(); }

void frmSplash::unloadInstance() { delete slot().data(); }

frmSplash::frmSplash(OpenMainWindow openMainWindow)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint),
      m_openMainWindow(std::move(openMainWindow)) {
    setObjectName(QStringLiteral("frmSplash"));
    setWindowIcon(QIcon(QStringLiteral(":/shell/app_icon.svg")));
    resize(twipsToPixels(7200), twipsToPixels(4500));
    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(rect());
    Image1->setPicture(QStringLiteral(":/shell/splash.svg"));
    skn = new Skin(this);
    skn->setObjectName(QStringLiteral("skn"));
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(2);
    connect(Timer2, &QTimer::timeout, this, &frmSplash::Timer2_Timer);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

frmSplash::~frmSplash() {
    if (programSkin() == skn)
        setProgramSkin(nullptr);
}

void frmSplash::Form_Load() {
    branding().quitWithWebsiteWindow = false;
    loadBranding();
    if (branding().skinEnabled) {
        setProgramSkin(skn);
        applySkin(this);
        SkinGlobal().setSkin(skn);
        SkinGlobal().start();  // a skin that cannot start leaves the program unskinned
    }
    Timer2->start();
}

void frmSplash::stopTimer() { Timer2->stop(); }

bool frmSplash::timerActive() const { return Timer2->isActive(); }

void frmSplash::Timer2_Timer() {
    const qint16 n = intTemp;
    intTemp = static_cast<qint16>(intTemp + 2);
    if (n != kLastTick)
        return;
    Timer2->stop();
    if (m_openMainWindow)
        m_openMainWindow();
    hide();
}
