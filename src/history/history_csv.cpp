#include "history/history_csv.h"

#include "config/file_write.h"
#include "config/file_text.h"
#include "config/ini_file.h"
#include "history/saved_search.h"
#include "results/results_table.h"

#include <QHash>
#include <map>

namespace historyCsv {

QByteArray csv(const QString& searchPath, const QDate& since) {
    const QStringList sections = IniListSections(searchPath);
    // date -> one cell per section
    std::map<QDate, QStringList> rows;
    for (qsizetype s = 0; s < sections.size(); ++s) {
        const QString body = IniReadSection(sections[s], QString(), searchPath);
        for (const QString& line : body.split(QStringLiteral("\r\n"))) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (equals < 0) continue;
            const QDate date = savedSearch::parseDateKey(QStringView(line).left(equals));
            if (!date.isValid() || (since.isValid() && date < since)) continue;
            QStringList& cells = rows[date];
            cells.resize(sections.size());
            // A section holds a date once; should it not, its first (newest) entry stands.
            if (cells[s].isEmpty()) cells[s] = line.mid(equals + 1);
        }
    }
    QString text = csvLine(QStringList{QStringLiteral("Date")} + sections) + QLatin1Char('\n');
    for (const auto& [date, cells] : rows)
        text += csvLine(QStringList{date.toString(Qt::ISODate)} + cells) + QLatin1Char('\n');
    return fileText::encode(text);
}

std::optional<QString> readProblem(const QString& searchPath) { return IniFileProblem(searchPath); }

bool write(const QString& path, const QString& searchPath, QString* error) {
    if (auto problem = readProblem(searchPath)) {
        if (error) *error = *problem;
        return false;
    }
    return fileWrite::whole(path, csv(searchPath), error);
}

}  // namespace historyCsv
