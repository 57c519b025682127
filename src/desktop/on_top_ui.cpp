#include "desktop/on_top_ui.h"

#include <QWidget>

void setOnTop(QWidget* window, bool onTop) {
    if (!window)
        return;
    QWidget* w = window->window();
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window's flags hides it and may let the window manager place
    // it anew, so the geometry and state are put back by hand.
    const bool visible = w->isVisible();
    const QRect geometry = w->geometry();
    const Qt::WindowStates states = w->windowState();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    w->setGeometry(geometry);
    w->setWindowState(states);
    if (visible)
        w->show();
}

bool isOnTop(const QWidget* window) {
    return window && window->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}
