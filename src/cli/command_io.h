#pragma once

#include <QByteArray>
#include <functional>

// Where a command-line program writes: its own standard streams, or a test's
// buffers.
struct CommandIo {
    std::function<void(const QByteArray&)> out;  // standard output
    std::function<void(const QByteArray&)> err;  // standard error
    bool progress = false;                       // standard error is a terminal: show progress there
};

// The process's standard output and error, flushed at every write.
CommandIo standardStreams();
