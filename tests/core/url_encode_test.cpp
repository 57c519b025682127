#include "browse/url_encode.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlEncode, EncodesExactlyTheTwentyFourCharacters) {
    const struct {
        char16_t character;
        const char* code;
    } table[] = {
        {u'%', "%25"},  {u' ', "%20"},  {u'<', "%3C"}, {u'>', "%3E"}, {u'#', "%23"},  {u'{', "%7B"},
        {u'}', "%7D"},  {u'|', "%7C"},  {u'\\', "%5C"}, {u'^', "%5E"}, {u'~', "%7E"}, {u'[', "%5B"},
        {u']', "%5D"},  {u'`', "%60"},  {u';', "%3B"}, {u'/', "%2F"}, {u'?', "%3F"},  {u':', "%3A"},
        {u'@', "%40"},  {u'=', "%3D"},  {u'&', "%26"}, {u'$', "%24"}, {u'\n', "%0A"}, {u'\r', "%0D"},
    };
    QString encoded;
    for (const auto& entry : table) {
        EXPECT_EQ(urlEncode(QString(QChar(entry.character))), QLatin1String(entry.code))
            << int(entry.character);
        encoded += QChar(entry.character);
    }
    // Every other character of 0..255 stays as it is.
    for (int c = 0; c < 256; ++c) {
        const QString one{QChar(char16_t(c))};
        if (!encoded.contains(one)) {
            EXPECT_EQ(urlEncode(one), one) << c;
        }
    }
}

TEST(UrlEncode, SinglePassOverWholeTexts) {
    const struct {
        const char16_t* text;
        const char16_t* expected;
    } cases[] = {
        {u"a b/c?d=1&e=2#f", u"a%20b%2Fc%3Fd%3D1%26e%3D2%23f"},
        {u"50%", u"50%25"},
        {u"a%20b", u"a%2520b"},
        {u"http://www.example.com/", u"http%3A%2F%2Fwww.example.com%2F"},
        {u"-_.+,!*'()\"", u"-_.+,!*'()\""},
        {u"caf\u00e9 \u4e2d", u"caf\u00e9%20\u4e2d"},
        {u"line\r\nend", u"line%0D%0Aend"},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(urlEncode(QString::fromUtf16(c.text)), QString::fromUtf16(c.expected));
}

TEST(UrlEncode, WebViewQueryAppendsTheEncodedAddressOnly) {
    EXPECT_EQ(webViewQuery(QStringLiteral("http://g.example/search?q=link:"), QStringLiteral("a b")),
              QStringLiteral("http://g.example/search?q=link:a%20b"));
    EXPECT_EQ(webViewQuery(QString(), QStringLiteral("x/y")), QStringLiteral("x%2Fy"));
    EXPECT_EQ(webViewQuery(QStringLiteral("t="), QString()), QStringLiteral("t="));
}

}  // namespace
