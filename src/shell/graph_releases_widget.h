#pragma once

#include "graph/release_rows.h"

#include <QGroupBox>
#include <QPointer>

class GraphJob;
class QLabel;
class QProgressDialog;
class QPushButton;
class QTreeWidget;

// The "Web Graph" frame of the Options dialog: the releases of the open web
// graph (those here and, once listed, those published) with what of each is
// here, and "Fetch" and "Count" for the chosen one. Listing, fetching and
// counting run quillmark-graph as a child process; its progress shows in a
// progress dialog whose "Cancel" ends the child.
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

private:
    void listEnded(bool ok);
    void workEnded(bool ok);
    void startWork(const QString& verb, const QString& command);
    void showProgress(qint64 done, qint64 total);
    void updateButtons();

    QList<graphRelease::ListedRelease> m_published;
    GraphJob* m_listJob = nullptr;
    GraphJob* m_workJob = nullptr;
    QString m_workRelease;
    QString m_workVerb;  // "Fetching", "Counting"
    QPointer<QProgressDialog> m_progress;

    QTreeWidget* lvwGraphReleases = nullptr;
    QLabel* lblGraphStatus = nullptr;
    QPushButton* cmdGraphList = nullptr;   // "Refresh List"
    QPushButton* cmdGraphFetch = nullptr;  // "Fetch"
    QPushButton* cmdGraphCount = nullptr;  // "Count"
};
