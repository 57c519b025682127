#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Text of the files a user edits (settings.ini, saved searches, URL lists):
// UTF-8, the locale's encoding on Linux. Such a file may come from elsewhere in
// a legacy code page (an ANSI "caf\xE9"), so a byte that is not part of valid
// UTF-8 decodes to the lone surrogate U+DC80 + byte and encodes back to that
// byte: text read and written again is the same bytes. It shows as the usual
// replacement character.
namespace fileText {

// A leading UTF-8 byte order mark is not text: it is dropped, and hadBom says
// whether there was one.
QString decode(QByteArrayView bytes, bool* hadBom = nullptr);
QByteArray encode(QStringView text);

inline constexpr char kBom[] = "\xEF\xBB\xBF";

}  // namespace fileText
