#include "urllist/url_list_file.h"

#include "config/file_write.h"
#include "config/file_read.h"

#include "config/file_text.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

// Lines end at CR LF, CR or LF; since empty pieces are dropped, splitting at
// each CR and each LF alone gives the same entries.
QStringList nonEmptyLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && text[i] != u'\r' && text[i] != u'\n') continue;
        if (i > start) lines.append(text.mid(start, i - start).toString());
        start = i + 1;
    }
    return lines;
}

QString describe(const QString& what, const QString& path, const QString& why) {
    return QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), why);
}

}  // namespace

UrlListRead readUrlListFile(const QString& path) {
    UrlListRead result;
    const fileRead::Result read = fileRead::read(path);
    if (read.error) {
        result.error = describe(QStringLiteral("Cannot read"), path, read.reason);
        return result;
    }
    result.entries = urlListEntries(read.bytes);
    result.ok = true;
    return result;
}

QStringList urlListEntries(const QByteArray& bytes) { return nonEmptyLines(fileText::decode(bytes)); }

QByteArray urlListBytes(const QStringList& entries) {
    QByteArray bytes;
    for (const QString& entry : entries) {
        bytes += fileText::encode(entry);
        bytes += "\r\n";
    }
    return bytes;
}

bool writeUrlListFile(const QString& path, const QStringList& entries, QString* error) {
    QString reason;
    const bool ok = fileWrite::whole(path, urlListBytes(entries), &reason);
    if (!ok && error) *error = describe(QStringLiteral("Cannot save"), path, reason);
    return ok;
}

namespace {

QString trimSpacesAndTabs(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

// "name://" at the very start, the name as an address scheme spells it.
bool startsWithScheme(const QString& text) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(text).hasMatch();
}

}  // namespace

QStringList clipboardEntries(const QString& text) {
    QStringList entries;
    for (const QString& line : nonEmptyLines(text)) {
        QString entry = trimSpacesAndTabs(line);
        if (entry.isEmpty()) continue;
        if (startsWithScheme(entry) || entry.contains(QLatin1String("http://"), Qt::CaseInsensitive)) {
            // kept as it is
        } else if (entry.contains(QLatin1String("www."), Qt::CaseInsensitive)) {
            entry.prepend(QLatin1String("http://"));
        } else {
            entry.prepend(QLatin1String("http://www."));
        }
        entries.append(entry);
    }
    return entries;
}

bool isAcceptableNewUrl(const QString& answer) { return answer.size() > 7; }

QString withTxtExtension(const QString& name) {
    if (name.toLower().endsWith(QLatin1String(".txt"))) return name;
    return name + QLatin1String(".txt");
}
