#include "shell/main_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The embedded browsers share GL contexts with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    Form1 window;
    window.show();
    return QApplication::exec();
}
