#include "shell/status_note_widget.h"

#include "platform/ui_platform.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

StatusNote::StatusNote(const QString& objectName, const QString& caption, QWidget* parent)
    : QLabel(parent), m_caption(caption) {
    setObjectName(objectName);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setTextFormat(Qt::PlainText);
    // The status bar gives it what room there is; the text is cut to that.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void StatusNote::setParts(const QStringList& parts) {
    setText(parts.join(QStringLiteral("; ")));
    m_parts = parts;
}

bool StatusNote::isCut() const {
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

void StatusNote::showWhole() {
    if (text().isEmpty()) return;
    // A setText() since the last setParts() is one message.
    const QString whole = m_parts.join(QStringLiteral("; ")) == text() ? m_parts.join(QLatin1Char('\n')) : text();
    platform::ui().messageBox(window(), whole, m_caption, UiPlatform::Buttons::Ok, UiPlatform::Icon::Information);
}

void StatusNote::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect box = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, box.width());
    style()->drawItemText(&painter, box, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown,
                          foregroundRole());
}

void StatusNote::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) showWhole();
}

void StatusNote::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        showWhole();
        return;
    }
    QLabel::keyPressEvent(event);
}
