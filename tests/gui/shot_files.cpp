#include "shot_files.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

void keepShot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("QUILLMARK_SHOT_DIR");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    image.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

QImage screenShot() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0).toImage() : QImage();
}
