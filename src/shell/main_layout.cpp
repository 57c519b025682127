#include "shell/main_layout.h"

#include <cstdlib>

MainLayoutInput MainLayoutInput::fromClient(int clientWidthTwips, int clientHeightTwips) {
    MainLayoutInput in;
    in.windowWidth = clientWidthTwips + 120;
    in.windowHeight = clientHeightTwips + 390;
    return in;
}

MainLayout computeMainLayout(const MainLayoutInput& in) {
    using namespace mainDesign;
    MainLayout out;
    if (in.minimized) return out;
    out.applied = true;

    // With the banner the strip counts as taller for the rest of the pass only,
    // so repeated passes never grow it.
    const int extra = in.bannerEnabled ? in.bannerHeight + 80 : 0;
    const int picture1Height = kPicture1Height + extra;

    out.frame1 = kFrame1;
    out.frame1.moveTop(0 + picture1Height);
    out.frame1.setHeight(in.windowHeight - out.frame1.top() - in.statusBarHeight - 800);

    out.tabStrip = kTabStrip;
    out.tabStrip.moveTop(std::abs(out.frame1.top()));
    out.tabStrip.setHeight(out.frame1.height());
    out.tabStrip.setWidth(std::abs(in.windowWidth - out.tabStrip.left() - 200));

    out.page = QRect(out.tabStrip.left() + 100, out.tabStrip.top() + 500, out.tabStrip.width() - 200,
                     out.tabStrip.height() - 700);

    out.gridWidth = std::abs(out.page.width() - 2 * kGrid.left());
    out.gridHeight = std::abs(out.page.height() - kGrid.top() - 200);
    out.chartWidth = std::abs(out.gridWidth);
    out.chartHeight = std::abs(out.gridHeight - 100);

    out.list1Height = out.frame1.height() - kList1.top() - 200;
    out.command3Width = in.windowWidth - kCommand3Left - 200;
    out.picture1Height = kPicture1Height;
    return out;
}
