#include "shell/graph_releases_widget.h"

#include "config/app_paths.h"
#include "graph/graph_job.h"
#include "platform/ui_platform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Column { kRelease, kDate, kFetched, kCounted, kSize };

QString yesOrNo(bool value) { return value ? QStringLiteral("Yes") : QStringLiteral("No"); }

QString megabytes(qint64 bytes) { return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1); }
}  // namespace

GraphReleasesWidget::GraphReleasesWidget(QWidget* parent)
    : QGroupBox(QStringLiteral("Web Graph"), parent),
      m_listJob(new GraphJob(this)),
      m_workJob(new GraphJob(this)) {
    setObjectName(QStringLiteral("Frame4"));
    lvwGraphReleases = new QTreeWidget(this);
    lvwGraphReleases->setObjectName(QStringLiteral("lvwGraphReleases"));
    lvwGraphReleases->setHeaderLabels(
        {QStringLiteral("Release"), QStringLiteral("Date"), QStringLiteral("Fetched"), QStringLiteral("Counted"),
         QStringLiteral("Size on Disk")});
    lvwGraphReleases->setRootIsDecorated(false);
    lvwGraphReleases->setUniformRowHeights(true);
    lvwGraphReleases->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwGraphReleases->header()->setStretchLastSection(false);
    lvwGraphReleases->header()->setSectionResizeMode(kRelease, QHeaderView::Stretch);
    for (int column : {kDate, kFetched, kCounted, kSize})
        lvwGraphReleases->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    lvwGraphReleases->setFixedHeight(lvwGraphReleases->fontMetrics().height() * 7);

    cmdGraphList = new QPushButton(QStringLiteral("Refresh List"), this);
    cmdGraphList->setObjectName(QStringLiteral("cmdGraphList"));
    cmdGraphFetch = new QPushButton(QStringLiteral("Fetch"), this);
    cmdGraphFetch->setObjectName(QStringLiteral("cmdGraphFetch"));
    cmdGraphCount = new QPushButton(QStringLiteral("Count"), this);
    cmdGraphCount->setObjectName(QStringLiteral("cmdGraphCount"));
    // Enter in the dialog stays with its "Ok".
    for (QPushButton* b : {cmdGraphList, cmdGraphFetch, cmdGraphCount}) b->setAutoDefault(false);
    lblGraphStatus = new QLabel(this);
    lblGraphStatus->setObjectName(QStringLiteral("lblGraphStatus"));
    lblGraphStatus->setWordWrap(true);
    lblGraphStatus->setText(QStringLiteral("\"Refresh List\" asks the server for the published releases."));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdGraphList);
    buttons->addWidget(cmdGraphFetch);
    buttons->addWidget(cmdGraphCount);
    buttons->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(lvwGraphReleases, 1);
    row->addLayout(buttons);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(lblGraphStatus);

    connect(cmdGraphList, &QPushButton::clicked, this, &GraphReleasesWidget::cmdGraphList_Click);
    connect(cmdGraphFetch, &QPushButton::clicked, this, &GraphReleasesWidget::cmdGraphFetch_Click);
    connect(cmdGraphCount, &QPushButton::clicked, this, &GraphReleasesWidget::cmdGraphCount_Click);
    connect(lvwGraphReleases, &QTreeWidget::itemSelectionChanged, this, &GraphReleasesWidget::updateButtons);
    connect(m_listJob, &GraphJob::finished, this, &GraphReleasesWidget::listEnded);
    connect(m_workJob, &GraphJob::finished, this, &GraphReleasesWidget::workEnded);
    connect(m_workJob, &GraphJob::progress, this, &GraphReleasesWidget::showProgress);
    refreshRows();
}

GraphReleasesWidget::~GraphReleasesWidget() = default;

void GraphReleasesWidget::refreshRows() {
    const QString chosen = selectedRelease();
    lvwGraphReleases->clear();
    for (const graphRelease::ReleaseRow& r : graphRelease::releaseRows(m_published)) {
        auto* item = new QTreeWidgetItem(lvwGraphReleases);
        item->setText(kRelease, r.id);
        item->setText(kDate, r.date ? r.date->toString(Qt::ISODate) : QString());
        item->setText(kFetched, yesOrNo(r.fetched));
        item->setText(kCounted, yesOrNo(r.counted));
        item->setText(kSize, graphRelease::sizeText(r.bytesOnDisk));
        item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        if (r.id == chosen) item->setSelected(true);
    }
    if (lvwGraphReleases->selectedItems().isEmpty() && lvwGraphReleases->topLevelItemCount() > 0)
        lvwGraphReleases->topLevelItem(0)->setSelected(true);
    updateButtons();
}

QString GraphReleasesWidget::selectedRelease() const {
    const QList<QTreeWidgetItem*> items = lvwGraphReleases->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text(kRelease);
}

void GraphReleasesWidget::updateButtons() {
    const QList<QTreeWidgetItem*> items = lvwGraphReleases->selectedItems();
    const bool idle = !m_workJob->isRunning();
    cmdGraphList->setEnabled(!m_listJob->isRunning());
    cmdGraphFetch->setEnabled(idle && !items.isEmpty());
    cmdGraphCount->setEnabled(idle && !items.isEmpty() && items.first()->text(kFetched) == yesOrNo(true));
}

void GraphReleasesWidget::cmdGraphList_Click() {
    if (m_listJob->isRunning()) return;
    lblGraphStatus->setText(QStringLiteral("Asking the server for the published releases..."));
    m_listJob->start({QStringLiteral("list")}, graphBaseSetting(appPaths::settingsPath()));
    updateButtons();
}

void GraphReleasesWidget::listEnded(bool ok) {
    if (ok) {
        m_published = graphRelease::parseListOutput(m_listJob->standardOutput());
        lblGraphStatus->setText(m_published.size() == 1
                                    ? QStringLiteral("1 release is published.")
                                    : QStringLiteral("%1 releases are published.").arg(m_published.size()));
    } else {
        lblGraphStatus->setText(
            QStringLiteral("The published releases could not be listed: %1").arg(m_listJob->lastError()));
    }
    refreshRows();
}

void GraphReleasesWidget::cmdGraphFetch_Click() { startWork(QStringLiteral("Fetching"), QStringLiteral("fetch")); }
void GraphReleasesWidget::cmdGraphCount_Click() { startWork(QStringLiteral("Counting"), QStringLiteral("count")); }

void GraphReleasesWidget::startWork(const QString& verb, const QString& command) {
    const QString release = selectedRelease();
    if (release.isEmpty() || m_workJob->isRunning()) return;
    m_workRelease = release;
    m_workVerb = verb;
    auto* progress = new QProgressDialog(QStringLiteral("%1 %2...").arg(verb, release), QStringLiteral("Cancel"), 0,
                                         1000, window());
    progress->setObjectName(QStringLiteral("dlgGraphProgress"));
    progress->setWindowTitle(QStringLiteral("Web Graph"));
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    progress->setWindowModality(Qt::WindowModal);
    progress->setValue(0);
    // "Cancel" ends the child; the dialog goes when the child has ended.
    connect(progress, &QProgressDialog::canceled, m_workJob, &GraphJob::cancel);
    m_progress = progress;
    m_workJob->start({command, release}, graphBaseSetting(appPaths::settingsPath()));
    progress->show();
    updateButtons();
}

void GraphReleasesWidget::showProgress(qint64 done, qint64 total) {
    if (!m_progress || total <= 0) return;
    m_progress->setValue(static_cast<int>(std::min<qint64>(1000, done * 1000 / total)));
    m_progress->setLabelText(
        QStringLiteral("%1 %2: %3 of %4 MB").arg(m_workVerb, m_workRelease, megabytes(done), megabytes(total)));
}

void GraphReleasesWidget::workEnded(bool ok) {
    if (m_progress) m_progress->close();
    const QString release = m_workRelease;
    if (ok) {
        lblGraphStatus->setText(m_workVerb == QLatin1String("Fetching")
                                    ? QStringLiteral("%1 is fetched and counted.").arg(release)
                                    : QStringLiteral("%1 is counted.").arg(release));
    } else if (m_workJob->wasCancelled()) {
        lblGraphStatus->setText(m_workVerb == QLatin1String("Fetching")
                                    ? QStringLiteral("The fetch of %1 was cancelled; \"Fetch\" goes on from where it "
                                                     "stopped.")
                                          .arg(release)
                                    : QStringLiteral("The count of %1 was cancelled; it has no index.").arg(release));
    }
    refreshRows();
    if (!ok && !m_workJob->wasCancelled())
        platform::ui().messageBox(window(), m_workJob->lastError(), QStringLiteral("Web Graph"),
                                  UiPlatform::Buttons::Ok, UiPlatform::Icon::Warning);
}
