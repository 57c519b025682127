#include "config/file_read.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileRead {
namespace {

QString named(const QString& path) { return QDir::toNativeSeparators(path); }

void fail(Result& result, const QString& path, const QString& reason) {
    result.reason = reason;
    result.error = named(path) + QStringLiteral(": ") + reason;
}

QString sizeText(qint64 bytes) {
    return bytes % (1024 * 1024) == 0 ? QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024))
                                      : QStringLiteral("%1 bytes").arg(bytes);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

Identity identityOf(const struct stat& info) {
    Identity id;
    id.device = static_cast<quint64>(info.st_dev);
    id.inode = static_cast<quint64>(info.st_ino);
    id.size = static_cast<qint64>(info.st_size);
    id.modified = static_cast<qint64>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    id.changed = static_cast<qint64>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return id;
}

}  // namespace

std::optional<Identity> identify(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
    return identityOf(info);
}

Result read(const QString& path, Links links, qint64 maxBytes) {
    Result result;
    const QByteArray encoded = QFile::encodeName(path);
    // Non-blocking, so opening a FIFO returns at once instead of waiting for
    // a writer; the type check below then refuses it.
    int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    if (links == Links::Refuse) flags |= O_NOFOLLOW;
    const Descriptor fd(::open(encoded.constData(), flags));
    if (fd.get() < 0) {
        const int error = errno;
        if (error == ENOENT) {
            result.missing = true;
            fail(result, path, QString::fromLocal8Bit(std::strerror(error)));
        } else if (error == ELOOP && links == Links::Refuse) {
            fail(result, path, QStringLiteral("a symbolic link"));
        } else {
            fail(result, path, QString::fromLocal8Bit(std::strerror(error)));
        }
        return result;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        fail(result, path, QStringLiteral("not a regular file"));
        return result;
    }
    if (info.st_size > maxBytes) {
        fail(result, path, QStringLiteral("larger than ") + sizeText(maxBytes));
        return result;
    }
    result.identity = identityOf(info);
    // The size may change while reading; the bound holds whatever it says.
    QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qint64 have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (have > maxBytes) {
                fail(result, path, QStringLiteral("larger than ") + sizeText(maxBytes));
                return result;
            }
            bytes.resize(have + std::max<qint64>(4096, std::min<qint64>(have, maxBytes + 1 - have)));
        }
        const ssize_t got = ::read(fd.get(), bytes.data() + have, static_cast<size_t>(bytes.size() - have));
        if (got < 0) {
            if (errno == EINTR) continue;
            fail(result, path, QString::fromLocal8Bit(std::strerror(errno)));
            return result;
        }
        if (got == 0) break;
        have += got;
    }
    if (have > maxBytes) {
        fail(result, path, QStringLiteral("larger than ") + sizeText(maxBytes));
        return result;
    }
    bytes.truncate(static_cast<qsizetype>(have));
    result.bytes = std::move(bytes);
    return result;
}

bool processIsGone(qint64 pid) {
    if (pid <= 0) return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace fileRead
