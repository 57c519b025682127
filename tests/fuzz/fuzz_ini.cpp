// The INI reader and writer on any bytes: nothing crashes, a rewrite keeps the
// bytes of every line, and a key written reads back.
#include "config/app_paths.h"
#include "config/file_text.h"
#include "config/ini_file.h"
#include "fuzz_input.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QTemporaryDir* folder = nullptr;

QString path(const char* name) { return folder->filePath(QString::fromLatin1(name)); }

void put(const QString& file, const QByteArray& bytes) {
    QFile out(file);
    FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(out.write(bytes) == bytes.size());
}

QByteArray get(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

// What loading and saving must give, worked out on the bytes alone: each
// non-empty line as it was, ended by CR LF, an empty line before each header,
// the byte order mark kept.
QByteArray expectedRewrite(QByteArray bytes) {
    QByteArray out;
    const bool bom = bytes.startsWith(fileText::kBom);
    if (bom) {
        out += fileText::kBom;
        bytes.remove(0, 3);
    }
    bytes.replace('\r', '\n');
    for (const QByteArray& line : bytes.split('\n')) {
        if (line.isEmpty()) continue;
        // A mark leading the first line is kept off the file's start.
        if (line.startsWith('[') || (out.isEmpty() && !bom && line.startsWith(fileText::kBom))) out += "\r\n";
        out += line + "\r\n";
    }
    return out;
}

bool oneLine(const QString& text) { return !text.contains(u'\r') && !text.contains(u'\n'); }

// Whether a key written with these names can read back as written: a name
// or value may not break the line, and the saved line is trimmed of spaces.
bool readsBack(const QString& section, const QString& key, const QString& value) {
    return oneLine(section) && oneLine(key) && oneLine(value) && !key.startsWith(u' ') && !value.endsWith(u' ');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every write is synced to disk; in memory that costs nothing.
    const QString shm = QStringLiteral("/dev/shm");
    folder = QFileInfo(shm).isWritable() ? new QTemporaryDir(shm + QStringLiteral("/quillmark-fuzz-XXXXXX"))
                                         : new QTemporaryDir;
    FUZZ_CHECK(folder->isValid());
    appPaths::setAppFolder(folder->path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> fields = fuzzFields(data, size, 4);
    const QString section = fileText::decode(fields[0]);
    const QString key = fileText::decode(fields[1]);
    const QString value = fileText::decode(fields[2]);
    const QString file = path("t.ini");
    put(file, fields[3]);

    IniLines lines;
    FUZZ_CHECK(lines.IniLoadFile(file));
    FUZZ_CHECK(lines.IniSaveFile(path("copy.ini")));
    FUZZ_CHECK(get(path("copy.ini")) == expectedRewrite(fields[3]));

    IniReadKey(section, key, QString(), file);
    IniReadSection(section, QString(), file);
    IniListSections(file);
    const bool valid = IniNameIsValid(section) && IniNameIsValid(key);
    FUZZ_CHECK(IniWriteKey(section, key, value, file) == valid);
    if (valid && readsBack(section, key, value)) {
        FUZZ_CHECK(IniReadKey(section, key, QStringLiteral("\n"), file) == value);
        FUZZ_CHECK(ProfileWriteString(section, key, value, file));
        FUZZ_CHECK(IniReadKey(section, key, QStringLiteral("\n"), file) == value);
        FUZZ_CHECK(ProfileEmptySection(section, file));
        FUZZ_CHECK(IniReadSection(section, QStringLiteral("\n"), file).isEmpty());
    }
    return 0;
}
