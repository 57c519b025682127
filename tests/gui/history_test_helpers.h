#pragma once

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTimer>
#include <functional>

// Runs action on the next modal dialog, from inside its event loop. A dialog
// the action leaves open is cancelled, so a failing test cannot hang.
inline void onNextModal(std::function<void(QDialog&)> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    timer->start();
}

// Picks an entry the way a user's click does: the entry becomes current and
// the list reports the choice.
inline void choose(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}
