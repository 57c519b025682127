#pragma once

#include <QtGlobal>

#include <limits>

// The largest count a cell may hold, for every way a count is read and for
// the grid that totals them: eighteen digits, so that the six columns of a
// row still add up inside 64 bits. A count beyond it is no count.
inline constexpr int kMaxCountDigits = 18;
inline constexpr qint64 kMaxCount = 999'999'999'999'999'999;
static_assert(6 * kMaxCount > 0 && 6 * kMaxCount < std::numeric_limits<qint64>::max());
