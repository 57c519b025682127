#pragma once

#include <QString>

// The per-user store of the program's settings: QSettings in INI format, user
// scope, organisation and application "Quillmark", group "Settings", i.e. the
// file $XDG_CONFIG_HOME/Quillmark/Quillmark.ini. Values are text and come back
// exactly as saved (empty text, spaces, commas and a leading "@" included).
namespace settingsStore {

// The stored text, or def when the key was never written. Never fails.
QString get(const QString& key, const QString& def);

// Stores the text. Returns false when the store could not be written; the
// callers go on with the value they hold.
bool save(const QString& key, const QString& value);

// The integer value of a stored number, or def's value when the stored text is
// empty, not a number or out of the 32-bit range.
int getInt(const QString& key, const QString& def);

// The store's file, for messages and tests.
QString fileName();

}  // namespace settingsStore
