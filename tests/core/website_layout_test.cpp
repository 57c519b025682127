#include "browse/website_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(WebsiteLayout, FollowsTheWindowAndNeverGoesNegative) {
    struct Case {
        int width, height, statusBar;
        WebsiteLayout expected;
    };
    // panel1, panel2, frame w, frame h, address w, go left, browser w, browser h
    const Case cases[] = {
        {12000, 9000, 300, {6000, 6000, 11700, 8700, 10065, 10705, 11480, 6460}},
        {1801, 3000, 300, {900, 900, 1501, 2700, 134, 774, 1281, 460}},
        // Narrower than the toolbar: the address box's width flips to its absolute value.
        {1000, 2000, 300, {500, 500, 700, 1700, 935, 1575, 480, 540}},
        {0, 0, 300, {0, 0, 300, 300, 1335, 1975, 80, 1940}},
        {100, 100, 0, {50, 50, 200, 100, 1435, 2075, 20, 1840}},
    };
    for (const Case& c : cases) {
        const WebsiteLayout l = layoutWebsiteWindow(c.width, c.height, c.statusBar);
        const WebsiteLayout& e = c.expected;
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        EXPECT_EQ(l.panel1Width, e.panel1Width);
        EXPECT_EQ(l.panel2Width, e.panel2Width);
        EXPECT_EQ(l.frameWidth, e.frameWidth);
        EXPECT_EQ(l.frameHeight, e.frameHeight);
        EXPECT_EQ(l.addressWidth, e.addressWidth);
        EXPECT_EQ(l.goLeft, e.goLeft);
        EXPECT_EQ(l.browserWidth, e.browserWidth);
        EXPECT_EQ(l.browserHeight, e.browserHeight);
    }
    for (int w = 0; w <= 3000; w += 7) {
        for (int h = 0; h <= 3000; h += 13) {
            const WebsiteLayout l = layoutWebsiteWindow(w, h, 345);
            ASSERT_GE(l.addressWidth, 0);
            ASSERT_GE(l.frameWidth, 0);
            ASSERT_GE(l.frameHeight, 0);
            ASSERT_GE(l.browserWidth, 0);
            ASSERT_GE(l.browserHeight, 0);
        }
    }
}

}  // namespace
