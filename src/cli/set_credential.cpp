#include "cli/set_credential.h"

#include "sources/credentials.h"
#include "sources/source_file.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// A key is one short line; more is not a key.
constexpr qsizetype kMaxValueBytes = 16 * 1024;

// The first line of standard input, without its line end; the terminal does
// not echo it while it is typed.
QByteArray readValue(const CommandIo& io, const QString& prompt) {
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        io.err(prompt.toLocal8Bit());
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n') {
        if (line.size() > kMaxValueBytes) continue;  // read to the line's end, keep nothing more
        line.append(static_cast<char>(c));
    }
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        io.err("\n");
    }
    if (line.endsWith('\r')) line.chop(1);
    return line;
}

}  // namespace

int setCredential(const QString& source, const QString& key, const CommandIo& io) {
    const auto fail = [&io](const QString& text) {
        io.err((QStringLiteral("quillmark-scan: ") + text + QLatin1Char('\n')).toLocal8Bit());
        return 1;
    };
    if (source.isEmpty() || source.contains(QLatin1Char('/')) || source.startsWith(QLatin1Char('.')))
        return fail(QStringLiteral("\"%1\" is no source name").arg(source));
    const QString file = sourceFilePath(source);
    const SourceLoad load = loadSourceFile(file);
    if (!load.source) return fail(load.error);
    const QStringList keys = load.source->credentialKeys();
    if (!keys.contains(key)) {
        return fail(keys.isEmpty() ? QStringLiteral("%1 needs no key").arg(source)
                                   : QStringLiteral("%1 has no key \"%2\"; its keys: %3")
                                         .arg(source, key, keys.join(QStringLiteral(", "))));
    }
    const QByteArray value = readValue(io, QStringLiteral("%1 for %2: ").arg(key, source));
    if (value.size() > kMaxValueBytes) return fail(QStringLiteral("the value is longer than %1 bytes").arg(kMaxValueBytes));
    if (value.trimmed().isEmpty()) return fail(QStringLiteral("no value on standard input; nothing was stored"));
    if (std::any_of(value.begin(), value.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f; }))
        return fail(QStringLiteral("the value holds control characters; nothing was stored"));
    QString where;
    QString error;
    if (!credentials::store(source, key, QString::fromUtf8(value.trimmed()), &where, &error)) return fail(error);
    io.err(QStringLiteral("quillmark-scan: %1 of %2 stored in %3\n").arg(key, source, where).toLocal8Bit());
    return 0;
}
