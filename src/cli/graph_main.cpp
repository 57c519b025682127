#include "cli/graph_command.h"

#include <QCoreApplication>
#include <curl/curl.h>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillmark"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    GraphCommandIo io;
    io.out = [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
    };
    io.err = [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        std::fflush(stderr);
    };
    io.progress = ::isatty(STDERR_FILENO) == 1;
    return runGraphCommand(args, io);
}
