#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

// Fetching a release and counting it as its bytes arrive: the three files
// are downloaded one after another while a second thread counts what is
// already on disk, so the index is complete the moment the download ends.
// The caller holds the release's lock.
namespace graphFetch {

struct FetchProgress {
    qint64 done = 0;     // bytes of the three files here (or counted, when nothing is downloaded)
    qint64 total = 0;    // their sizes together
    qint64 arrived = 0;  // bytes downloaded by this run
    double seconds = 0;  // since this run's first byte was asked for
    bool counting = false;  // all bytes are here; the count is finishing
};

struct ReleaseFetch {
    QString id;
    QString dataBase;
    QByteArray releaseJson;  // the release's entry of the published list, saved beside its files
    bool keep = false;       // keep the .gz files once the index is complete
    // Called on the calling thread, often (each caller thins it out).
    std::function<void(const FetchProgress&)> progress;
};

struct FetchOutcome {
    std::optional<QString> error;  // names the file and the byte, or the address
    bool alreadyCounted = false;   // counted before, nothing partial here: nothing done
    qint64 total = 0;
    uint64_t domains = 0;
    uint64_t edges = 0;
};

// Resumes what an earlier run left (partial files are checked against the
// server's version and counted again from their start). Nothing is
// downloaded when the cache's file system has too little room for it.
FetchOutcome fetchAndCount(const ReleaseFetch& request);

}  // namespace graphFetch
