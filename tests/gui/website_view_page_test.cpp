#include "browse/website_view_page.h"

#include "browse/website_list.h"
#include "config/engine_catalog.h"
#include "scripted_platform.h"
#include "support/qt_gtest_printers.h"
#include "support/engine_sim_process.h"
#include "support/temp_app_folder.h"
#include "support/test_environment.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>
#include <functional>
#include <gtest/gtest.h>

namespace {

class WebsiteViewPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.isRunning());
        m_app.write("settings.ini", m_sim.settingsIni().toLocal8Bit());
        m_page = std::make_unique<WebsiteViewPage>(m_list, nullptr);
        m_page->resize(900, 700);
        m_page->layoutPage(900 * 15, 700 * 15);
        m_page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_page.get()));
    }
    void TearDown() override { m_page.reset(); }

    void addScanned(const QString& address) {
        m_list.appendPage(QLatin1String(WebsiteList::kHomePage), address);
        for (const EngineSpec& engine : engineSpecs())
            m_list.appendPage(QLatin1String(engine.webLabel), address);
    }
    QTreeView* list() const { return m_page->listView(); }
    QWebEngineView* browser() const { return m_page->browser(); }
    QLineEdit* addressBox() const { return m_page->findChild<QLineEdit*>("Text1"); }

    // Runs action and waits until the browser has finished the load it starts.
    bool loads(const std::function<void()>& action) {
        QSignalSpy finished(browser(), &QWebEngineView::loadFinished);
        action();
        return spinUntil([&] { return !finished.isEmpty(); }, 30000);
    }
    bool titleBecomes(const QString& title) {
        spinUntil([&] { return browser()->title() == title; }, 5000);
        EXPECT_EQ(browser()->title(), title);
        return browser()->title() == title;
    }
    void clickRow(int row) {
        list()->scrollTo(m_list.index(row, 1));
        const QRect r = list()->visualRect(m_list.index(row, 1));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    }
    void clickHeader(int section) {
        QHeaderView* header = list()->header();
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QString typeColumn() const {
        QStringList types;
        for (int r = 0; r < m_list.rowCount(); ++r) types << m_list.cell(r, WebsiteList::kTypeColumn);
        return types.join(',');
    }

    EngineSimProcess m_sim;
    TempAppFolder m_app;
    ScriptedPlatform m_ui;
    WebsiteList m_list;
    std::unique_ptr<WebsiteViewPage> m_page;
};

TEST_F(WebsiteViewPageTest, ControlsAndDesignLayout) {
    EXPECT_EQ(m_page->objectName(), "Frame4");
    EXPECT_EQ(m_page->title(), "Results - Website View");
    EXPECT_EQ(list()->objectName(), "ListView2");
    EXPECT_EQ(browser()->objectName(), "WebBrowser1");
    EXPECT_EQ(m_list.headerData(0, Qt::Horizontal).toString(), "Webpage Type");
    EXPECT_EQ(m_list.headerData(1, Qt::Horizontal).toString(), "URL");
    const struct {
        const char* name;
        const char* tip;
    } buttons[] = {{"Command10", "browse the entered url"}, {"Command8", "back"},
                   {"Command9", "forward"}, {"Command11", "stop"}, {"Command70", "refresh"}};
    for (const auto& b : buttons) {
        auto* button = m_page->findChild<QPushButton*>(b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->toolTip(), b.tip);
        EXPECT_FALSE(button->icon().isNull()) << b.name;
        EXPECT_TRUE(button->text().isEmpty());
    }
    // A quarter and three quarters of the list's design width (8595 twips).
    EXPECT_EQ(list()->header()->sectionSize(0), 143);
    EXPECT_EQ(list()->header()->sectionSize(1), 429);

    struct Case {
        int width, height;
        QRect listRect, boxRect, goRect, browserRect;
    };
    // In pixels of 15 twips; the frame sizes are in twips.
    const Case cases[] = {
        {13500, 10500, {4, 16, 892, 125}, {40, 144, 787, 21}, {834, 144, 53, 21}, {4, 200, 892, 493}},
        {8715, 7495, {4, 16, 573, 125}, {40, 144, 468, 21}, {515, 144, 53, 21}, {4, 200, 573, 293}},
        // Too small: lengths are taken as their absolute values, the box never negative.
        {60, 2000, {4, 16, 4, 125}, {40, 144, 0, 21}, {47, 144, 53, 21}, {4, 200, 4, 73}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        m_page->layoutPage(c.width, c.height);
        EXPECT_EQ(list()->geometry(), c.listRect);
        EXPECT_EQ(addressBox()->geometry(), c.boxRect);
        EXPECT_EQ(m_page->findChild<QPushButton*>("Command10")->geometry(), c.goRect);
        EXPECT_EQ(browser()->geometry(), c.browserRect);
        EXPECT_EQ(m_page->findChild<QPushButton*>("Command8")->geometry(), QRect(40, 168, 29, 29));
        EXPECT_EQ(m_page->findChild<QPushButton*>("Command70")->geometry(), QRect(136, 168, 29, 29));
    }
}

TEST_F(WebsiteViewPageTest, RowClicksLoadTheirPages) {
    const QString home = m_sim.url("/google/search?q=link:home.example");
    addScanned(home);
    addScanned("http://count-42.example/a b");
    QSignalSpy opening(m_page.get(), &WebsiteViewPage::statusPanel2Changed);

    ASSERT_TRUE(loads([&] { clickRow(0); }));
    EXPECT_EQ(m_page->lastNavigation(), home);
    EXPECT_EQ(browser()->url(), QUrl(home));
    EXPECT_TRUE(titleBecomes("link:home.example - Google Search"));
    EXPECT_EQ(addressBox()->text(), home);
    ASSERT_EQ(opening.size(), 2);
    EXPECT_EQ(opening.first().at(0).toString(), "Opening " + home);

    // The Google row of the second address: template + encoded address.
    const QString google = m_sim.url("/google/search?hl=en&ie=UTF-8&q=link:") +
                           "http%3A%2F%2Fcount-42.example%2Fa%20b";
    ASSERT_TRUE(loads([&] { clickRow(8); }));
    EXPECT_EQ(m_page->lastNavigation(), google);
    EXPECT_EQ(browser()->url().toString(QUrl::FullyEncoded), google);
    EXPECT_EQ(addressBox()->text(), google) << "the location as the browser holds it, encoded";
    // The engine read the address back exactly as it was scanned.
    EXPECT_TRUE(titleBecomes("link:http://count-42.example/a b - Google Search"));

    // Templates are read on every click: a changed file is seen at once, and an
    // engine missing from it leaves the encoded address alone.
    m_app.write("settings.ini", "[Engines]\r\nATW=" + m_sim.url("/atw/other?q=link:").toLatin1() + "\r\n");
    ASSERT_TRUE(loads([&] { clickRow(13); }));  // AllTheWeb, no scan suffix
    EXPECT_EQ(m_page->lastNavigation(), m_sim.url("/atw/other?q=link:") + "http%3A%2F%2Fcount-42.example%2Fa%20b");
    clickRow(9);  // AltaVista: no template now
    EXPECT_EQ(m_page->lastNavigation(), "http%3A%2F%2Fcount-42.example%2Fa%20b");
}

TEST_F(WebsiteViewPageTest, HomePageWithoutSchemeIsHandedOnUnchanged) {
    const QString bare =
        m_sim.url("/yahoo/search?p=link:bare.example").mid(QStringLiteral("http://").size());
    addScanned(bare);
    ASSERT_TRUE(loads([&] { clickRow(0); }));
    EXPECT_EQ(m_page->lastNavigation(), bare);
    EXPECT_EQ(browser()->url(), QUrl("http://" + bare));
    EXPECT_TRUE(titleBecomes("Yahoo! Search Results for link:bare.example"));
}

TEST_F(WebsiteViewPageTest, EnterNavigatesOtherKeysOnlyEdit) {
    ASSERT_TRUE(loads([&] { m_page->navigateBlank(); }));
    const QString target = m_sim.url("/typed?x=1");
    addressBox()->clear();
    QTest::keyClicks(addressBox(), target);
    QTest::keyClick(addressBox(), Qt::Key_Backspace);
    QTest::keyClick(addressBox(), Qt::Key_Tab);
    QTest::keyClicks(addressBox(), "2");
    QTest::qWait(200);
    EXPECT_EQ(browser()->url(), QUrl("about:blank"));
    EXPECT_EQ(addressBox()->text(), m_sim.url("/typed?x=2"));

    ASSERT_TRUE(loads([&] { QTest::keyClick(addressBox(), Qt::Key_Return); }));
    EXPECT_EQ(browser()->url(), QUrl(m_sim.url("/typed?x=2")));
    EXPECT_EQ(m_page->lastNavigation(), m_sim.url("/typed?x=2"));

    // The go button takes the text exactly as typed.
    addressBox()->setText(m_sim.url("/go"));
    ASSERT_TRUE(loads([&] {
        QTest::mouseClick(m_page->findChild<QPushButton*>("Command10"), Qt::LeftButton);
    }));
    EXPECT_EQ(browser()->url(), QUrl(m_sim.url("/go")));
}

TEST_F(WebsiteViewPageTest, HistoryButtons) {
    auto* back = m_page->findChild<QPushButton*>("Command8");
    auto* forward = m_page->findChild<QPushButton*>("Command9");
    // With no history these do nothing and fail silently.
    QTest::mouseClick(back, Qt::LeftButton);
    QTest::mouseClick(forward, Qt::LeftButton);
    QTest::mouseClick(m_page->findChild<QPushButton*>("Command11"), Qt::LeftButton);
    QTest::mouseClick(m_page->findChild<QPushButton*>("Command70"), Qt::LeftButton);

    ASSERT_TRUE(loads([&] { addressBox()->setText(m_sim.url("/one")); QTest::keyClick(addressBox(), Qt::Key_Enter); }));
    ASSERT_TRUE(loads([&] { addressBox()->setText(m_sim.url("/two")); QTest::keyClick(addressBox(), Qt::Key_Return); }));
    ASSERT_TRUE(loads([&] { QTest::mouseClick(back, Qt::LeftButton); }));
    EXPECT_EQ(browser()->url(), QUrl(m_sim.url("/one")));
    EXPECT_EQ(addressBox()->text(), m_sim.url("/one"));
    ASSERT_TRUE(loads([&] { QTest::mouseClick(forward, Qt::LeftButton); }));
    EXPECT_EQ(browser()->url(), QUrl(m_sim.url("/two")));
    ASSERT_TRUE(loads([&] { QTest::mouseClick(m_page->findChild<QPushButton*>("Command70"), Qt::LeftButton); }));
    EXPECT_EQ(browser()->url(), QUrl(m_sim.url("/two")));
}

TEST_F(WebsiteViewPageTest, HeaderClicksFlipTheDirection) {
    clickHeader(0);  // an empty list is left alone
    EXPECT_EQ(m_list.rowCount(), 0);
    addScanned("b.com");
    addScanned("a.com");
    const QString ascending = "AllTheWeb,AllTheWeb,AltaVista,AltaVista,Ask,Ask,Google,Google,"
                              "Home Page,Home Page,MSN,MSN,Yahoo,Yahoo";
    QStringList reversed = ascending.split(',');
    std::reverse(reversed.begin(), reversed.end());
    clickHeader(0);
    EXPECT_EQ(typeColumn(), reversed.join(','));
    clickHeader(0);
    EXPECT_EQ(typeColumn(), ascending);
    // The direction is shared: the URL column now sorts descending.
    clickHeader(1);
    EXPECT_EQ(m_list.cell(0, WebsiteList::kUrlColumn), "b.com");
    EXPECT_EQ(m_list.cell(13, WebsiteList::kUrlColumn), "a.com");
    EXPECT_TRUE(m_ui.asked.isEmpty());
}

TEST_F(WebsiteViewPageTest, ShowWebResultsFindsTheFirstRowInDisplayOrder) {
    const QString a = m_sim.url("/home/a");
    const QString b = m_sim.url("/home/b");
    const QString c = m_sim.url("/home/c");
    addScanned(a);
    addScanned(b);
    addScanned(c);
    addScanned(b);  // scanned twice
    EXPECT_FALSE(m_page->showWebResults("http://elsewhere.example/"));
    EXPECT_FALSE(m_page->showWebResults(b.toUpper()));
    EXPECT_TRUE(list()->selectionModel()->selectedRows().isEmpty());

    ASSERT_TRUE(loads([&] { EXPECT_TRUE(m_page->showWebResults(b)); }));
    const auto selected = [&] { return list()->selectionModel()->selectedRows(); };
    ASSERT_EQ(selected().size(), 1);
    EXPECT_EQ(selected()[0].row(), 7);  // the first group's "Home Page" row
    EXPECT_EQ(list()->indexAt(QPoint(2, 2)).row(), 7);  // scrolled to the top
    EXPECT_EQ(browser()->url(), QUrl(b));

    // Sorted by URL descending (first click), then by type ascending: the first
    // match is then b's AllTheWeb row, somewhere down the list.
    clickHeader(1);
    clickHeader(0);
    int expected = -1;
    for (int r = 0; r < m_list.rowCount() && expected < 0; ++r)
        if (m_list.cell(r, WebsiteList::kUrlColumn) == b) expected = r;
    ASSERT_GT(expected, 0);
    EXPECT_EQ(m_list.cell(expected, WebsiteList::kTypeColumn), "AllTheWeb");
    ASSERT_TRUE(loads([&] { EXPECT_TRUE(m_page->showWebResults(b)); }));
    EXPECT_EQ(selected()[0].row(), expected);
    EXPECT_EQ(list()->indexAt(QPoint(2, 2)).row(), expected);
    EXPECT_EQ(m_page->lastNavigation(), m_sim.url("/atw/search?cat=web&cs=utf8&q=link:") +
                                            QUrl::toPercentEncoding(b, "!*'()+,-._"));
    EXPECT_TRUE(m_ui.asked.isEmpty());
}

TEST_F(WebsiteViewPageTest, StatusTextsGoToTheMainWindow) {
    QSignalSpy status(m_page.get(), &WebsiteViewPage::statusPanel1Changed);
    QSignalSpy opening(m_page.get(), &WebsiteViewPage::statusPanel2Changed);
    ASSERT_TRUE(loads([&] {
        browser()->setHtml(QStringLiteral("<html><body style='margin:0'><a href='%1' style='display:block;"
                                          "width:100%;height:400px'>link</a></body></html>")
                               .arg(m_sim.url("/hovered")),
                           QUrl(m_sim.url("/")));
    }));
    QWidget* surface = browser()->focusProxy();
    ASSERT_NE(surface, nullptr);
    int step = 0;
    EXPECT_TRUE(spinUntil([&] {
        QTest::mouseMove(surface, QPoint(40 + step++ % 20, 50));
        return !status.isEmpty() && status.last().at(0).toString() == m_sim.url("/hovered");
    }, 10000));
    // Leaving the link clears the text.
    QTest::mouseMove(surface, QPoint(40, 450));
    EXPECT_TRUE(spinUntil([&] { return status.last().at(0).toString().isEmpty(); }, 10000));
    ASSERT_GE(opening.size(), 2);
    EXPECT_TRUE(opening.at(opening.size() - 2).at(0).toString().startsWith("Opening "));
    EXPECT_EQ(opening.last().at(0).toString(), "") << "nothing is opening once the page has loaded";
}

// Each way of choosing a row shows its page exactly once: the arrow keys and
// Enter as a click does, and a click on a new row not twice.
TEST_F(WebsiteViewPageTest, KeysAndClicksShowEachChosenPageOnce) {
    const QString a = m_sim.url("/home/a");
    const QString b = m_sim.url("/home/b");
    addScanned(a);
    addScanned(b);
    const QString googleA = m_sim.url("/google/search?hl=en&ie=UTF-8&q=link:") + QUrl::toPercentEncoding(a, "!*'()+,-._");
    QSignalSpy shown(m_page.get(), &WebsiteViewPage::navigating);
    auto shownSince = [&](qsizetype from) {
        QStringList addresses;
        for (qsizetype i = from; i < shown.size(); ++i) addresses << shown.at(i).at(0).toString();
        return addresses;
    };
    list()->setFocus();
    struct Step {
        const char* name;
        std::function<void()> act;
        QStringList expected;
    };
    const Step steps[] = {
        {"down onto the first row", [&] { QTest::keyClick(list(), Qt::Key_Down); }, {a}},
        {"down", [&] { QTest::keyClick(list(), Qt::Key_Down); }, {googleA}},
        {"up", [&] { QTest::keyClick(list(), Qt::Key_Up); }, {a}},
        {"enter", [&] { QTest::keyClick(list(), Qt::Key_Return); }, {a}},
        {"end", [&] { QTest::keyClick(list(), Qt::Key_End); }, {m_sim.url("/atw/search?cat=web&cs=utf8&q=link:") +
                                                                 QUrl::toPercentEncoding(b, "!*'()+,-._")}},
        {"click on another row", [&] { clickRow(7); }, {b}},
        {"click on the same row", [&] { clickRow(7); }, {b}},
        {"sort by a column", [&] { clickHeader(1); }, {}},
        {"web results", [&] { m_page->showWebResults(a); }, {a}},
    };
    for (const Step& step : steps) {
        const qsizetype before = shown.size();
        step.act();
        QCoreApplication::processEvents();
        EXPECT_EQ(shownSince(before), step.expected) << step.name;
    }
    EXPECT_EQ(m_page->lastNavigation(), a);
}

}  // namespace

namespace {

// A source's page made here (a data: address holding the whole page) shows a
// short label in the address box, never the address itself.
TEST_F(WebsiteViewPageTest, APageMadeHereShowsAShortLabelInTheAddressBox) {
    const QByteArray html = "<html><head><title>Made here</title></head><body>" + QByteArray(4000, 'x') +
                            "</body></html>";
    const int made = m_list.appendPage(QStringLiteral("Web Graph"), QStringLiteral("http://example.com/"));
    m_list.setTag(made, 0, QStringLiteral("data:text/html;charset=utf-8,") + QString::fromLatin1(QUrl::toPercentEncoding(html)));
    const QString label = QStringLiteral("Web Graph: http://example.com/");
    QSignalSpy opening(m_page.get(), &WebsiteViewPage::statusPanel2Changed);

    ASSERT_TRUE(loads([&] { clickRow(made); }));
    EXPECT_TRUE(titleBecomes("Made here"));
    EXPECT_EQ(addressBox()->text(), label);
    ASSERT_FALSE(opening.isEmpty());
    EXPECT_EQ(opening.first().at(0).toString(), "Opening " + label);

    // Enter on the label shows the same page again.
    ASSERT_TRUE(loads([&] { QTest::keyClick(addressBox(), Qt::Key_Return); }));
    EXPECT_EQ(browser()->url().scheme(), "data");
    EXPECT_EQ(addressBox()->text(), label);

    // Back from a web page to it: the label again.
    const QString home = m_sim.url("/google/search?q=link:home.example");
    addScanned(home);
    ASSERT_TRUE(loads([&] { clickRow(made + 1); }));
    EXPECT_EQ(addressBox()->text(), home);
    ASSERT_TRUE(loads([&] { QTest::mouseClick(m_page->findChild<QPushButton*>("Command8"), Qt::LeftButton); }));
    EXPECT_EQ(addressBox()->text(), label);
}

}  // namespace
