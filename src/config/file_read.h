#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reading a file the user or another program may have put anywhere: only a
// regular file is read (a FIFO would block for good, /dev/zero never ends),
// and only up to a bound, so a wrong file costs a message, not the memory.
namespace fileRead {

inline constexpr qint64 kMaxBytes = 64LL * 1024 * 1024;

enum class Links { Follow, Refuse };

// What tells one version of a file from another without reading it.
struct Identity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modified = 0;  // nanoseconds
    qint64 changed = 0;   // nanoseconds
    bool operator==(const Identity&) const = default;
};

// The identity of what path names now (links followed); nothing when there is nothing.
std::optional<Identity> identify(const QString& path);

struct Result {
    QByteArray bytes;
    Identity identity;
    bool missing = false;          // there is no such file: not an error for most callers
    std::optional<QString> error;  // why it was not read, naming the file
    QString reason;                // the same without the file's name
};

Result read(const QString& path, Links links = Links::Follow, qint64 maxBytes = kMaxBytes);

// Whether the process that owns a pid is gone (not merely someone else's).
bool processIsGone(qint64 pid);

}  // namespace fileRead
