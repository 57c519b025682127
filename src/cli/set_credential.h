#pragma once

#include "cli/command_io.h"

#include <QString>

// quillmark-scan --set-credential SOURCE KEY: the value comes from standard
// input (its first line), never from the command line, where other users can
// read it; it is stored where the window's Options store it. Returns the exit code.
int setCredential(const QString& source, const QString& key, const CommandIo& io);
