#include "cli/window_options.h"

#include "build_info.h"

#include <cstring>

namespace windowOptions {

QByteArray usage() {
    return QByteArrayLiteral(
        "Usage: quillmark [QT-OPTION]...\n"
        "Opens the Quillmark window: a list of web addresses, the six engines' link\n"
        "counts for each in a sortable grid, dated histories of saved rows and their\n"
        "charts, and a browser over every result page. The window takes no files or\n"
        "addresses on its command line; quillmark-scan runs the same scan from a\n"
        "terminal or from cron.\n"
        "\n"
        "  -h, --help       show this help\n"
        "  --version        show the program's name and version\n"
        "\n"
        "Qt's standard options are accepted too, among them:\n"
        "  -platform NAME   the window system plugin (xcb, wayland, offscreen)\n"
        "  -style NAME      the widget style\n"
        "\n"
        "Environment:\n"
        "  XDG_CONFIG_HOME, XDG_DATA_HOME  where the options and the user's folder live\n"
        "  QTWEBENGINE_DISABLE_SANDBOX     set to 1 to run the browser without its sandbox\n"
        "                                  (done for the root user)\n");
}

std::optional<QByteArray> answer(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) return usage();
        if (std::strcmp(arg, "--version") == 0)
            return QByteArrayLiteral("quillmark ") + buildinfo::versionText + '\n';
    }
    return std::nullopt;
}

}  // namespace windowOptions
