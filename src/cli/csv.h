#pragma once

#include <QString>
#include <QStringList>

// One CSV line (without its line end). A field is quoted only when it holds a
// comma, a double quote, CR or LF; quotes inside are doubled.
QString csvLine(const QStringList& fields);
