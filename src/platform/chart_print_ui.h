#pragma once

#include <QImage>
#include <QSize>

class QWidget;

// A copy of the rectangle (left, top, width, height), in pixels of source, as
// the screen shows it. Embedded 3-D views are drawn into the copy from their
// own frame buffers, so they do not come out black. The picture owns its
// pixels; there is no palette to manage on today's screens.
QImage CaptureWindowPicture(QWidget* source, int left, int top, int width, int height);

// The picture size for a control measured in twips, to the nearest pixel.
QSize captureSizeForTwips(int widthTwips, int heightTwips);

// "Print": captures chart as shown and prints it at the top-left corner of the
// printable area of one page of the default printer, scaled down when too big.
// Without a printer, or when the job fails, a message box owned by owner says
// so, and the program goes on.
void PrintChart(QWidget* chart, QWidget* owner);
