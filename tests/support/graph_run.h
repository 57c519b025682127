#pragma once

#include "cli/graph_command.h"

#include <QByteArray>
#include <QStringList>

// quillmark-graph's command run in the test's own process, its two streams kept.
struct GraphRun {
    int exit = -1;
    QByteArray out, err;
};

inline GraphRun graph(const QStringList& args) {
    GraphRun r;
    GraphCommandIo io;
    io.out = [&](const QByteArray& bytes) { r.out += bytes; };
    io.err = [&](const QByteArray& bytes) { r.err += bytes; };
    r.exit = runGraphCommand(args, io);
    return r;
}
