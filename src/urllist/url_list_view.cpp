#include "urllist/url_list_view.h"

#include "config/app_paths.h"
#include "platform/ui_platform.h"
#include "desktop/twips.h"
#include "urllist/url_list_file.h"
#include "urllist/url_list_model.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

namespace {

const QString kAppTitle = QStringLiteral("Quillmark");

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QRect& twips) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(twipsToPixels(twips));
    return b;
}

QAction* action(QMenu* menu, const char* name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

}  // namespace

UrlListFrame::UrlListFrame(QWidget* parent) : QGroupBox(QStringLiteral("URLs"), parent) {
    setObjectName(QStringLiteral("Frame1"));
    cmdAdd = button(this, "cmdAdd", QStringLiteral("Add"), {120, 300, 1485, 345});
    cmdDel = button(this, "cmdDel", QStringLiteral("Delete"), {1710, 300, 1485, 345});
    cmdOpen = button(this, "cmdOpen", QStringLiteral("Load"), {120, 630, 1485, 345});
    cmdSave = button(this, "cmdSave", QStringLiteral("Save"), {1710, 630, 1485, 345});

    m_model = new UrlListModel(this);
    List1 = new QListView(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setModel(m_model);
    List1->setUniformItemSizes(true);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setContextMenuPolicy(Qt::NoContextMenu);
    List1->setGeometry(twipsToPixels(QRect(120, 1020, 3075, 4350)));
    List1->viewport()->installEventFilter(this);

    mnuURL = new QMenu(QStringLiteral("URL"), this);
    mnuURL->setObjectName(QStringLiteral("mnuURL"));
    mnuURLNewURL = action(mnuURL, "mnuURLNewURL", QStringLiteral("New URL"));
    mnuURL->addSeparator();
    mnuDeleteSelect = action(mnuURL, "mnuDeleteSelect", QStringLiteral("Delete Selected"));
    mnuDeleteSelect->setShortcut(QKeySequence(Qt::Key_Delete));
    mnuClearList = action(mnuURL, "mnuClearList", QStringLiteral("C&lear list"));
    mnuClearList->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    mnuURL->addSeparator();
    mnuURLLoadUrlList = action(mnuURL, "mnuURLLoadUrlList", QStringLiteral("Load URL List from File"));
    mnuLoadClipboard = action(mnuURL, "mnuLoadClipboard", QStringLiteral("Load URL List from Clipboard"));
    mnuURLSaveUrlList = action(mnuURL, "mnuURLSaveUrlList", QStringLiteral("Save URL List to File"));
    // Del and Shift+Del act while the list has the focus, not while typing elsewhere.
    for (QAction* a : {mnuDeleteSelect, mnuClearList}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        List1->addAction(a);
    }

    // The popup's enabling applies to the popup only; the shortcuts stay live.
    connect(mnuURL, &QMenu::aboutToHide, this, [this] {
        mnuDeleteSelect->setEnabled(true);
        mnuURLSaveUrlList->setEnabled(true);
    });
    connect(cmdAdd, &QPushButton::clicked, this, &UrlListFrame::addUrl);
    connect(mnuURLNewURL, &QAction::triggered, this, &UrlListFrame::addUrl);
    connect(cmdDel, &QPushButton::clicked, this, &UrlListFrame::deleteSelected);
    connect(mnuDeleteSelect, &QAction::triggered, this, &UrlListFrame::deleteSelected);
    connect(mnuClearList, &QAction::triggered, this, &UrlListFrame::clearList);
    connect(cmdOpen, &QPushButton::clicked, this, &UrlListFrame::loadList);
    connect(mnuURLLoadUrlList, &QAction::triggered, this, &UrlListFrame::loadList);
    connect(cmdSave, &QPushButton::clicked, this, &UrlListFrame::saveList);
    connect(mnuURLSaveUrlList, &QAction::triggered, this, &UrlListFrame::saveList);
    connect(mnuLoadClipboard, &QAction::triggered, this, &UrlListFrame::importClipboard);
}

QStringList UrlListFrame::entries() const { return m_model->entries(); }
int UrlListFrame::count() const { return m_model->rowCount(); }

int UrlListFrame::selectedIndex() const {
    const QModelIndexList rows = List1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.constFirst().row();
}

void UrlListFrame::appendEntries(const QStringList& entries) { m_model->append(entries); }

void UrlListFrame::setListHeight(int heightTwips) {
    List1->resize(List1->width(), twipsToPixels(heightTwips));
}

void UrlListFrame::addUrl() {
    const auto answer = platform::ui().inputBox(window(), QStringLiteral("Please enter a URL"),
                                                QStringLiteral("New URL"), QStringLiteral("http://"));
    if (answer && isAcceptableNewUrl(*answer)) appendEntries({*answer});
}

void UrlListFrame::deleteSelected() {
    const int row = selectedIndex();
    if (row < 0) return;
    m_model->removeAt(row);
    // The entry that followed takes the selection; after the last one, none.
    if (row < m_model->rowCount()) {
        List1->setCurrentIndex(m_model->index(row));
    } else {
        List1->selectionModel()->clear();
    }
}

void UrlListFrame::clearList() {
    const auto answer =
        platform::ui().messageBox(window(), QStringLiteral("This will delete all the URLs, Continue?"),
                                  QStringLiteral("Warning"), UiPlatform::Buttons::YesNo, UiPlatform::Icon::None);
    if (answer == UiPlatform::Answer::Yes) m_model->clear();
}

void UrlListFrame::loadList() {
    const auto path = platform::ui().openFileDialog(
        window(), QStringLiteral("Select a file"),
        {{QStringLiteral("Text Files (*.txt)"), QStringLiteral("*.TXT")}}, QString(), appPaths::listsFolder());
    if (!path) return;
    const UrlListRead read = readUrlListFile(*path);
    if (!read.ok) {
        platform::ui().messageBox(window(),
                                  QStringLiteral("The list file %1 could not be read: %2").arg(*path, read.error),
                                  kAppTitle, UiPlatform::Buttons::Ok, UiPlatform::Icon::Warning);
        return;
    }
    appendEntries(read.entries);
}

void UrlListFrame::saveList() {
    const auto chosen = platform::ui().saveFileDialog(
        window(),
        {{QStringLiteral("Text Files (*.txt)"), QStringLiteral("*.TXT")},
         {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}},
        appPaths::listsFolder(), QStringLiteral("txt"));
    if (!chosen || chosen->isEmpty()) return;
    // ".txt" goes on the name chosen, in the folder chosen.
    const QFileInfo info(*chosen);
    const QString path = QDir(info.path()).filePath(withTxtExtension(info.fileName()));
    // The dialog asked about the name chosen; "urls.csv" is written as
    // "urls.csv.txt", which it did not ask about.
    if (path != *chosen && QFileInfo::exists(path) && !replaceConfirmed(path)) return;
    QString error;
    if (!writeUrlListFile(path, entries(), &error)) {
        platform::ui().messageBox(
            window(), QStringLiteral("The URL list could not be saved to %1: %2").arg(path, error), kAppTitle,
            UiPlatform::Buttons::Ok, UiPlatform::Icon::Warning);
    }
}

bool UrlListFrame::replaceConfirmed(const QString& path) {
    const QString question =
        QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName());
    return platform::ui().messageBox(window(), question, QStringLiteral("Warning"), UiPlatform::Buttons::YesNo,
                                     UiPlatform::Icon::Warning) == UiPlatform::Answer::Yes;
}

void UrlListFrame::importClipboard() { appendEntries(clipboardEntries(platform::ui().clipboardText())); }

bool UrlListFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == List1->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::RightButton) {
            List1_MouseDown(e->globalPosition().toPoint());
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

// The popup offers "Delete Selected" only with a selection and its "Save URL
// List to File" only when there is something to save.
void UrlListFrame::List1_MouseDown(const QPoint& globalPos) {
    mnuDeleteSelect->setEnabled(selectedIndex() >= 0);
    mnuURLSaveUrlList->setEnabled(count() > 0);
    mnuURL->popup(globalPos);
}
