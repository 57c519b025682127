#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

// Downloads for the web graph, one at a time: this runs in quillmark-graph,
// a process of its own, so a blocking transfer holds nothing else up.
namespace graphFetch {

// A small answer (the release list) into memory; the error names the address.
std::optional<QString> getSmall(const QString& url, QByteArray& body);

// What the server says of a file before it is fetched.
struct Remote {
    qint64 size = -1;
    // What tells this version of the file from another: "ETag: ..." (a strong
    // one) or "Last-Modified: ...", as it can be sent back in If-Range; empty
    // when the server gives neither, and then a download cannot be resumed.
    QByteArray validator;
};
// A HEAD request; the error names the address.
std::optional<QString> remoteInfo(const QString& url, Remote& remote);
std::optional<QString> remoteSize(const QString& url, qint64& size);

// A transfer slower than this on average over this many seconds ends (a
// server dripping bytes holds a job for ever otherwise).
struct SpeedFloor {
    long bytesPerSecond = 1024;
    long seconds = 60;
};
void setSpeedFloor(SpeedFloor floor);
SpeedFloor speedFloor();

// One file's download into an open file, from byte `have` on (a range request
// with If-Range when have > 0). Never more than `remote.size` bytes are
// written, whatever the server sends.
struct Transfer {
    QString url;
    QString name;   // the file's name in messages (its final path)
    int fd = -1;    // the partial file, written at explicit offsets
    qint64 have = 0;
    Remote remote;  // from the HEAD request; its validator goes into If-Range
    // The answer settled where the file starts: at `have`, or at 0 when the
    // server sent the whole file instead of the range (the file was then
    // emptied first, and validator is the new version's).
    std::function<void(qint64 from, const QByteArray& validator)> settled;
    // Bytes are in the file up to this size; false stops the transfer.
    std::function<bool(qint64 size)> grown;
};
struct TransferResult {
    std::optional<QString> error;  // names the file and the byte, or the address
    // What is in the file cannot be trusted (a server that sent more than it
    // announced, or other bytes than those asked for): start it again.
    bool discard = false;
    bool stopped = false;  // grown said to stop
    qint64 size = 0;  // the file's size as the transfer ended
};
TransferResult download(const Transfer& transfer);

}  // namespace graphFetch
