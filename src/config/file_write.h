#pragma once

#include <QByteArray>
#include <QString>

// Writing a whole file the user asked for (an export, a list): the bytes go
// into a copy beside it that replaces the file only when all of them are in,
// so a full disk leaves the old file as it was.
namespace fileWrite {

// False, with the reason in error, when the file could not be written in full.
bool whole(const QString& path, const QByteArray& bytes, QString* error = nullptr);

}  // namespace fileWrite
