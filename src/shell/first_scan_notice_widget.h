#pragma once

#include <QFrame>
#include <QStringList>

class QLabel;
class QPushButton;
class ResultsGrid;

// The line under the results grid that explains an empty scan on today's
// web: when a scan ends with no count in any column and some columns still
// ask the built-in engines, it says that those engines no longer answer link
// queries and offers Options. Said once a run: once closed, it stays closed;
// a scan that brings counts takes it away.
class FirstScanNotice final : public QFrame {
    Q_OBJECT
public:
    explicit FirstScanNotice(QWidget* parent = nullptr);

    // The captions of the columns on a built-in engine when no cell of the
    // grid holds a count read from a page, else nothing.
    static QStringList silentBuiltIns(const ResultsGrid& grid, const QString& settingsFile);

    // After a scan: shows, keeps or takes away the notice.
    void scanEnded(const ResultsGrid& grid, const QString& settingsFile);
    // Stands under grid, taking its height from the grid's bottom; nothing when hidden.
    void fitUnder(QWidget* grid);
    QString text() const;

signals:
    void optionsRequested();
    // Shown or taken away: the page's layout changes.
    void shownChanged();

private slots:
    void cmdNoticeOptions_Click();  // "Open Options..."
    void cmdNoticeClose_Click();    // "x"

private:
    void setShown(bool shown);

    bool m_closed = false;
    QLabel* lblNotice = nullptr;
    QPushButton* cmdNoticeOptions = nullptr;
    QPushButton* cmdNoticeClose = nullptr;
};
