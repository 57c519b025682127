#pragma once

#include "cli/command_io.h"

#include <QString>
#include <QStringList>
#include <functional>

// The headless scan: quillmark-scan [--at-once] [--pause S] [-l FILE]... [ADDRESS]...
//                    quillmark-scan [--at-once] [--pause S] --append NAME ADDRESS
//                    quillmark-scan [--at-once] [--pause S] --append-each [-l FILE]... [ADDRESS]...
//                    quillmark-scan --history NAME [--since YYYY-MM-DD]
// It scans the addresses exactly as the window's Start does (same driver, same
// settings.ini of the application folder, same settings store) and prints the
// grid as it stands after the scan as CSV on standard output.
using ScanCommandIo = CommandIo;

// 1: a list file cannot be read, or with --append nothing was saved (no
// engine gave a count, or the saved search cannot be written).
enum ScanExit { ScanOk = 0, ScanFailed = 1, ScanUsageError = 2 };

QString scanUsage();

// Runs the command with the arguments after the program name; returns the
// exit code. Runs its own event loop until the scan is over.
int runScanCommand(const QStringList& args, const ScanCommandIo& io);
