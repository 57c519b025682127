#pragma once

#include <QByteArray>
#include <optional>

// The desktop program's own command line: --help and --version, answered
// before any window or toolkit starts; every other argument is left to Qt.
namespace windowOptions {

// The text `quillmark --help` prints.
QByteArray usage();
// What to print before exiting with 0 for --help or --version (the first of
// them on the line), or nothing when the window should open.
std::optional<QByteArray> answer(int argc, const char* const* argv);

}  // namespace windowOptions
