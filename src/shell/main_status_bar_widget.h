#pragma once

#include <QStatusBar>
#include <QStringList>

class GraphJobStatus;
class GraphWork;
class QLabel;
class QProgressBar;
class StatusNote;

// The main window's status bar: the scan's text in the first panel, the
// Website View's in the second with the scan's progress bar over it, the
// last scan's source errors, and the web graph's background job.
class MainStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    MainStatusBar(GraphWork& work, QWidget* parent = nullptr);

    QLabel* panel1() const { return m_panel1; }
    QLabel* panel2() const { return m_panel2; }
    QString panelText(int panel) const;

    // Kept in sight until the next scan starts, each once.
    void addSourceError(const QString& text);
    void clearSourceErrors();
    void setScanProgress(int value, int maximum);
    void setScanProgressVisible(bool visible);
    // The progress bar lies over the whole second panel, in front of it.
    void dockProgressBar();

signals:
    // The bar laid its panels out, after the window did: the window lays out again.
    void panelsMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_panel1 = nullptr;
    QLabel* m_panel2 = nullptr;
    StatusNote* m_sourceNote = nullptr;  // shown only while the last scan's sources reported errors
    QStringList m_sourceErrors;
    QProgressBar* ProgressBar1 = nullptr;
    GraphJobStatus* m_graphJob = nullptr;
};
