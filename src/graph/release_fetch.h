#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <functional>
#include <optional>

// Downloads for the web graph, one at a time: this runs in quillmark-graph,
// a process of its own, so a blocking transfer holds nothing else up.
namespace graphFetch {

// A small answer (the release list) into memory; the error names the address.
std::optional<QString> getSmall(const QString& url, QByteArray& body);

// Downloads url into target, resuming a "<target>.part" left by an earlier
// attempt with a range request; the file gets its name only once its size
// matches the server's. With progress set, a progress line (bytes, rate,
// time left) is kept up to date there. The error names the file and the byte.
std::optional<QString> fetchFile(const QString& url, const QString& target, FILE* progress);
// As above; bytes is told, as they arrive, how many bytes of the file are here
// (those of an earlier attempt included).
std::optional<QString> fetchFile(const QString& url, const QString& target, FILE* progress,
                                 const std::function<void(qint64)>& bytes);

// The server's size of a file, by a HEAD request; the error names the address.
std::optional<QString> remoteSize(const QString& url, qint64& size);

}  // namespace graphFetch
