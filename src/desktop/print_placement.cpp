#include "desktop/print_placement.h"

#include <algorithm>

QRectF printPlacement(const QSizeF& picture, const QRectF& printable) {
    if (picture.isEmpty() || printable.isEmpty()) return {printable.topLeft(), QSizeF(0, 0)};
    const qreal scale =
        std::min({1.0, printable.width() / picture.width(), printable.height() / picture.height()});
    return {printable.topLeft(), picture * scale};
}
