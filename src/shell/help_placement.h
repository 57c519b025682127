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
