#pragma once

#include <QImage>
#include <QString>

// Keeps a picture as <name>.png in $QUILLMARK_SHOT_DIR when that is set, so a
// person can look at what a test saw.
void keepShot(const QImage& image, const QString& name);

// The whole screen as the window system shows it (all windows, their places).
QImage screenShot();
