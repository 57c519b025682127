#pragma once

#include <QString>

// Whether the path names an ordinary file. The file-name part is compared with
// the directory's entries without regard to letter case, so "HELP.RTF" finds
// "Help.rtf". Folders, hidden files (a leading ".") and anything that is not
// a regular file count as absent; an empty path or any error gives false.
bool fileExists(const QString& path);

// The path of the file fileExists found, spelt as on disk; empty when absent.
// When several entries differ only in case, the exact spelling wins.
QString findFileIgnoringCase(const QString& path);
