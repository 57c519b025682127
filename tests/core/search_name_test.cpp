#include "history/search_name.h"

#include "history/saved_search.h"
#include "support/qt_gtest_printers.h"

#include <gtest/gtest.h>

using savedSearch::nameForAddress;

TEST(SearchNameForAddress, HostWithoutWwwThenPathWithUnsafeCharactersReplaced) {
    const struct {
        QString address;
        QString name;
    } cases[] = {
        {"http://www.example.com/blog/", "example.com_blog"},
        {"http://www.example.com/", "example.com"},
        {"http://www.example.com", "example.com"},
        {"https://WWW.Example.COM/Blog", "example.com_Blog"},
        {"http://example.com/a/b/c.html", "example.com_a_b_c.html"},
        {"www.example.com/news", "example.com_news"},
        {"example.org", "example.org"},
        {"http://shop.example.com//deep//", "shop.example.com_deep"},
        {"http://www2.example.com/", "www2.example.com"},
        {"http://example.com/a%5Cb", "example.com_a_b"},
        {"http://example.com/a%2Fb", "example.com_a_b"},
        {"http://example.com/tab%09here", "example.com_tab_here"},
        {"http://example.com/my%20page", "example.com_my page"},
        {"http://example.com/caf%C3%A9", QStringLiteral("example.com_caf\u00e9")},
        {"http://example.com/page?id=1#top", "example.com_page"},
        {"  http://example.com/x  ", "example.com_x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        const auto name = nameForAddress(c.address);
        ASSERT_TRUE(name);
        EXPECT_EQ(*name, c.name);
        EXPECT_FALSE(savedSearch::nameProblem(*name));
    }
}

TEST(SearchNameForAddress, AddressesWithoutAHostGiveNoName) {
    for (const QString& address : QStringList{"", "   ", "http://", "http:///path", "http://www."}) {
        SCOPED_TRACE(address.toStdString());
        EXPECT_FALSE(nameForAddress(address));
    }
}
