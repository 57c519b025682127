#include "support/unprivileged.h"

#include <QProcess>
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr uid_t kNobody = 65534;
}

void startsUnprivileged(QProcess& process) {
    if (::geteuid() != 0) return;
    process.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(126);
    });
}

std::optional<bool> runUnprivileged(const std::function<bool()>& job) {
    if (::geteuid() != 0) return job();
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
        ::_exit(job() ? 1 : 0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return std::nullopt;
    const int code = WEXITSTATUS(status);
    if (code > 1) return std::nullopt;
    return code == 1;
}
