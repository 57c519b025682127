#include "cli/command_io.h"

#include <cstdio>
#include <unistd.h>

namespace {

void writeTo(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

CommandIo standardStreams() {
    CommandIo io;
    io.out = [](const QByteArray& bytes) { writeTo(stdout, bytes); };
    io.err = [](const QByteArray& bytes) { writeTo(stderr, bytes); };
    io.progress = ::isatty(STDERR_FILENO) == 1;
    return io;
}
