#include "cli/csv.h"

QString csvLine(const QStringList& fields) {
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) line += QLatin1Char(',');
        const QString& f = fields[i];
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
