#pragma once

#include <QRect>
#include <cmath>

// Window geometry is designed in twips (1/1440 inch); the screen is taken at
// 96 pixels per inch, 15 twips to the pixel.
inline constexpr int kTwipsPerPixel = 15;

inline int twipsToPixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}
inline int pixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }
inline QRect twipsToPixels(const QRect& r) {
    return QRect(twipsToPixels(r.left()), twipsToPixels(r.top()), twipsToPixels(r.width()),
                 twipsToPixels(r.height()));
}
