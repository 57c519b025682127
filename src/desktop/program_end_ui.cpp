#include "desktop/program_end_ui.h"

#include "desktop/branding.h"
#include "desktop/skin_ui.h"

#include <QCoreApplication>

namespace {
std::function<void()>& handler() {
    static std::function<void()> h;
    return h;
}
}  // namespace

void endProgram() {
    if (branding().skinEnabled)
        SkinGlobal().stop();
    if (handler())
        handler()();
    else
        QCoreApplication::quit();
}

void setEndProgramHandler(std::function<void()> h) { handler() = std::move(h); }
