#include "net/page_fetcher.h"
#include "support/test_environment.h"

#include <QApplication>
#include <QByteArray>
#include <gtest/gtest.h>
#include <cstdlib>

int main(int argc, char** argv) {
    PageFetcher::globalInit();
    isolateUserSettings();
    // Windows need a display: the test script provides Xvfb; without one the
    // offscreen platform serves everything but the 3-D charts.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            "--no-sandbox --disable-gpu --disable-background-networking --disable-component-update");
    // The embedded browsers draw in software unless the user asks otherwise:
    // composing the whole window through OpenGL for every status-bar update
    // costs far more than it gives a program of lists and small pages, and
    // without a GPU it makes the window crawl.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND")) qputenv("QT_QUICK_BACKEND", "software");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
