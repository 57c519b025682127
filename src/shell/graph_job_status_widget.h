#pragma once

#include <QTimer>
#include <QWidget>

class GraphWork;
class QProgressBar;
class QToolButton;
class StatusNote;

// The web graph job in the main window's status bar: while it runs, how far
// it is (MB, rate, time left) and "Cancel"; once it has ended, how it ended,
// until closed ("x"), or for kOutcomeShownMs when it went well. Hidden while
// there is nothing to say.
class GraphJobStatus final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOutcomeShownMs = 30000;

    GraphJobStatus(GraphWork& work, QWidget* parent = nullptr);

    QString text() const;

private slots:
    void cmdGraphJobCancel_Click();
    void cmdGraphJobClose_Click();

private:
    void showStarted();
    void showProgress();
    void showEnd(bool ok);

    GraphWork& m_work;
    QTimer m_hideLater;
    StatusNote* lblGraphJob = nullptr;
    QProgressBar* pbGraphJob = nullptr;
    QToolButton* cmdGraphJobCancel = nullptr;  // "Cancel"
    QToolButton* cmdGraphJobClose = nullptr;   // "x": the ended job's line goes
};
