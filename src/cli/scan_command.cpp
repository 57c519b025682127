#include "cli/scan_command.h"

#include "browse/website_list.h"
#include "build_info.h"
#include "config/app_paths.h"
#include "config/ini_file.h"
#include "history/history_csv.h"
#include "history/row_saves.h"
#include "history/saved_search.h"
#include "results/results_grid.h"
#include "results/results_table.h"
#include "net/page_fetcher.h"
#include "scan/scan_driver.h"
#include "urllist/url_list_file.h"

#include <QDate>
#include <QFileInfo>
#include <QEventLoop>
#include <QHash>
#include <algorithm>

namespace {

struct ParsedArgs {
    QStringList addresses;
    QString error;        // a usage error
    bool help = false;
    bool version = false;
    QString appendTo;     // --append NAME: the saved search the row goes into
    bool appendEach = false;  // --append-each: every row into the search named after its address
    QString history;      // --history NAME: print that saved search's history
    QDate since;          // --since DATE: its first date
    bool hasSince = false;
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
        } else if (!optionsEnded && a == QLatin1String("--append-each")) {
            parsed.appendEach = true;
        } else if (!optionsEnded && a == QLatin1String("--history")) {
            if (i + 1 >= args.size()) {
                parsed.error = QStringLiteral("--history needs the name of a saved search");
                return parsed;
            }
            parsed.history = args[++i];
        } else if (!optionsEnded && a == QLatin1String("--since")) {
            parsed.hasSince = true;
            parsed.since = i + 1 < args.size() ? QDate::fromString(args[++i], Qt::ISODate) : QDate();
            if (!parsed.since.isValid()) {
                parsed.error = QStringLiteral("--since needs a date as YYYY-MM-DD");
                return parsed;
            }
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
    else if (parsed.appendEach && !parsed.appendTo.isNull())
        parsed.error = QStringLiteral("--append and --append-each cannot be used together");
    else if (!parsed.history.isNull() && (parsed.hasLists || !parsed.addresses.isEmpty() || parsed.appendEach ||
                                          !parsed.appendTo.isNull()))
        parsed.error = QStringLiteral("--history takes no address, no list file and no other save");
    else if (parsed.hasSince && parsed.history.isNull())
        parsed.error = QStringLiteral("--since belongs to --history");
    return parsed;
}

// Whether any engine gave the row a count that a saved search would keep.
bool hasAnyCount(const ResultsGrid& grid, int row) {
    const auto lines = savedSearch::parsePendingSaveRecord(
        savedSearch::buildPendingSaveRecord(grid, row).value_or(QString()));
    return std::any_of(lines.begin(), lines.end(), [](const auto& line) { return line.count.has_value(); });
}

// The grid's rows in the order of the addresses scanned: the scan may have
// sorted them, and "the second of two addresses with one name" means the list's order.
QList<int> rowsInListOrder(const ResultsGrid& grid, const QStringList& addresses) {
    QHash<QString, QList<int>> rowsOf;
    for (int row = 0; row < grid.rowCount(); ++row) rowsOf[grid.cell(row, ResultsGrid::kDomainColumn)] << row;
    QList<int> rows;
    for (const QString& address : addresses) {
        QList<int>& left = rowsOf[address];
        if (!left.isEmpty()) rows << left.takeFirst();
    }
    return rows;
}

int printHistory(const ParsedArgs& parsed, const ScanCommandIo& io) {
    if (const auto problem = savedSearch::nameProblem(parsed.history)) {
        io.err((QStringLiteral("quillmark-scan: ") + *problem + QLatin1Char('\n')).toLocal8Bit());
        return ScanFailed;
    }
    const QString path = savedSearch::searchFilePath(parsed.history);
    if (!QFileInfo(path).isFile()) {
        io.err(QStringLiteral("quillmark-scan: there is no saved search \"%1\"\n").arg(parsed.history).toLocal8Bit());
        return ScanFailed;
    }
    io.out(historyCsv::csv(path, parsed.since));
    return ScanOk;
}

}  // namespace

QString scanUsage() {
    return QStringLiteral(
        "Usage: quillmark-scan [--at-once] [--pause SECONDS] [-l FILE]... [ADDRESS]...\n"
        "  or:  quillmark-scan [--at-once] [--pause SECONDS] --append NAME ADDRESS\n"
        "  or:  quillmark-scan [--at-once] [--pause SECONDS] --append-each [-l FILE]... [ADDRESS]...\n"
        "  or:  quillmark-scan --history NAME [--since YYYY-MM-DD]\n"
        "Scans every address of the list files and of the command line, in that order,\n"
        "on the six engines and prints the results grid as CSV. With --append, scans one\n"
        "address and adds its counts under today's date to the saved search NAME\n"
        "(Saved/NAME.lpc, created when missing). With --append-each, adds every row to\n"
        "the saved search named after its address (host without www., then the path).\n"
        "With --history, prints the saved search NAME as CSV, one line a date.\n"
        "\n"
        "  -l, --list FILE  read addresses from a URL list file (one per line)\n"
        "  --append NAME    add the scanned row to the saved search NAME\n"
        "  --append-each    add every scanned row to the search named after its address\n"
        "  --history NAME   print the history of the saved search NAME as CSV\n"
        "  --since DATE     with --history, only the dates from DATE (YYYY-MM-DD) on\n"
        "  --at-once        ask the six engines at once (same results, sooner)\n"
        "  --pause SECONDS  wait this long between two requests to one engine\n"
        "                   (0 to 3600; without these two, the Options apply)\n"
        "  -h, --help       show this help\n"
        "  --version        show the program's name and version\n"
        "\n"
        "Exit status:\n"
        "  0  the scan ran\n"
        "  1  a list file cannot be read, or with --append nothing was saved (no engine\n"
        "     gave a count, or the file cannot be written), or with --append-each some\n"
        "     row saved nothing (each is named on standard error), or with --history\n"
        "     there is no such saved search\n"
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
    if (!parsed.history.isNull()) return printHistory(parsed, io);
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

    // The templates come from settings.ini: one that is no file to read (a
    // FIFO, a device, a runaway size) would make every request wrong.
    if (const auto problem = IniFileProblem(appPaths::settingsPath())) {
        io.err((QStringLiteral("quillmark-scan: cannot read the engines' templates: ") + *problem + QLatin1Char('\n'))
                   .toLocal8Bit());
        return ScanFailed;
    }

    ResultsGrid grid;
    WebsiteList websiteList;
    PageFetcher fetcher;
    ScanDriver driver(grid, websiteList, fetcher);
    driver.setOverrides(parsed.overrides);
    driver.setWebsiteRowsKept(false);
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
    gridCsv(grid, io.out);
    if (parsed.appendEach) {
        const auto plan = savedSearch::planRowSaves(grid, rowsInListOrder(grid, parsed.addresses));
        const auto unsaved = savedSearch::saveRows(grid, plan, QDate::currentDate());
        for (const auto& row : unsaved)
            io.err(QStringLiteral("quillmark-scan: %1: nothing saved: %2\n").arg(row.address, row.problem).toLocal8Bit());
        return unsaved.isEmpty() ? ScanOk : ScanFailed;
    }
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
