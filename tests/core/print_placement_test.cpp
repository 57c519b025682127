#include "desktop/print_placement.h"

#include <gtest/gtest.h>

TEST(PrintPlacement, TopLeftOfThePrintableAreaScaledDownToFit) {
    struct Case {
        const char* what;
        QSizeF picture;
        QRectF printable;
        QRectF expected;
    };
    const QRectF a4(50, 40, 4860, 6820);  // printable part of a page, margins at the left and top
    const Case cases[] = {
        {"fits: natural size", {1000, 600}, a4, {50, 40, 1000, 600}},
        {"exactly the area", {4860, 6820}, a4, a4},
        {"too wide: scaled to the width", {9720, 3000}, a4, {50, 40, 4860, 1500}},
        {"too tall: scaled to the height", {1000, 13640}, a4, {50, 40, 500, 6820}},
        {"too wide and too tall: the tighter side wins", {9720, 27280}, a4, {50, 40, 2430, 6820}},
        {"empty picture", {0, 0}, a4, {50, 40, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QRectF placed = printPlacement(c.picture, c.printable);
        EXPECT_NEAR(placed.left(), c.expected.left(), 1e-9);
        EXPECT_NEAR(placed.top(), c.expected.top(), 1e-9);
        EXPECT_NEAR(placed.width(), c.expected.width(), 1e-6);
        EXPECT_NEAR(placed.height(), c.expected.height(), 1e-6);
        if (!c.picture.isEmpty()) {  // proportions kept
            EXPECT_NEAR(placed.width() / placed.height(), c.picture.width() / c.picture.height(), 1e-9);
        }
    }
}
