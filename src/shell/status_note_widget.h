#pragma once

#include <QLabel>

// A status-bar text that may be longer than its place: it is cut at the end
// with "...", and a click (or Enter when it has the focus) shows the whole of
// it in a message box. text() stays the whole text.
class StatusNote final : public QLabel {
    Q_OBJECT
public:
    // caption: the message box's title.
    StatusNote(const QString& objectName, const QString& caption, QWidget* parent = nullptr);

    // Several messages on one line, "; " between them; the message box shows
    // each on a line of its own. setText() is one message.
    void setParts(const QStringList& parts);
    // Whether the text does not fit and is shown cut.
    bool isCut() const;
    // The whole text in a message box.
    void showWhole();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_caption;
    QStringList m_parts;
};
