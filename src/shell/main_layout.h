#pragma once

#include <QRect>

// The main window's resize rules, in twips. The window size is its outer size
// as designed, that is with the title bar and borders that the layout's
// margins allow for (see MainLayoutInput::fromClient).
struct MainLayoutInput {
    int windowWidth = 0;
    int windowHeight = 0;
    int statusBarHeight = 0;
    bool bannerEnabled = false;
    int bannerHeight = 945;
    bool minimized = false;

    // Outer size from the client size: borders 2 x 60, title bar 390.
    static MainLayoutInput fromClient(int clientWidthTwips, int clientHeightTwips);
};

struct MainLayout {
    bool applied = false;     // false when minimized: nothing moves
    int picture1Height = 0;   // the top strip, back at its own height
    QRect frame1;             // "URLs"
    QRect tabStrip;
    QRect page;               // Frame2, Frame3 and Frame4 share it
    int list1Height = 0;
    int command3Width = 0;
    // Inside the pages (relative to the page frame).
    int gridWidth = 0;
    int gridHeight = 0;
    int chartWidth = 0;
    int chartHeight = 0;
};

// The design geometry that the rules start from.
namespace mainDesign {
inline constexpr int kClientWidth = 13170;
inline constexpr int kClientHeight = 11115;
inline constexpr int kPicture1Height = 1095;
inline const QRect kBanner{60, 1140, 7335, 945};
inline const QRect kFrame1{60, 1140, 3315, 8535};
inline const QRect kList1{120, 1020, 3075, 4350};
inline const QRect kTabStrip{3420, 1140, 9075, 8295};
inline const QRect kPage{3540, 1500, 8895, 7815};
inline const QRect kGrid{120, 1185, 3855, 2715};
inline constexpr int kCommand3Left = 4860;
// The smallest client area at which every control still has a positive size.
inline constexpr int kMinClientWidth = 9600;
inline constexpr int kMinClientHeight = 7200;
}  // namespace mainDesign

MainLayout computeMainLayout(const MainLayoutInput& in);
