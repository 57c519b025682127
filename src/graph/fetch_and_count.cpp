#include "graph/fetch_and_count.h"

#include "graph/gz_lines.h"
#include "graph/release_catalog.h"
#include "graph/release_counter.h"
#include "graph/release_fetch.h"
#include "graph/release_rows.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace graphFetch {
namespace {

// The counter reads at most this much at a time: waking it for less costs
// more than it gains.
constexpr uint64_t kWakeAhead = 1 << 20;

// The partial files as the download grows them, for the counting thread.
class GrowingFiles {
public:
    void add(const std::string& path, uint64_t size, bool done) {
        std::lock_guard lock(m_mutex);
        m_files[path] = {size, done};
    }
    void grow(const std::string& path, uint64_t size) {
        std::lock_guard lock(m_mutex);
        m_files[path].size = size;
        if (m_waiting && m_waitPath == path && size >= m_waitFor) m_wake.notify_all();
    }
    void finish(const std::string& path) {
        std::lock_guard lock(m_mutex);
        m_files[path].done = true;
        m_wake.notify_all();
    }
    // No more bytes will come to any file: a reader waiting gives up.
    void abandon() {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
        m_wake.notify_all();
    }
    // The counter's follower: More when the file now holds more than `have`;
    // Stopped when the download ended before the file was whole.
    GzLines::Follow waitForMore(const std::string& path, uint64_t have) {
        std::unique_lock lock(m_mutex);
        const auto it = m_files.find(path);
        if (it == m_files.end()) return GzLines::Follow::End;  // a file complete before this run
        const File& file = it->second;
        m_waitPath = path;
        m_waitFor = have + kWakeAhead;
        m_waiting = true;
        m_wake.wait(lock, [&] { return m_abandoned || file.done || file.size >= m_waitFor; });
        m_waiting = false;
        if (file.done) return file.size > have ? GzLines::Follow::More : GzLines::Follow::End;
        return m_abandoned ? GzLines::Follow::Stopped : GzLines::Follow::More;
    }

private:
    struct File {
        uint64_t size = 0;
        bool done = false;
    };
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::string, File> m_files;
    bool m_abandoned = false;
    bool m_waiting = false;
    std::string m_waitPath;
    uint64_t m_waitFor = 0;
};

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Syncs the partial files to the disk while they download, on its own
// thread. The count's last step syncs the new index before it replaces the
// old one, and that sync waits for whatever the file system still owes the
// disk (the download's data among it): paid for as the bytes come, it is not
// paid at the end. It also keeps what a crash would leave of the
// download there to resume from.
class Flusher {
public:
    explicit Flusher(std::vector<int> fds) : m_fds(std::move(fds)) {
        m_thread = std::thread([this] { run(); });
    }
    ~Flusher() { join(); }
    // The download has ended: one last sync of each file, without waiting.
    void finishSoon() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
    }
    // Waits for that last sync; the files stay open until then.
    void join() {
        finishSoon();
        if (m_thread.joinable()) m_thread.join();
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            const bool last = m_wake.wait_for(lock, std::chrono::milliseconds(250), [this] { return m_stop; });
            lock.unlock();
            for (int fd : m_fds) ::fdatasync(fd);
            lock.lock();
            if (last) return;
        }
    }
    std::vector<int> m_fds;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

// One of the three files: where it is, what the server has, what is here.
struct FileState {
    QString url, target, part, tag;
    Remote remote;
    bool complete = false;  // all its bytes are here (under `countPath`)
    qint64 have = 0;        // bytes of the partial file kept to resume from
    int fd = -1;
    std::string countPath;
};

// The server's version a partial file was begun from: "SIZE\nVALIDATOR\n".
std::optional<Remote> readTag(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0) return std::nullopt;
    const QList<QByteArray> lines = QByteArray(buffer, n).split('\n');
    if (lines.size() < 2) return std::nullopt;
    Remote remote;
    bool ok = false;
    remote.size = lines[0].toLongLong(&ok);
    if (!ok) return std::nullopt;
    remote.validator = lines[1];
    return remote;
}

std::optional<QString> writeTag(const FileState& f, const QByteArray& validator) {
    return graphRelease::writeCacheFile(f.tag, QByteArray::number(f.remote.size) + '\n' + validator + '\n');
}

bool isRegular(const QString& path, struct stat& st, bool& exists) {
    exists = ::lstat(QFile::encodeName(path).constData(), &st) == 0;
    return exists && S_ISREG(st.st_mode);
}

// What of a file is here to keep. A partial file resumes only when it is the
// first one still due (the files come one after another) and was begun from
// the version the server has now.
std::optional<QString> plan(FileState& f, bool firstDue) {
    struct stat st {};
    bool exists = false;
    if (isRegular(f.target, st, exists) && st.st_size == f.remote.size) {
        f.complete = true;
        f.countPath = QFile::encodeName(f.target).toStdString();
        return std::nullopt;
    }
    f.countPath = QFile::encodeName(f.part).toStdString();
    if (!isRegular(f.part, st, exists)) {
        if (exists) return QStringLiteral("%1: is not a regular file (a link is not followed); remove it").arg(f.part);
        return std::nullopt;
    }
    const std::optional<Remote> begun = readTag(f.tag);
    const bool sameVersion = begun && !f.remote.validator.isEmpty() && begun->size == f.remote.size &&
                             begun->validator == f.remote.validator;
    if (!sameVersion || st.st_size > f.remote.size) return std::nullopt;
    if (st.st_size == f.remote.size) f.complete = true;
    else if (!firstDue) return std::nullopt;
    f.have = st.st_size;
    return std::nullopt;
}

std::optional<QString> checkRoom(const QString& id, const QString& folder, const std::vector<FileState>& files) {
    qint64 need = 0;
    for (const FileState& f : files)
        if (!f.complete) need += f.remote.size - f.have;
    struct statvfs fs {};
    if (need == 0 || ::statvfs(QFile::encodeName(folder).constData(), &fs) != 0) return std::nullopt;
    const qint64 free = static_cast<qint64>(fs.f_bavail) * static_cast<qint64>(fs.f_frsize);
    if (need <= free) return std::nullopt;
    return QStringLiteral("%1: the download needs %2, but the cache's file system (%3) has only %4 free; "
                          "nothing was downloaded")
        .arg(id, graphRelease::sizeText(need), folder,
             free > 0 ? graphRelease::sizeText(free) : QStringLiteral("0 bytes"));
}

// Opens the partial files to write, emptying those that start anew.
std::optional<QString> openParts(std::vector<FileState>& files) {
    for (FileState& f : files) {
        if (f.complete) continue;
        f.fd = ::open(QFile::encodeName(f.part).constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (f.fd < 0) return QStringLiteral("%1: cannot be written (%2)").arg(f.part, errnoText(errno));
        if (f.have > 0) continue;
        if (::ftruncate(f.fd, 0) != 0) return QStringLiteral("%1: cannot be written (%2)").arg(f.part, errnoText(errno));
        if (auto error = writeTag(f, f.remote.validator)) return error;
    }
    return std::nullopt;
}

void closeParts(std::vector<FileState>& files) {
    for (FileState& f : files) {
        if (f.fd >= 0) ::close(f.fd);
        f.fd = -1;
    }
}

void removeFile(const QString& path) { ::unlink(QFile::encodeName(path).constData()); }

// The index is complete: the downloaded files go, or get their names.
void settleFiles(const std::vector<FileState>& files, bool keep) {
    for (const FileState& f : files) {
        const bool isPart = f.countPath == QFile::encodeName(f.part).toStdString();
        if (keep && isPart) ::rename(QFile::encodeName(f.part).constData(), QFile::encodeName(f.target).constData());
        if (!keep) {
            removeFile(f.part);
            removeFile(f.target);
        }
        removeFile(f.tag);
    }
}

// A count that failed on files all here: they get their names, so that
// `count` can try again without downloading.
void nameCompleteFiles(const std::vector<FileState>& files) {
    for (const FileState& f : files) {
        struct stat st {};
        bool exists = false;
        if (isRegular(f.part, st, exists) && st.st_size == f.remote.size &&
            ::rename(QFile::encodeName(f.part).constData(), QFile::encodeName(f.target).constData()) == 0)
            removeFile(f.tag);
    }
}

// The counting thread, started once the bytes it will read are settled.
class Counter {
public:
    Counter(GrowingFiles& growing, graphCount::Files files, std::string indexPath)
        : m_growing(growing), m_files(std::move(files)), m_indexPath(std::move(indexPath)) {}
    ~Counter() {
        m_growing.abandon();
        if (m_result.valid()) m_result.wait();
    }
    void start() {
        if (m_result.valid()) return;
        m_result = std::async(std::launch::async, [this] {
            GzLines::setThreadFollower(
                [this](const std::string& path, uint64_t have) { return m_growing.waitForMore(path, have); });
            graphCount::Result result = graphCount::countRelease(m_files, m_indexPath, {},
                                                                 [this](uint64_t done, uint64_t) { m_read = done; });
            m_ended = true;
            return result;
        });
    }
    // The count ended before all bytes came: it failed, and the download can stop.
    bool ended() const { return m_ended; }
    // Waits for the end, calling tick every tenth of a second.
    graphCount::Result finish(const std::function<void(uint64_t read)>& tick) {
        start();
        while (m_result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) tick(m_read);
        return m_result.get();
    }

private:
    GrowingFiles& m_growing;
    graphCount::Files m_files;
    std::string m_indexPath;
    std::atomic<uint64_t> m_read{0};
    std::atomic<bool> m_ended{false};
    std::future<graphCount::Result> m_result;
};

struct Run {
    const ReleaseFetch& request;
    std::vector<FileState> files;
    qint64 total = 0;
    qint64 arrived = 0;
    bool downloading = false;
    std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();

    qint64 here() const {
        qint64 bytes = 0;
        for (const FileState& f : files) bytes += f.complete ? f.remote.size : f.have;
        return bytes;
    }
    void report(qint64 done, bool counting) const {
        if (!request.progress) return;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        request.progress({done, total, arrived, seconds, counting});
    }
};

std::optional<QString> downloadAll(Run& run, GrowingFiles& growing, Counter& counter) {
    for (FileState& f : run.files) {
        if (f.complete) continue;
        Transfer t;
        t.url = f.url;
        t.name = f.target;
        t.fd = f.fd;
        t.have = f.have;
        t.remote = f.remote;
        std::optional<QString> tagError;
        t.settled = [&](qint64 from, const QByteArray& validator) {
            const bool anew = from != f.have;  // the server sent the whole file instead of the rest
            if (anew) {
                f.have = from;
                growing.add(f.countPath, 0, false);
            }
            if (anew || validator != f.remote.validator) tagError = writeTag(f, validator);
            counter.start();
        };
        t.grown = [&](qint64 size) {
            run.arrived += size - f.have;
            f.have = size;
            growing.grow(f.countPath, static_cast<uint64_t>(size));
            run.report(run.here(), false);
            return !counter.ended();
        };
        const TransferResult result = download(t);
        if (result.discard) {
            if (::ftruncate(f.fd, 0) == 0) removeFile(f.tag);
        }
        if (result.stopped) return std::nullopt;  // the count's error says why
        if (result.error) return result.error;
        if (tagError) return tagError;
        f.complete = true;
        growing.finish(f.countPath);
    }
    return std::nullopt;
}

}  // namespace

FetchOutcome fetchAndCount(const ReleaseFetch& request) {
    FetchOutcome outcome;
    Run run{request, {}};
    const QString folder = graphRelease::releaseFolder(request.id);
    bool partial = false;
    for (const QString& kind : graphRelease::kFileKinds) {
        FileState f;
        f.url = graphRelease::fileUrl(request.dataBase, request.id, kind);
        f.target = folder + QLatin1Char('/') + graphRelease::fileName(request.id, kind);
        f.part = f.target + QStringLiteral(".part");
        f.tag = f.part + QStringLiteral(".tag");
        if ((outcome.error = remoteInfo(f.url, f.remote))) return outcome;
        partial = partial || QFileInfo::exists(f.part);
        run.total += f.remote.size;
        run.files.push_back(f);
    }
    outcome.total = run.total;
    if (graphRelease::isCounted(request.id) && !partial) {
        outcome.alreadyCounted = true;
        return outcome;
    }
    bool firstDue = true;
    for (FileState& f : run.files) {
        if ((outcome.error = plan(f, firstDue))) return outcome;
        firstDue = firstDue && f.complete;
    }
    if ((outcome.error = checkRoom(request.id, folder, run.files))) return outcome;
    if ((outcome.error = graphRelease::writeCacheFile(graphRelease::infoPath(request.id), request.releaseJson)))
        return outcome;
    if ((outcome.error = openParts(run.files))) {
        closeParts(run.files);
        return outcome;
    }

    GrowingFiles growing;
    auto countPath = [&](const QString& kind) {
        return run.files[static_cast<size_t>(graphRelease::kFileKinds.indexOf(kind))].countPath;
    };
    const graphCount::Files countFiles{countPath(QStringLiteral("vertices")), countPath(QStringLiteral("edges")),
                                       countPath(QStringLiteral("ranks"))};
    for (const FileState& f : run.files)
        if (!f.complete) growing.add(f.countPath, static_cast<uint64_t>(f.have), false);
    Counter counter(growing, countFiles, QFile::encodeName(graphRelease::indexPath(request.id)).toStdString());
    const bool nothingToFetch = run.here() == run.total;
    // A partial file's first answer may empty it: the count waits for that.
    const auto due = std::find_if(run.files.begin(), run.files.end(), [](const FileState& f) { return !f.complete; });
    if (due == run.files.end() || due->have == 0) counter.start();
    run.report(run.here(), false);
    std::vector<int> fds;
    for (const FileState& f : run.files)
        if (f.fd >= 0) fds.push_back(f.fd);
    Flusher flusher(fds);
    outcome.error = downloadAll(run, growing, counter);
    flusher.finishSoon();
    if (outcome.error) {
        flusher.join();
        closeParts(run.files);
        return outcome;  // the counter gives up as it goes
    }

    const graphCount::Result counted = counter.finish([&](uint64_t read) {
        run.report(nothingToFetch ? static_cast<qint64>(read) : run.total, true);
    });
    flusher.join();
    closeParts(run.files);
    if (!counted.error.empty()) {
        nameCompleteFiles(run.files);
        outcome.error = QString::fromLocal8Bit(counted.error.c_str());
        return outcome;
    }
    settleFiles(run.files, request.keep);
    outcome.domains = counted.domains;
    outcome.edges = counted.edges;
    return outcome;
}

}  // namespace graphFetch
