#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

// Filling a source's templates. Placeholders:
//   {address}    the address as written: percent-encoded in a Url, JSON-escaped
//                in a Body, as it stands in a header
//   {host}       its host, a leading "www." dropped
//   {domain}     its registrable domain (the Public Suffix List)
//   {date}       today, YYYY-MM-DD
//   {cred:KEY}   the credential KEY of the source
//   {count}      how many addresses the request carries
// A batch lists its addresses with a block "{for SEP}...{end}": the text
// between is repeated for every address, the copies joined by SEP (the text
// after "for " up to the brace, possibly empty), with {i} its 0-based place.
// Outside a block, the address placeholders name the first address.
enum class TemplateField { Url, Body, Header };

struct TemplateInput {
    QStringList addresses;
    QHash<QString, QString> credentials;
    QDate today = QDate::currentDate();
};

QString fillTemplate(const QString& text, TemplateField field, const TemplateInput& input);

// The host of an address ("http://" assumed when it names no scheme), lower
// case, "www." dropped.
QString addressHost(const QString& address);
// The registrable domain of the address's host; the host itself when the list
// knows none (an IP address, a bare suffix).
QString addressDomain(const QString& address);

QString jsonEscape(const QString& text);
