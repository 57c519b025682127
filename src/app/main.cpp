#include "shell/main_window.h"
#include "shell/splash_window.h"

#include <QApplication>

int main(int argc, char** argv) {
    // The embedded browsers share GL contexts with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));

    // The splash is the first window; after its pause it opens the main window,
    // which lives until the program ends.
    Form1* mainWindow = nullptr;
    frmSplash* splash = frmSplash::loadInstance([&mainWindow] {
        mainWindow = new Form1();
        mainWindow->show();
    });
    splash->show();
    const int code = QApplication::exec();
    delete mainWindow;
    frmSplash::unloadInstance();
    return code;
}
