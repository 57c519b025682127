#pragma once

#include <QWidget>

class PictureBox;
class QWebEngineView;

// The main window's banner strip: a small browser showing the banner page, and
// a picture that stands in its place when there is no banner.
struct BannerParts {
    QWebEngineView* wbBanner = nullptr;
    PictureBox* wbPicture = nullptr;
};

// Makes both parts in the window at the banner's design place (60, 1140,
// 7335 x 945 twips); the browser starts hidden and empty, the picture shown.
BannerParts createBanner(QWidget* window);

// The width cut off the banner browser's right edge, where its scroll bar would be.
inline constexpr int kBannerMarginTwips = 280;

// Sets up the banner strip: a borderless clipping box "picBox" takes the
// browser's place, as high as the browser and narrower by the margin; the
// browser moves into it at its top-left corner, keeping its size, so its
// right-hand strip is cut off. Shows the box and the browser, hides the
// picture and opens the banner page. Returns the box (owned by the window);
// null when a part is missing.
QWidget* showBanner(QWidget* window, QWidget* wbBanner, QWidget* wbPicture);
