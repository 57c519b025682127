#include "config/ini_file.h"

#include "config/app_paths.h"
#include "config/file_read.h"
#include "config/file_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace {

const QLatin1Char kOpen('[');
const QLatin1Char kClose(']');
const QLatin1Char kEquals('=');

QString resolve(const QString& file) { return QDir(WindowsFolder()).filePath(file); }

bool isHeader(const QString& line) { return line.startsWith(kOpen); }

QString headerOf(const QString& section) { return kOpen + section + kClose; }

// Only spaces are removed from the line a write makes, as the saved files have
// always been written; a tab at either end of a line stays.
QString trimSpaces(const QString& line) {
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line.at(begin) == QLatin1Char(' ')) ++begin;
    while (end > begin && line.at(end - 1) == QLatin1Char(' ')) --end;
    return line.mid(begin, end - begin);
}

// Loads file into lines for a write. False when the file exists but cannot be
// read: rewriting it from an empty buffer would destroy its contents.
bool loadForWrite(IniLines& lines, const QString& file) {
    return lines.IniLoadFile(file) || !QFileInfo::exists(resolve(file));
}

// The index of the header after position, or one past the last entry.
int nextHeader(const IniLines& lines, int position) {
    int p = position + 1;
    while (p <= lines.IniLineCount() && !isHeader(lines.at(p))) ++p;
    return p;
}

}  // namespace

bool IniNameIsValid(const QString& name) {
    return !name.contains(kOpen) && !name.contains(kClose) && !name.contains(kEquals);
}

QString WindowsFolder() {
    QString folder = appPaths::appFolder();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

namespace {

// The lines of the files read last, kept while the file on disk is the same
// version (same identity, size and times): a scan reads settings.ini before
// every request, and a change made meanwhile is still seen at the next one.
struct CachedFile {
    fileRead::Identity identity;
    QStringList lines;
    bool bom = false;
};

QHash<QString, CachedFile>& fileCache() {
    static QHash<QString, CachedFile> cache;
    return cache;
}

constexpr qsizetype kCachedFiles = 8;

}  // namespace

bool IniLines::IniLoadFile(const QString& file) {
    m_lines.clear();
    m_bom = false;
    const QString path = resolve(file);
    QHash<QString, CachedFile>& cache = fileCache();
    if (const auto it = cache.constFind(path); it != cache.cend()) {
        if (fileRead::identify(path) == it->identity) {
            m_lines = it->lines;
            m_bom = it->bom;
            return true;
        }
    }
    const fileRead::Result read = fileRead::read(path);
    if (read.error) {
        cache.remove(path);
        return false;
    }
    parse(read.bytes);
    if (cache.size() >= kCachedFiles && !cache.contains(path)) cache.erase(cache.begin());
    cache.insert(path, CachedFile{read.identity, m_lines, m_bom});
    return true;
}

std::optional<QString> IniFileProblem(const QString& file) {
    const fileRead::Result read = fileRead::read(resolve(file));
    if (read.missing) return std::nullopt;
    return read.error;
}

void IniLines::parse(const QByteArray& bytes) {
    const QString text = fileText::decode(bytes, &m_bom);
    const qsizetype size = text.size();
    qsizetype start = 0;
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != QLatin1Char('\r') && text.at(end) != QLatin1Char('\n'))
            ++end;
        if (end > start) {
            const QString line = text.mid(start, end - start);
            if (isHeader(line)) m_lines.append(QString());
            m_lines.append(line);
        }
        // CR LF is one line end; a lone CR or a lone LF is one as well.
        if (end + 1 < size && text.at(end) == QLatin1Char('\r') && text.at(end + 1) == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
}

QByteArray IniLines::bytes() const {
    // A line that begins with a byte order mark must not become the file's
    // first bytes: the next load would take it for the file's own mark and
    // the line after it for a header. A blank line in front keeps it a line.
    const bool markLeads = !m_bom && !m_lines.isEmpty() && m_lines.first().startsWith(QChar(0xFEFF));
    QByteArray bytes(m_bom ? fileText::kBom : markLeads ? "\r\n" : "");
    for (const QString& line : m_lines) {
        bytes += fileText::encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

void IniLines::loadBytes(const QByteArray& bytes) {
    m_lines.clear();
    m_bom = false;
    parse(bytes);
}

bool IniLines::IniSaveFile(const QString& file) const {
    const QByteArray bytes = this->bytes();
    QSaveFile out(resolve(file));
    // Unbuffered, so a short write (disk full, size limit) shows in write()'s
    // count; a buffered one is lost at commit, which then keeps a cut file.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool IniLines::IniFindLine(int& position, const QString& prefix, bool stopAtSection) {
    int last = 0;
    bool found = false;
    ++position;
    while (position <= IniLineCount()) {
        const QString& line = at(position);
        if (!line.isEmpty()) last = position;
        if (stopAtSection && isHeader(line)) break;
        if (line.startsWith(prefix, Qt::CaseInsensitive)) {
            found = true;
            break;
        }
        ++position;
    }
    // Callers rely on this entry: it becomes the blank line before a section
    // appended at the end, or the end mark of the last section.
    if (position > last) m_lines.append(QString());
    position = last;
    return found;
}

void IniLines::IniInsertLine(const QString& line, int& position) {
    if (position <= 0 || position > IniLineCount() + 1) position = IniLineCount() + 1;
    m_lines.insert(position - 1, line);
}

QString IniReadKey(const QString& section, const QString& key, const QString& def,
                   const QString& file) {
    if (!IniNameIsValid(section) || !IniNameIsValid(key)) return def;
    IniLines lines;
    lines.IniLoadFile(file);
    int p = 0;
    if (!lines.IniFindLine(p, headerOf(section), false)) return def;
    if (!lines.IniFindLine(p, key + kEquals, true)) return def;
    const QString& line = lines.at(p);
    return line.mid(line.indexOf(kEquals) + 1);
}

namespace {

// Where a key that its section does not hold yet goes, and how a new section
// is appended: the two writers differ only there.
enum class NewKeyPlace { BelowHeader, EndOfSection };

void writeKeyIn(IniLines& lines, const QString& section, const QString& key, const QString& value,
                NewKeyPlace place) {
    const QString line = trimSpaces(key + kEquals + value);
    int h = 0;
    if (lines.IniFindLine(h, headerOf(section), false)) {
        int k = h;
        if (lines.IniFindLine(k, key + kEquals, true)) {
            lines.set(k, line);
            return;
        }
        int below = h + 1;
        if (place == NewKeyPlace::EndOfSection) {
            // Below the section's last non-empty line, so the blank line that
            // separates it from the next header stays where it is.
            const int end = nextHeader(lines, h);
            int last = h;
            for (int p = h + 1; p < end; ++p)
                if (!lines.at(p).isEmpty()) last = p;
            below = last + 1;
        }
        lines.IniInsertLine(line, below);
    } else {
        // The failed search appended one blank line; the INI writer adds a
        // second, so its new section follows two empty lines.
        if (place == NewKeyPlace::BelowHeader && h >= 1) lines.append(QString());
        lines.append(headerOf(section));
        lines.append(line);
    }
}

bool writeKey(const QString& section, const QString& key, const QString& value, const QString& file,
              NewKeyPlace place) {
    if (!IniNameIsValid(section) || !IniNameIsValid(key)) return false;
    IniLines lines;
    if (!loadForWrite(lines, file)) return false;
    writeKeyIn(lines, section, key, value, place);
    return lines.IniSaveFile(file);
}

void emptySectionIn(IniLines& lines, const QString& section) {
    int h = 0;
    if (lines.IniFindLine(h, headerOf(section), false)) {
        const int end = nextHeader(lines, h);
        const bool followed = end <= lines.IniLineCount();
        for (int p = end - 1; p > h; --p) lines.removeAt(p);
        if (followed) {
            int below = h + 1;
            lines.IniInsertLine(QString(), below);  // the blank line before the next header
        }
    } else {
        lines.append(headerOf(section));
    }
}

}  // namespace

bool IniLines::writeKeyBelowHeader(const QString& section, const QString& key, const QString& value) {
    if (!IniNameIsValid(section) || !IniNameIsValid(key)) return false;
    writeKeyIn(*this, section, key, value, NewKeyPlace::BelowHeader);
    return true;
}

bool IniLines::emptySection(const QString& section) {
    if (!IniNameIsValid(section)) return false;
    emptySectionIn(*this, section);
    return true;
}

bool IniWriteKey(const QString& section, const QString& key, const QString& value,
                 const QString& file) {
    return writeKey(section, key, value, file, NewKeyPlace::BelowHeader);
}

QString IniReadSection(const QString& section, const QString& def, const QString& file) {
    if (!IniNameIsValid(section)) return def;
    IniLines lines;
    lines.IniLoadFile(file);
    int h = 0;
    if (!lines.IniFindLine(h, headerOf(section), false)) return def;
    int e = h;
    if (!lines.IniFindLine(e, QString(kOpen), false)) e = lines.IniLineCount();
    QStringList body;
    for (int p = h + 1; p < e; ++p) body.append(lines.at(p));
    return body.join(QStringLiteral("\r\n"));
}

QStringList IniListSections(const QString& file) {
    IniLines lines;
    lines.IniLoadFile(file);
    QStringList names;
    int p = 0;
    while (lines.IniFindLine(p, QString(kOpen), false)) {
        const QString& line = lines.at(p);
        const qsizetype close = line.indexOf(kClose);
        if (close < 0) continue;  // a header without "]" names nothing
        names.append(line.mid(1, close - 1));
    }
    return names;
}

bool ProfileWriteString(const QString& section, const QString& key, const QString& value,
                        const QString& file) {
    return writeKey(section, key, value, file, NewKeyPlace::EndOfSection);
}

bool ProfileEmptySection(const QString& section, const QString& file) {
    if (!IniNameIsValid(section)) return false;
    IniLines lines;
    if (!loadForWrite(lines, file)) return false;
    emptySectionIn(lines, section);
    return lines.IniSaveFile(file);
}
