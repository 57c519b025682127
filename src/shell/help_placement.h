#pragma once

#include <QRect>

// Where the help window opens at start-up. All rectangles are on the screen,
// window rectangles with their frames.
struct HelpPlacementInput {
    QRect screen;      // the screen's available area
    QRect mainWindow;  // the main window as shown
    QRect urlFrame;    // the "URLs" frame of the main window
    int keepClearTo = 0;  // the grid header's bottom edge: nothing of the help above it may cover the main window
    QSize help;        // the help window's size
};

// Beside the main window where the screen has room for the whole help window
// (right first, then left); otherwise over the lower part of the URL frame,
// below the tab strip and the grid's header, shortened to stay on the screen.
QRect placeHelpWindow(const HelpPlacementInput& in);

// Where a window whose frame is frame goes so that its title bar is on the
// screen: moved down to the screen's top when it stands above it (some window
// managers place a window's inside at the top, its title bar above the
// screen); otherwise where it is.
QPoint titleBarOnScreen(const QRect& frame, const QRect& screen);
