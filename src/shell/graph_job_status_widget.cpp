#include "shell/graph_job_status_widget.h"

#include "graph/graph_work.h"
#include "shell/status_note_widget.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QToolButton>

namespace {
constexpr int kBarSteps = 1000;
}

GraphJobStatus::GraphJobStatus(GraphWork& work, QWidget* parent) : QWidget(parent), m_work(work) {
    setObjectName(QStringLiteral("StatusBar1GraphJob"));
    lblGraphJob = new StatusNote(QStringLiteral("lblGraphJob"), QStringLiteral("Web Graph"), this);
    pbGraphJob = new QProgressBar(this);
    pbGraphJob->setObjectName(QStringLiteral("pbGraphJob"));
    pbGraphJob->setRange(0, kBarSteps);
    pbGraphJob->setTextVisible(false);
    pbGraphJob->setFixedWidth(fontMetrics().averageCharWidth() * 8);
    // Room for the figures of a long job; anything longer is read by a click.
    lblGraphJob->setMinimumWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("Web graph fetch: 999 of 18,000 MB, 9.9 MB/s, 9 h 59 min left")));
    pbGraphJob->setMaximumHeight(fontMetrics().height());
    cmdGraphJobCancel = new QToolButton(this);
    cmdGraphJobCancel->setObjectName(QStringLiteral("cmdGraphJobCancel"));
    cmdGraphJobCancel->setText(QStringLiteral("Cancel"));
    cmdGraphJobCancel->setToolTip(QStringLiteral("Ends the web graph's job"));
    cmdGraphJobClose = new QToolButton(this);
    cmdGraphJobClose->setObjectName(QStringLiteral("cmdGraphJobClose"));
    cmdGraphJobClose->setText(QStringLiteral("x"));
    cmdGraphJobClose->setToolTip(QStringLiteral("Close"));
    cmdGraphJobClose->setAutoRaise(true);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(lblGraphJob, 1);
    row->addWidget(pbGraphJob);
    row->addWidget(cmdGraphJobCancel);
    row->addWidget(cmdGraphJobClose);

    m_hideLater.setSingleShot(true);
    m_hideLater.setInterval(kOutcomeShownMs);
    connect(&m_hideLater, &QTimer::timeout, this, &QWidget::hide);
    connect(cmdGraphJobCancel, &QToolButton::clicked, this, &GraphJobStatus::cmdGraphJobCancel_Click);
    connect(cmdGraphJobClose, &QToolButton::clicked, this, &GraphJobStatus::cmdGraphJobClose_Click);
    connect(&m_work, &GraphWork::started, this, &GraphJobStatus::showStarted);
    connect(&m_work, &GraphWork::progressed, this, &GraphJobStatus::showProgress);
    connect(&m_work, &GraphWork::finished, this, &GraphJobStatus::showEnd);
    hide();
}

QString GraphJobStatus::text() const { return lblGraphJob->text(); }

void GraphJobStatus::showStarted() {
    m_hideLater.stop();
    pbGraphJob->setValue(0);
    pbGraphJob->show();
    cmdGraphJobCancel->show();
    cmdGraphJobCancel->setEnabled(true);
    cmdGraphJobClose->hide();
    showProgress();
    show();
}

void GraphJobStatus::showProgress() {
    lblGraphJob->setText(m_work.shortProgressText());
    lblGraphJob->setToolTip(m_work.progressText());
    if (m_work.total() > 0)
        pbGraphJob->setValue(static_cast<int>(std::min<qint64>(kBarSteps, m_work.done() * kBarSteps / m_work.total())));
}

void GraphJobStatus::showEnd(bool ok) {
    lblGraphJob->setText(m_work.endText());
    lblGraphJob->setToolTip(lblGraphJob->text());
    pbGraphJob->hide();
    cmdGraphJobCancel->hide();
    cmdGraphJobClose->show();
    show();
    // A failure stays until it is read and closed.
    if (ok || m_work.wasCancelled()) m_hideLater.start();
}

// The child is asked to end; the line says so when it has.
void GraphJobStatus::cmdGraphJobCancel_Click() {
    cmdGraphJobCancel->setEnabled(false);
    m_work.cancel();
}

void GraphJobStatus::cmdGraphJobClose_Click() {
    m_hideLater.stop();
    hide();
}
