#include "browse/website_layout.h"

#include <cstdlib>

WebsiteLayout layoutWebsiteWindow(int windowWidth, int windowHeight, int statusBarHeight) {
    using namespace websiteDesign;
    WebsiteLayout l;
    l.panel1Width = std::abs(windowWidth / 2);
    l.panel2Width = std::abs(windowWidth / 2);
    l.frameHeight = std::abs(windowHeight - statusBarHeight);
    l.frameWidth = std::abs(windowWidth - 300);
    l.addressWidth = std::abs(l.frameWidth - kAddressLeft - 300 - kGoWidth);
    l.goLeft = l.addressWidth + kAddressLeft + 100;
    l.browserWidth = std::abs(l.frameWidth - kBrowserLeft - 100);
    l.browserHeight = std::abs(l.frameHeight - kBrowserTop - 800 - statusBarHeight);
    return l;
}
