#pragma once

#include <QString>

// Percent-encodes the 24 characters that would break a query string or a URL:
// % space < > # { } | \ ^ ~ [ ] ` ; / ? : @ = & $ LF CR, as "%" and two
// upper-case hex digits. Everything else, including every character beyond
// 7-bit ASCII, is copied unchanged. One pass: "%" becomes "%25" and the codes
// written are never encoded again.
QString urlEncode(const QString& text);

// The page the Website view shows for an engine row: the engine's query
// template followed by the encoded address, with nothing appended.
QString webViewQuery(const QString& templ, const QString& address);
