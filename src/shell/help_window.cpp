#include "shell/help_window.h"

#include "config/app_paths.h"
#include "config/settings_table.h"
#include "desktop/branding.h"
#include "shell/file_exists.h"
#include "shell/help_placement.h"
#include "desktop/on_top_ui.h"
#include "shell/rtf_document_ui.h"
#include "desktop/skin_ui.h"
#include "desktop/twips.h"

#include <QShortcut>
#include <QCheckBox>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
QPointer<Form8>& slot() {
    static QPointer<Form8> window;
    return window;
}
}  // namespace

Form8* Form8::showInstance(QWidget* owner) {
    if (!slot()) {
        auto* window = new Form8(owner);
        if (!window->Form_Load()) {
            delete window;
            return nullptr;
        }
        slot() = window;
    }
    slot()->show();
    slot()->raise();
    slot()->activateWindow();
    return slot();
}

Form8* Form8::showAtStart(QWidget* mainWindow, const QWidget* urlFrame, const QWidget* keepClear) {
    Form8* help = showInstance(mainWindow);
    if (!help)
        return nullptr;
    const QRect frame = help->frameGeometry();
    HelpPlacementInput in;
    in.screen = mainWindow->screen()->availableGeometry();
    in.mainWindow = mainWindow->frameGeometry();
    in.urlFrame = QRect(urlFrame->mapToGlobal(QPoint(0, 0)), urlFrame->size());
    in.keepClearTo = keepClear->mapToGlobal(QPoint(0, keepClear->height() - 1)).y();
    in.help = frame.size();
    const QRect place = placeHelpWindow(in);
    help->resize(place.size() - (frame.size() - help->size()));
    help->move(place.topLeft());
    return help;
}

Form8* Form8::instance() { return slot(); }

void Form8::unloadInstance() { delete slot().data(); }

Form8::Form8(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Readme/Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(twipsToPixels(9600), twipsToPixels(7680));
    // Escape closes it, as it would a dialog.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    escape->setContext(Qt::WindowShortcut);

    rtf1 = new QTextBrowser(this);
    rtf1->setObjectName(QStringLiteral("rtf1"));
    rtf1->setReadOnly(true);
    rtf1->setOpenLinks(false);
    Check1 = new QCheckBox(QStringLiteral("Show at Startup"), this);
    Check1->setObjectName(QStringLiteral("Check1"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(twipsToPixels(120), twipsToPixels(120), twipsToPixels(120), twipsToPixels(60));
    layout->addWidget(rtf1, 1);
    layout->addWidget(Check1);
}

// Every step after the file check goes on whatever the previous one did: a
// help file that reads badly still gives a window with what could be read.
bool Form8::Form_Load() {
    if (branding().skinEnabled)
        applySkin(this);
    const QString path = findFileIgnoringCase(appPaths::helpPath());
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        loadHelpText(*rtf1->document(), file.readAll());
    rtf1->moveCursor(QTextCursor::Start);
    setOnTop(this, true);
    Check1->setChecked(settings::flag(Setting::ShowHelp));
    Check1_Click();
    connect(Check1, &QCheckBox::toggled, this, &Form8::Check1_Click);
    return true;
}

void Form8::Check1_Click() {
    settings::saveFlag(Setting::ShowHelp, Check1->isChecked());
}
