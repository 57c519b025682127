#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>

// Makes `window` the active window and waits until it has stayed so. Without a
// window manager the X server can deliver the focus of a window activated just
// before (the main window under a fresh help window) after the new one has
// already been reported active; a key sent then reaches the wrong window.
[[nodiscard]] inline bool activateForKeys(QWidget* window, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    int steady = 0;
    while (clock.elapsed() < timeoutMs) {
        if (QApplication::activeWindow() != window) {
            steady = 0;
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window, 500))
                continue;
        }
        QTest::qWait(30);
        if (QApplication::activeWindow() == window && ++steady >= 4)
            return true;
    }
    return false;
}
