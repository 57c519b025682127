#pragma once

#include "cli/command_io.h"

#include <QByteArray>
#include <QStringList>
#include <functional>

// quillmark-graph [--base URL] list | fetch RELEASE | count RELEASE
//                 | lookup [--release R] ADDRESS... | history [--release R] NAME ADDRESS
// Free counts of linking domains from the open web graph: releases are
// fetched into the cache folder, counted once into an index there, and looked
// up locally.
using GraphCommandIo = CommandIo;

enum GraphExit { GraphOk = 0, GraphFailed = 1, GraphUsageError = 2 };

QString graphUsage();
int runGraphCommand(const QStringList& args, const GraphCommandIo& io);
