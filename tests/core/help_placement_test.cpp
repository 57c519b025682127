#include "shell/help_placement.h"

#include <gtest/gtest.h>

// A 640 x 512 help window beside or over an 878 x 741 main window whose URL
// frame runs from y 166 to 715 and whose grid header ends at y 305.
TEST(HelpPlacement, BesideTheMainWindowOrOverTheLowerUrlFrame) {
    struct Case {
        const char* name;
        QRect screen;
        QPoint mainAt;
        QRect expected;
    };
    const Case cases[] = {
        {"room on the right", {0, 0, 1600, 1200}, {0, 0}, {878, 0, 640, 512}},
        {"room on the left only", {0, 0, 1600, 1200}, {722, 100}, {82, 100, 640, 512}},
        {"beside, kept on a short screen", {0, 0, 1600, 700}, {0, 400}, {878, 188, 640, 512}},
        {"no room beside", {0, 0, 1600, 1200}, {361, 0}, {365, 306, 640, 512}},
        {"no room beside, shortened to the screen", {0, 0, 1280, 800}, {200, 0}, {204, 306, 640, 494}},
        {"too short even so: a usable height", {0, 0, 1000, 420}, {0, 0}, {4, 260, 640, 160}},
    };
    for (const Case& c : cases) {
        HelpPlacementInput in;
        in.screen = c.screen;
        in.mainWindow = QRect(c.mainAt, QSize(878, 741));
        in.urlFrame = QRect(c.mainAt + QPoint(4, 166), QSize(221, 550));
        in.keepClearTo = c.mainAt.y() + 305;
        in.help = QSize(640, 512);
        EXPECT_EQ(placeHelpWindow(in), c.expected) << c.name;
    }
}

TEST(HelpPlacement, TheTitleBarIsKeptOnTheScreen) {
    const QRect screen(0, 30, 1024, 738);  // a panel above
    struct Case {
        const char* name;
        QRect frame;
        QPoint expected;
    };
    const Case cases[] = {
        {"on the screen: stays", {100, 200, 640, 512}, {100, 200}},
        {"title bar above the screen", {100, -22, 640, 512}, {100, 30}},
        {"under the panel", {0, 10, 640, 512}, {0, 30}},
        {"taller than the screen: its top on the screen's", {5, -100, 640, 900}, {5, 30}},
        {"off to the side: left alone", {-300, 100, 640, 512}, {-300, 100}},
        {"at the screen's top exactly", {0, 30, 640, 512}, {0, 30}},
    };
    for (const Case& c : cases) EXPECT_EQ(titleBarOnScreen(c.frame, screen), c.expected) << c.name;
}
