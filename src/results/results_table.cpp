#include "results/results_table.h"

#include "config/file_write.h"
#include "config/file_text.h"
#include "results/results_grid.h"

#include <QRegularExpression>

QString spreadsheetSafe(const QString& field) {
    if (field.isEmpty() || !QStringView(u"=+-@\t\r").contains(field.front())) return field;
    // "-" (no count) and a signed number are data, not formulas.
    static const QRegularExpression number(QStringLiteral("\\A[-+]?(\\d+(\\.\\d*)?|\\.\\d+)?\\z"));
    if (number.match(field).hasMatch()) return field;
    return QLatin1Char('\'') + field;
}

namespace {

// A column switched off is left out of every copy of the grid.
QStringList header(const ResultsGrid& grid) {
    QStringList fields;
    for (int column = 0; column < ResultsGrid::kColumnCount; ++column)
        if (grid.columnShown(column)) fields << grid.caption(column);
    return fields + QStringList{QStringLiteral("Rank")};
}

QStringList rowFields(const ResultsGrid& grid, int row) {
    QStringList fields;
    for (int column = 0; column < ResultsGrid::kColumnCount; ++column)
        if (grid.columnShown(column)) fields << grid.cell(row, column);
    const auto rank = grid.rank(row);
    fields << (rank ? QString::fromLatin1(rankName(*rank)) : QString());
    return fields;
}

QString tabLine(QStringList fields) {
    static const QRegularExpression breaks(QStringLiteral("[\t\r\n]"));
    for (QString& f : fields) f = spreadsheetSafe(f).replace(breaks, QStringLiteral(" "));
    return fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

}  // namespace

QString csvLine(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) line += QLatin1Char(',');
        const QString f = spreadsheetSafe(fields[i]);
        const bool quote = f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) ||
                           f.contains(QLatin1Char('\r')) || f.contains(QLatin1Char('\n'));
        if (!quote) {
            line += f;
            continue;
        }
        QString escaped = f;
        escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        line += QLatin1Char('"') + escaped + QLatin1Char('"');
    }
    return line;
}

void gridCsv(const ResultsGrid& grid, const std::function<void(const QByteArray&)>& sink) {
    constexpr int kRowsAPiece = 1024;
    QString text = csvLine(header(grid)) + QLatin1Char('\n');
    for (int row = 0; row < grid.rowCount(); ++row) {
        text += csvLine(rowFields(grid, row)) + QLatin1Char('\n');
        if ((row + 1) % kRowsAPiece == 0) {
            sink(fileText::encode(text));
            text.clear();
        }
    }
    // An address read from a list file comes out as the bytes it was read from.
    if (!text.isEmpty()) sink(fileText::encode(text));
}

QByteArray gridCsv(const ResultsGrid& grid) {
    QByteArray bytes;
    gridCsv(grid, [&](const QByteArray& piece) { bytes += piece; });
    return bytes;
}

QString gridTabText(const ResultsGrid& grid, const QList<int>& rows) {
    QString text = tabLine(header(grid));
    for (int row : rows) {
        if (grid.hasRow(row)) text += tabLine(rowFields(grid, row));
    }
    return text;
}

bool writeGridCsv(const QString& path, const ResultsGrid& grid, QString* error) {
    return fileWrite::whole(path, gridCsv(grid), error);
}
