// save-racer FOLDER NAME FIRST-DATE DAYS: appends one count a day for DAYS
// days from FIRST-DATE (yyyy-MM-dd) into the saved search NAME of the
// application folder FOLDER, as the window and quillmark-scan save, so that
// several of these at once race for one search. Exit 1 when a save failed.
#include "config/app_paths.h"
#include "history/saved_search.h"

#include <QCoreApplication>
#include <QDate>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) return 2;
    appPaths::setAppFolder(args[1]);
    const QDate first = QDate::fromString(args[3], QStringLiteral("yyyy-MM-dd"));
    const int days = args[4].toInt();
    int failed = 0;
    for (int d = 0; d < days; ++d) {
        const QString record = QStringLiteral("Google:%1\n").arg(first.toJulianDay() + d);
        if (const auto error = savedSearch::appendRecord(args[2], record, first.addDays(d))) {
            std::fprintf(stderr, "%s\n", qPrintable(*error));
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}
