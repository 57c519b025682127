#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The program's own INI reader and writer. Its matching rules are deliberate:
//  - a header line is any line whose first character is "["; a section is found
//    by comparing the start of a line with "[" + section + "]", ignoring case;
//  - a key is found by comparing the start of a line with key + "=", ignoring
//    case, without trimming (" key=" and "key =" do not match);
//  - the first matching header and key win; a section ends at the next header.
// Every operation loads the whole file and a write rewrites it whole (atomically).
// Lines end at CR LF, CR or LF when read; they are written with CR LF. The
// line a write makes is trimmed of spaces; a line it does not change goes back
// as the bytes it was read from, spaces and encoding and all (trimming " [S]"
// or " k=1" would make a header or a key of it), and a byte order mark stays.
// A relative file name resolves against the application folder.

// Public operations.
QString IniReadKey(const QString& section, const QString& key, const QString& def,
                   const QString& file);
// Inserts a new key directly below its section header (so a section's keys stand
// newest first) or replaces the key's own line. Returns false when nothing was
// written: an invalid name, an existing file that could not be read, or a file
// that could not be written (the old file is then left as it was).
bool IniWriteKey(const QString& section, const QString& key, const QString& value,
                 const QString& file);
QString IniReadSection(const QString& section, const QString& def, const QString& file);
// Section names in file order, without brackets; empty when there is no header.
QStringList IniListSections(const QString& file);

// The profile writer's two operations, built on the same line routines.
// ProfileWriteString sets one key: its own line is replaced in place, otherwise
// the line is appended at the end of its section, or a new section is appended
// at the end of the file. Both return false, leaving the file as it was, in
// the cases where IniWriteKey does.
bool ProfileWriteString(const QString& section, const QString& key, const QString& value,
                        const QString& file);
// Empties a section keeping its header; a missing section gets its header at
// the end of the file; a missing file is created.
bool ProfileEmptySection(const QString& section, const QString& file);

// Why the file cannot be read (not a regular file, too large, ...), naming
// it; nothing when it can be, or when there is none.
std::optional<QString> IniFileProblem(const QString& file);

// True when the name holds none of "[", "]", "=".
bool IniNameIsValid(const QString& name);

// The folder that relative file names resolve against, ending in "/".
QString WindowsFolder();

// The line buffer behind the operations, 1-based as the algorithms are written.
// Exposed for tests; each public operation builds its own.
class IniLines {
public:
    // Empties the buffer and loads the file. An empty line is skipped, a header
    // line gets an empty entry before it. Returns false when it cannot be read.
    bool IniLoadFile(const QString& file);
    // Writes every entry as it stands, each followed by CR LF, through QSaveFile.
    bool IniSaveFile(const QString& file) const;
    // The same two steps on bytes in memory: several edits, one write.
    void loadBytes(const QByteArray& bytes);
    QByteArray bytes() const;
    // IniWriteKey's and ProfileEmptySection's edits, made on the buffer;
    // false (and nothing changed) for an invalid name.
    bool writeKeyBelowHeader(const QString& section, const QString& key, const QString& value);
    bool emptySection(const QString& section);
    int IniLineCount() const { return static_cast<int>(m_lines.size()); }
    // See the search rules above; on failure position is the last non-empty
    // entry the search met, and one empty entry has been appended.
    bool IniFindLine(int& position, const QString& prefix, bool stopAtSection);
    // Inserts line at position (0: append), moving later entries down.
    void IniInsertLine(const QString& line, int& position);

    const QString& at(int position) const { return m_lines[position - 1]; }
    void set(int position, const QString& line) { m_lines[position - 1] = line; }
    void append(const QString& line) { m_lines.append(line); }
    void removeAt(int position) { m_lines.removeAt(position - 1); }
    const QStringList& lines() const { return m_lines; }

private:
    void parse(const QByteArray& bytes);

    QStringList m_lines;
    bool m_bom = false;
};
