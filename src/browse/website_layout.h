#pragma once

// Where the website window's parts go for a window size, all in twips. Every
// computed length is an absolute value, so a window smaller than its toolbar
// still gives sizes of zero or more; there is no minimum window size.
struct WebsiteLayout {
    int panel1Width = 0;
    int panel2Width = 0;
    int frameWidth = 0;
    int frameHeight = 0;
    int addressWidth = 0;
    int goLeft = 0;
    int browserWidth = 0;
    int browserHeight = 0;
};

// Design positions that the layout keeps (inside the frame).
namespace websiteDesign {
inline constexpr int kFrameLeft = 60;
inline constexpr int kFrameTop = 0;
inline constexpr int kLabelLeft = 120, kLabelTop = 300;
inline constexpr int kAddressLeft = 540, kAddressTop = 240, kAddressHeight = 315;
inline constexpr int kGoWidth = 795, kGoHeight = 315;
inline constexpr int kButtonTop = 600, kButtonSize = 435;
inline constexpr int kBackLeft = 540, kForwardLeft = 1020, kStopLeft = 1500, kRefreshLeft = 1980;
inline constexpr int kBrowserLeft = 120, kBrowserTop = 1140;
inline constexpr int kDesignWidth = 11400, kDesignHeight = 8400;
}  // namespace websiteDesign

WebsiteLayout layoutWebsiteWindow(int windowWidth, int windowHeight, int statusBarHeight);
