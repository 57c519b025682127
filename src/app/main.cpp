#include "cli/window_options.h"
#include "net/page_fetcher.h"
#include "shell/main_window.h"
#include "shell/splash_window.h"

#include <QApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    // --help and --version need no display (the manual page is made from them).
    if (const auto answer = windowOptions::answer(argc, argv)) {
        std::fwrite(answer->constData(), 1, static_cast<size_t>(answer->size()), stdout);
        return 0;
    }
    // The HTTP client's set-up, before the application object starts any thread.
    PageFetcher::globalInit();
    // The embedded browsers draw in software unless the user asks otherwise:
    // composing the whole window through OpenGL for every status-bar update
    // costs far more than it gives a program of lists and small pages, and
    // without a GPU it makes the window crawl.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
    // The browser engine refuses to start its sandbox for the root user (a
    // container or a test machine); it then runs without one.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The embedded browsers share GL contexts with the windows.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    // Ties the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("app.quillmark.Quillmark"));

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
