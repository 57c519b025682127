#pragma once

#include <QGroupBox>
#include <QStringList>

class QAction;
class QListView;
class QMenu;
class QPushButton;
class UrlListModel;

// The frame "URLs": the URL list with its four buttons and its popup menu, and
// the list's commands. Entries are kept exactly as entered; duplicates are fine.
class UrlListFrame final : public QGroupBox {
    Q_OBJECT
public:
    explicit UrlListFrame(QWidget* parent = nullptr);

    QStringList entries() const;
    int count() const;
    int selectedIndex() const;  // -1 when none
    void appendEntries(const QStringList& entries);
    QListView* list() const { return List1; }
    void setListHeight(int heightTwips);

public slots:
    void addUrl();            // "Add URL", "New URL", "Add"
    void deleteSelected();    // "Delete Selected", "Delete"
    void clearList();         // "Clear list", after asking
    void loadList();          // "Load URL List from File", "Load"
    void saveList();          // "Save URL List to File", "Save"
    void importClipboard();   // "Load URL List from Clipboard"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void List1_MouseDown(const QPoint& globalPos);
    bool replaceConfirmed(const QString& path);

    UrlListModel* m_model = nullptr;
    QListView* List1 = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdDel = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdSave = nullptr;
    QMenu* mnuURL = nullptr;
    QAction* mnuURLNewURL = nullptr;
    QAction* mnuDeleteSelect = nullptr;
    QAction* mnuClearList = nullptr;
    QAction* mnuURLLoadUrlList = nullptr;
    QAction* mnuLoadClipboard = nullptr;
    QAction* mnuURLSaveUrlList = nullptr;
};
