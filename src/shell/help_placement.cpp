#include "shell/help_placement.h"

#include <algorithm>

namespace {
// Shorter than this the help text is no use; it may then cover the header.
constexpr int kMinimumHeight = 160;

int fitTop(int top, int height, const QRect& screen) {
    return std::max(screen.top(), std::min(top, screen.bottom() + 1 - height));
}
}  // namespace

QRect placeHelpWindow(const HelpPlacementInput& in) {
    const QSize size(std::min(in.help.width(), in.screen.width()), std::min(in.help.height(), in.screen.height()));
    const int besideTop = fitTop(in.mainWindow.top(), size.height(), in.screen);
    if (in.screen.right() - in.mainWindow.right() >= size.width())
        return {QPoint(in.mainWindow.right() + 1, besideTop), size};
    if (in.mainWindow.left() - in.screen.left() >= size.width())
        return {QPoint(in.mainWindow.left() - size.width(), besideTop), size};

    const int left = std::max(in.screen.left(), std::min(in.urlFrame.left(), in.screen.right() + 1 - size.width()));
    const int top = std::max(in.keepClearTo + 1, in.urlFrame.bottom() + 1 - size.height());
    const int height = std::max(std::min(size.height(), in.screen.bottom() + 1 - top), kMinimumHeight);
    return {QPoint(left, fitTop(top, height, in.screen)), QSize(size.width(), height)};
}

QPoint titleBarOnScreen(const QRect& frame, const QRect& screen) {
    return {frame.left(), std::max(frame.top(), screen.top())};
}
