#pragma once

#include <QRectF>
#include <QSizeF>

// Where a picture goes on a page: its top-left corner at the top-left of the
// printable area, at its natural size when that fits, otherwise scaled down
// to fit, keeping its proportions. Never scaled up.
QRectF printPlacement(const QSizeF& picture, const QRectF& printable);
