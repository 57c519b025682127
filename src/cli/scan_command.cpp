#include "cli/scan_command.h"

#include "browse/website_list.h"
#include "cli/csv.h"
#include "results/results_grid.h"
#include "scan/page_fetcher.h"
#include "scan/scan_driver.h"
#include "urllist/url_list_file.h"

#include <QEventLoop>

namespace {

struct ParsedArgs {
    QStringList addresses;
    QString error;       // a usage error
    bool help = false;
};

ParsedArgs parseArgs(const QStringList& args, QString* unreadable, QString* why) {
    ParsedArgs parsed;
    if (args.isEmpty()) {
        parsed.error = QStringLiteral("no list file and no address given");
        return parsed;
    }
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!optionsEnded && a == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (a == QLatin1String("-h") || a == QLatin1String("--help"))) {
            parsed.help = true;
            return parsed;
        } else if (!optionsEnded && (a == QLatin1String("-l") || a == QLatin1String("--list"))) {
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("%1 needs a file name").arg(a);
                return parsed;
            }
            const QString file = args[++i];
            if (!unreadable->isEmpty()) continue;  // the first unreadable file is the one named
            const UrlListRead read = readUrlListFile(file);
            if (!read.ok) {
                *unreadable = file;
                *why = read.error;
                continue;
            }
            parsed.addresses += read.entries;
        } else if (!optionsEnded && a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            parsed.error = QStringLiteral("unknown option %1").arg(a);
            return parsed;
        } else {
            parsed.addresses += a;
        }
    }
    return parsed;
}

QByteArray lineBytes(const QString& line) { return (line + QLatin1Char('\n')).toLocal8Bit(); }

void printGrid(const ResultsGrid& grid, const ScanCommandIo& io) {
    QStringList header = grid.captions();
    header << QStringLiteral("Rank");
    QByteArray text = lineBytes(csvLine(header));
    for (int row = 0; row < grid.rowCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < ResultsGrid::kColumnCount; ++column)
            fields << grid.cell(row, column);
        const auto rank = grid.rank(row);
        fields << (rank ? QString::fromLatin1(rankName(*rank)) : QString());
        text += lineBytes(csvLine(fields));
    }
    io.out(text);
}

}  // namespace

QString scanUsage() {
    return QStringLiteral(
        "Usage: quillmark-scan [-l FILE]... [ADDRESS]...\n"
        "Scans every address of the list files and of the command line, in that order,\n"
        "on the six engines and prints the results grid as CSV.\n"
        "  -l, --list FILE  read addresses from a URL list file (one per line)\n"
        "  -h, --help       show this help\n"
        "Exit status: 0 the scan ran, 1 a list file cannot be read, 2 usage error.\n");
}

int runScanCommand(const QStringList& args, const ScanCommandIo& io) {
    QString unreadable;
    QString why;
    const ParsedArgs parsed = parseArgs(args, &unreadable, &why);
    if (parsed.help) {
        io.out(scanUsage().toLocal8Bit());
        return ScanOk;
    }
    if (!parsed.error.isEmpty()) {
        io.err((QStringLiteral("quillmark-scan: ") + parsed.error + QLatin1Char('\n') + scanUsage())
                   .toLocal8Bit());
        return ScanUsageError;
    }
    if (!unreadable.isEmpty()) {
        io.err(QStringLiteral("quillmark-scan: cannot read list file %1: %2\n")
                   .arg(unreadable, why)
                   .toLocal8Bit());
        return ScanUnreadableList;
    }

    ResultsGrid grid;
    WebsiteList websiteList;
    PageFetcher fetcher;
    ScanDriver driver(grid, websiteList, fetcher);
    QEventLoop loop;
    QObject::connect(&driver, &ScanDriver::finished, &loop, &QEventLoop::quit);
    QObject::connect(&driver, &ScanDriver::stopped, &loop, &QEventLoop::quit);
    if (io.progress) {
        QObject::connect(&driver, &ScanDriver::statusTextChanged, &driver, [&](const QString& text) {
            io.err(QStringLiteral("\r\x1b[K[%1/%2] %3")
                       .arg(driver.progressValue())
                       .arg(driver.progressMaximum())
                       .arg(text)
                       .toLocal8Bit());
        });
    }
    if (driver.start(parsed.addresses)) {
        loop.exec();
        if (io.progress) io.err(QByteArray("\r\x1b[K") + driver.statusText().toLocal8Bit() + '\n');
    }
    printGrid(grid, io);
    return ScanOk;
}
