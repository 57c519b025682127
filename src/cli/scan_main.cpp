#include "cli/scan_command.h"
#include "scan/page_fetcher.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    PageFetcher::globalInit();
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillmark"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();

    ScanCommandIo io;
    io.out = [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
    };
    io.err = [](const QByteArray& bytes) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        std::fflush(stderr);
    };
    io.progress = ::isatty(STDERR_FILENO) == 1;
    return runScanCommand(args, io);
}
