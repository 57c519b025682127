#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>
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

}  // namespace graphFetch
