#include "history/row_saves.h"

#include "history/saved_search.h"
#include "history/search_name.h"
#include "results/results_grid.h"

#include "config/app_paths.h"

#include <QDir>
#include <QHash>
#include <QSet>
#include <algorithm>

namespace savedSearch {
namespace {

bool hasAnyCount(const ResultsGrid& grid, int row) {
    const auto lines = parsePendingSaveRecord(buildPendingSaveRecord(grid, row).value_or(QString()));
    return std::any_of(lines.begin(), lines.end(), [](const RecordLine& line) { return line.count.has_value(); });
}

QString plural(int n, const char* one, const char* many) {
    return n == 1 ? QStringLiteral("1 %1").arg(QLatin1String(one))
                  : QStringLiteral("%1 %2").arg(n).arg(QLatin1String(many));
}

}  // namespace

RowSavePlan planRowSaves(const ResultsGrid& grid, const QList<int>& rows) {
    RowSavePlan plan;
    QSet<QString> taken;
    // The folder is read once: asking it for every name would read a
    // thousand-entry folder a thousand times.
    QHash<QString, QString> existing;  // case-folded file name -> the name as the folder spells it
    for (const QString& entry : QDir(appPaths::savedFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted))
        existing.insert(entry.toCaseFolded(), entry);
    for (int row : rows) {
        if (!grid.hasRow(row)) continue;
        RowSave save;
        save.row = row;
        save.address = grid.cell(row, ResultsGrid::kDomainColumn);
        const std::optional<QString> name = nameForAddress(save.address);
        if (!name) {
            save.problem = QStringLiteral("no saved-search name can be made from this address");
        } else {
            save.name = *name;
            const QString key = name->toCaseFolded();
            if (taken.contains(key)) {
                save.problem = QStringLiteral("an earlier address already goes into the saved search \"%1\"")
                                   .arg(*name);
            } else {
                taken.insert(key);
                if (!hasAnyCount(grid, row)) save.problem = QStringLiteral("no engine gave a count");
            }
        }
        if (save.problem.isEmpty()) {
            const QString fileName = save.name + QLatin1String(kExtension);
            const QString onDisk = existing.value(fileName.toCaseFolded());
            save.exists = !onDisk.isEmpty();
            // The folder matches names ignoring case, but a path's letter case
            // names another page: "/Report" and "/report" must not share a history.
            if (save.exists && onDisk != fileName)
                save.problem = QStringLiteral("the saved search \"%1\" differs from \"%2\" only in letter case "
                                              "and may hold another address's history")
                                   .arg(onDisk.chopped(4), save.name);
            else
                ++(save.exists ? plan.addsTo : plan.creates);
        }
        plan.rows << save;
    }
    return plan;
}

QString rowSaveQuestion(const RowSavePlan& plan) {
    const int skipped = static_cast<int>(plan.rows.size()) - plan.creates - plan.addsTo;
    QString text = QStringLiteral("This will create %1 and add today's results to %2.")
                       .arg(plural(plan.creates, "new saved search", "new saved searches"),
                            plural(plan.addsTo, "existing saved search", "existing saved searches"));
    if (skipped > 0)
        text += QStringLiteral(" %1 will not be saved.").arg(plural(skipped, "row", "rows"));
    return text + QStringLiteral(" Continue?");
}

QList<RowSave> saveRows(const ResultsGrid& grid, const RowSavePlan& plan, const QDate& today) {
    QList<RowSave> unsaved;
    for (RowSave save : plan.rows) {
        if (save.problem.isEmpty()) {
            // The same call as a single --append, so every rule of that save applies here.
            if (const auto error = appendGridRow(save.name, grid, save.row, today)) save.problem = *error;
        }
        if (!save.problem.isEmpty()) unsaved << save;
    }
    return unsaved;
}

}  // namespace savedSearch
