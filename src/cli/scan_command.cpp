#include "cli/scan_command.h"

#include "browse/website_list.h"
#include "build_info.h"
#include "history/saved_search.h"
#include "results/results_grid.h"
#include "results/results_table.h"
#include "scan/page_fetcher.h"
#include "scan/scan_driver.h"
#include "urllist/url_list_file.h"

#include <QDate>
#include <QEventLoop>
#include <algorithm>

namespace {

struct ParsedArgs {
    QStringList addresses;
    QString error;        // a usage error
    bool help = false;
    bool version = false;
    QString appendTo;     // --append NAME: the saved search the row goes into
    bool hasLists = false;
    ScanOverrides overrides;
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
        } else if (!optionsEnded && a == QLatin1String("--version")) {
            parsed.version = true;
            return parsed;
        } else if (!optionsEnded && a == QLatin1String("--append")) {
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("--append needs the name of a saved search");
                return parsed;
            }
            parsed.appendTo = args[++i];
        } else if (!optionsEnded && a == QLatin1String("--at-once")) {
            parsed.overrides.atOnce = true;
        } else if (!optionsEnded && a == QLatin1String("--pause")) {
            bool ok = false;
            const int seconds = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok || seconds < 0 || seconds > kMaxPauseSeconds) {
                parsed.error = QStringLiteral("--pause needs a number of seconds from 0 to %1").arg(kMaxPauseSeconds);
                return parsed;
            }
            parsed.overrides.pauseSeconds = seconds;
        } else if (!optionsEnded && (a == QLatin1String("-l") || a == QLatin1String("--list"))) {
            parsed.hasLists = true;
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
    if (!parsed.appendTo.isNull() && (parsed.hasLists || parsed.addresses.size() != 1))
        parsed.error = QStringLiteral("--append takes exactly one address and no list file");
    return parsed;
}

// Whether any engine gave the row a count that a saved search would keep.
bool hasAnyCount(const ResultsGrid& grid, int row) {
    const auto lines = savedSearch::parsePendingSaveRecord(
        savedSearch::buildPendingSaveRecord(grid, row).value_or(QString()));
    return std::any_of(lines.begin(), lines.end(), [](const auto& line) { return line.count.has_value(); });
}

}  // namespace

QString scanUsage() {
    return QStringLiteral(
        "Usage: quillmark-scan [--at-once] [--pause SECONDS] [-l FILE]... [ADDRESS]...\n"
        "  or:  quillmark-scan [--at-once] [--pause SECONDS] --append NAME ADDRESS\n"
        "Scans every address of the list files and of the command line, in that order,\n"
        "on the six engines and prints the results grid as CSV. With --append, scans one\n"
        "address and adds its counts under today's date to the saved search NAME\n"
        "(Saved/NAME.lpc, created when missing).\n"
        "\n"
        "  -l, --list FILE  read addresses from a URL list file (one per line)\n"
        "  --append NAME    add the scanned row to the saved search NAME\n"
        "  --at-once        ask the six engines at once (same results, sooner)\n"
        "  --pause SECONDS  wait this long between two requests to one engine\n"
        "                   (0 to 3600; without these two, the Options apply)\n"
        "  -h, --help       show this help\n"
        "  --version        show the program's name and version\n"
        "\n"
        "Exit status:\n"
        "  0  the scan ran\n"
        "  1  a list file cannot be read, or with --append nothing was saved (no engine\n"
        "     gave a count, or the file cannot be written)\n"
        "  2  usage error\n");
}

int runScanCommand(const QStringList& args, const ScanCommandIo& io) {
    QString unreadable;
    QString why;
    const ParsedArgs parsed = parseArgs(args, &unreadable, &why);
    if (parsed.help) {
        io.out(scanUsage().toLocal8Bit());
        return ScanOk;
    }
    if (parsed.version) {
        io.out(QByteArrayLiteral("quillmark-scan ") + buildinfo::versionText + '\n');
        return ScanOk;
    }
    if (!parsed.error.isEmpty()) {
        io.err((QStringLiteral("quillmark-scan: ") + parsed.error + QLatin1Char('\n') + scanUsage())
                   .toLocal8Bit());
        return ScanUsageError;
    }
    if (!parsed.appendTo.isNull()) {
        if (const auto problem = savedSearch::nameProblem(parsed.appendTo)) {
            io.err((QStringLiteral("quillmark-scan: ") + *problem + QLatin1Char('\n')).toLocal8Bit());
            return ScanFailed;
        }
    }
    if (!unreadable.isEmpty()) {
        io.err(QStringLiteral("quillmark-scan: cannot read list file %1: %2\n")
                   .arg(unreadable, why)
                   .toLocal8Bit());
        return ScanFailed;
    }

    ResultsGrid grid;
    WebsiteList websiteList;
    PageFetcher fetcher;
    ScanDriver driver(grid, websiteList, fetcher);
    driver.setOverrides(parsed.overrides);
    QEventLoop loop;
    QObject::connect(&driver, &ScanDriver::finished, &loop, &QEventLoop::quit);
    QObject::connect(&driver, &ScanDriver::stopped, &loop, &QEventLoop::quit);
    QObject::connect(&driver, &ScanDriver::sourceError, &driver, [&](const QString& text) {
        io.err((QStringLiteral("quillmark-scan: ") + text + QLatin1Char('\n')).toLocal8Bit());
    });
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
    io.out(gridCsv(grid));
    if (!parsed.appendTo.isNull()) {
        if (!hasAnyCount(grid, 0)) {
            io.err(QByteArray("quillmark-scan: no engine gave a count; nothing was saved\n"));
            return ScanFailed;
        }
        if (const auto error = savedSearch::appendGridRow(parsed.appendTo, grid, 0, QDate::currentDate())) {
            io.err((QStringLiteral("quillmark-scan: ") + *error + QLatin1Char('\n')).toLocal8Bit());
            return ScanFailed;
        }
    }
    return ScanOk;
}
