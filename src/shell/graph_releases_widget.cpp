#include "shell/graph_releases_widget.h"

#include "config/app_paths.h"
#include "graph/graph_job.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Column { kRelease, kDate, kFetched, kCounted, kSize };

QString yesOrNo(bool value) { return value ? QStringLiteral("Yes") : QStringLiteral("No"); }
}  // namespace

GraphReleasesWidget::GraphReleasesWidget(QWidget* parent)
    : QGroupBox(QStringLiteral("Web Graph"), parent),
      m_listJob(new GraphJob(this)),
      m_work(GraphWork::forWindow()) {
    if (!m_work) m_work = new GraphWork(this);
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
    cmdGraphCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdGraphCancel->setObjectName(QStringLiteral("cmdGraphCancel"));
    // Enter in the dialog stays with its "Ok".
    for (QPushButton* b : {cmdGraphList, cmdGraphFetch, cmdGraphCount, cmdGraphCancel}) b->setAutoDefault(false);
    lblGraphStatus = new QLabel(this);
    lblGraphStatus->setObjectName(QStringLiteral("lblGraphStatus"));
    lblGraphStatus->setWordWrap(true);
    lblGraphStatus->setText(QStringLiteral("\"Refresh List\" asks the server for the published releases."));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdGraphList);
    buttons->addWidget(cmdGraphFetch);
    buttons->addWidget(cmdGraphCount);
    buttons->addWidget(cmdGraphCancel);
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
    connect(cmdGraphCancel, &QPushButton::clicked, this, &GraphReleasesWidget::cmdGraphCancel_Click);
    connect(lvwGraphReleases, &QTreeWidget::itemSelectionChanged, this, &GraphReleasesWidget::updateButtons);
    connect(m_listJob, &GraphJob::finished, this, &GraphReleasesWidget::listEnded);
    connect(m_work, &GraphWork::started, this, &GraphReleasesWidget::showProgress);
    connect(m_work, &GraphWork::progressed, this, &GraphReleasesWidget::showProgress);
    connect(m_work, &GraphWork::finished, this, &GraphReleasesWidget::workEnded);
    refreshRows();
    if (m_work->isRunning()) showProgress();
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
    const bool idle = !m_work->isRunning();
    cmdGraphList->setEnabled(!m_listJob->isRunning());
    cmdGraphFetch->setEnabled(idle && !items.isEmpty());
    cmdGraphCount->setEnabled(idle && !items.isEmpty() && items.first()->text(kFetched) == yesOrNo(true));
    cmdGraphCancel->setEnabled(!idle);
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

void GraphReleasesWidget::cmdGraphFetch_Click() { startWork(GraphWork::Kind::Fetch); }
void GraphReleasesWidget::cmdGraphCount_Click() { startWork(GraphWork::Kind::Count); }

void GraphReleasesWidget::startWork(GraphWork::Kind kind) {
    const QString release = selectedRelease();
    if (release.isEmpty() || m_work->isRunning()) return;
    m_work->start(kind, release, graphBaseSetting(appPaths::settingsPath()));
    updateButtons();
}

void GraphReleasesWidget::cmdGraphCancel_Click() { m_work->cancel(); }

void GraphReleasesWidget::showProgress() {
    if (m_work->isRunning()) lblGraphStatus->setText(m_work->progressText());
    updateButtons();
}

// Whatever the outcome, the list shows what is on disk now.
void GraphReleasesWidget::workEnded() {
    lblGraphStatus->setText(m_work->endText());
    refreshRows();
}
