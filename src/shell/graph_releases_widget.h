#pragma once

#include "graph/graph_work.h"
#include "graph/release_rows.h"

#include <QGroupBox>

class GraphJob;
class QLabel;
class QPushButton;
class QTreeWidget;

// The "Web Graph" frame of the Options dialog: the releases of the open web
// graph (those here and, once listed, those published) with what of each is
// here, and "Fetch" and "Count" for the chosen one. Listing, fetching and
// counting run quillmark-graph as a child process. A fetch or count is the
// main window's job, not the dialog's: it goes on when the dialog closes, its
// progress shows in the window's status bar, and a dialog opened meanwhile
// shows it too.
class GraphReleasesWidget final : public QGroupBox {
    Q_OBJECT
public:
    explicit GraphReleasesWidget(QWidget* parent = nullptr);
    ~GraphReleasesWidget() override;

    // Fills the list from the cache folder and the releases listed last.
    void refreshRows();
    // The release chosen in the list, or empty.
    QString selectedRelease() const;

private slots:
    void cmdGraphList_Click();   // "Refresh List"
    void cmdGraphFetch_Click();  // "Fetch"
    void cmdGraphCount_Click();  // "Count"
    void cmdGraphCancel_Click(); // "Cancel"

private:
    void listEnded(bool ok);
    void workEnded();
    void startWork(GraphWork::Kind kind);
    void showProgress();
    void updateButtons();

    QList<graphRelease::ListedRelease> m_published;
    GraphJob* m_listJob = nullptr;
    // The window's job; a dialog opened without the window has one of its own.
    GraphWork* m_work = nullptr;

    QTreeWidget* lvwGraphReleases = nullptr;
    QLabel* lblGraphStatus = nullptr;
    QPushButton* cmdGraphList = nullptr;   // "Refresh List"
    QPushButton* cmdGraphFetch = nullptr;  // "Fetch"
    QPushButton* cmdGraphCount = nullptr;  // "Count"
    QPushButton* cmdGraphCancel = nullptr; // "Cancel": ends the fetch or count under way
};
