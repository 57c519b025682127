#include "cli/graph_command.h"
#include "net/page_fetcher.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    PageFetcher::globalInit();
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillmark"));
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return runGraphCommand(args, standardStreams());
}
