#include "shell/main_status_bar_widget.h"

#include "shell/graph_job_status_widget.h"
#include "shell/status_note_widget.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>

MainStatusBar::MainStatusBar(GraphWork& work, QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    setSizeGripEnabled(false);
    m_panel1 = new QLabel(this);
    m_panel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    m_panel2 = new QLabel(this);
    m_panel2->setObjectName(QStringLiteral("StatusBar1Panel2"));
    addWidget(m_panel1, 3);
    addWidget(m_panel2, 2);
    // A click reads all of it.
    m_sourceNote = new StatusNote(QStringLiteral("StatusBar1SourceErrors"), QStringLiteral("Information"), this);
    addPermanentWidget(m_sourceNote, 3);
    m_sourceNote->hide();
    m_graphJob = new GraphJobStatus(work, this);
    addPermanentWidget(m_graphJob, 4);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    // The bar lays its panels out after the window does: the progress bar
    // follows the second panel wherever it goes.
    m_panel2->installEventFilter(this);
    dockProgressBar();
}

QString MainStatusBar::panelText(int panel) const { return panel == 1 ? m_panel1->text() : m_panel2->text(); }

void MainStatusBar::addSourceError(const QString& text) {
    m_sourceErrors << text;
    m_sourceNote->setParts(m_sourceErrors);
    m_sourceNote->setToolTip(m_sourceErrors.join(QLatin1Char('\n')));
    m_sourceNote->show();
}

void MainStatusBar::clearSourceErrors() {
    if (m_sourceErrors.isEmpty()) return;
    m_sourceErrors.clear();
    m_sourceNote->clear();
    m_sourceNote->hide();
}

void MainStatusBar::setScanProgress(int value, int maximum) {
    ProgressBar1->setMaximum(maximum);
    ProgressBar1->setValue(value);
}

void MainStatusBar::setScanProgressVisible(bool visible) { ProgressBar1->setVisible(visible); }

// While a scan runs no text of the second panel shows beside the bar.
void MainStatusBar::dockProgressBar() {
    ProgressBar1->setGeometry(m_panel2->geometry());
    ProgressBar1->raise();
}

bool MainStatusBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_panel2 && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) emit panelsMoved();
    return QStatusBar::eventFilter(watched, event);
}
