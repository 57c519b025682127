#pragma once

#include <functional>
#include <optional>

// Runs job where file permissions are enforced: in this process for an
// ordinary user, and for root in a forked child that has become "nobody".
// Returns job's result, or nothing when the job could not be run that way.
// Folders the job touches must be reachable by "nobody".
std::optional<bool> runUnprivileged(const std::function<bool()>& job);

class QProcess;
// The same for a program: for root, the process starts as "nobody".
void startsUnprivileged(QProcess& process);
