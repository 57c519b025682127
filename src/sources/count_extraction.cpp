#include "sources/count_extraction.h"

#include <algorithm>
#include <optional>

// Everything here works on views of the caller's page: a 100 KB page is never
// copied. Engines 3 to 6 read the page as if every double quote were an
// apostrophe; instead of rewriting the page, their marker searches let an
// apostrophe in a marker match either quote, and only the short texts that are
// returned or compared get the rewrite.

namespace {

constexpr QChar kQuote = u'"';
constexpr QChar kApostrophe = u'\'';
constexpr qsizetype kMaxCountLength = 10;

QChar rewritten(QChar c, bool rewrite) {
    return (rewrite && c == kQuote) ? kApostrophe : c;
}

// Whether text, read with the quote rewrite, equals marker exactly.
bool equalsRewritten(QStringView text, QStringView marker) {
    for (qsizetype i = 0; i < marker.size(); ++i) {
        if (rewritten(text[i], true) != marker[i])
            return false;
    }
    return true;
}

// Index of the first occurrence of marker in text, or -1; with rewrite set the
// text is read as if every double quote were an apostrophe.
qsizetype findMarker(QStringView text, QStringView marker, bool rewrite) {
    if (!rewrite)
        return text.indexOf(marker);
    if (marker.contains(kQuote))
        return -1;  // the rewritten page holds no double quote
    const qsizetype apostrophe = marker.indexOf(kApostrophe);
    if (apostrophe < 0)
        return text.indexOf(marker);
    // Look for the quote-free head with the fast search, then check the rest.
    const QStringView head = marker.first(apostrophe);
    const QStringView tail = marker.sliced(apostrophe);
    for (qsizetype from = 0;;) {
        const qsizetype at = head.isEmpty() ? from : text.indexOf(head, from);
        if (at < 0 || at > text.size() - marker.size())
            return -1;
        if (equalsRewritten(text.sliced(at + apostrophe, tail.size()), tail))
            return at;
        from = at + 1;
    }
}

// The old routine's arithmetic, 1-based: p is the before-marker's position or
// 0, and a missing before-marker still drops length(before) - 1 characters.
// found, when given, says whether both markers were there.
QStringView between(QStringView s, QStringView before, QStringView past, bool rewrite,
                    bool* found = nullptr) {
    const qsizetype p = findMarker(s, before, rewrite) + 1;
    const qsizetype n = s.size() - p - before.size() + 1;
    if (n >= 0)
        s = s.last(std::min(n, s.size()));
    const qsizetype q = findMarker(s, past, rewrite) + 1;
    if (q >= 1)
        s = s.first(q - 1);
    if (found)
        *found = p >= 1 && q >= 1;
    return s;
}

bool isUsable(qsizetype length) {
    return length >= 1 && length <= kMaxCountLength;
}

QString toText(QStringView v, bool rewrite) {
    QString out = v.toString();
    if (rewrite)
        out.replace(kQuote, kApostrophe);
    return out;
}

// Whether the probe cut from the page reads exactly as the engine's sentence
// for an empty result.
bool probeSays(QStringView page, QStringView before, QStringView past, bool rewrite,
               QStringView sentence, bool dropLineFeeds = false) {
    const QStringView probe = between(page, before, past, rewrite);
    qsizetype matched = 0;
    for (const QChar c : probe) {
        if (dropLineFeeds && c == u'\n')
            continue;
        if (matched == sentence.size() || rewritten(c, rewrite) != sentence[matched])
            return false;
        ++matched;
    }
    return matched == sentence.size();
}

// The old reader's notion of "reads as a number": an optional sign, then
// digits with at most one decimal point, at least one digit. Fed one
// character at a time so a long candidate fails at its first stray character.
class NumberReader {
public:
    bool feed(QChar c) {
        if ((c == u'+' || c == u'-') && !m_started) {
            m_started = true;
            return true;
        }
        m_started = true;
        if (c == u'.' && !m_sawPoint) {
            m_sawPoint = true;
            return true;
        }
        if (c >= u'0' && c <= u'9') {
            m_sawDigit = true;
            return true;
        }
        return false;
    }
    bool complete() const { return m_sawDigit; }

private:
    bool m_started = false;
    bool m_sawPoint = false;
    bool m_sawDigit = false;
};

// Google writes the count in bold, sometimes after "about ".
std::optional<QString> googleCount(QStringView candidate) {
    if (!candidate.contains(u"<b>"))
        return isUsable(candidate.size()) ? std::optional(candidate.toString()) : std::nullopt;
    QString count = candidate.toString();
    count.remove(QStringLiteral("about <b>"));
    count.remove(QStringLiteral("<b>"));
    return isUsable(count.size()) ? std::optional(count) : std::nullopt;
}

// Ask's count loses its spaces, line breaks and thousands separators; trimming
// spaces first changes nothing once every space goes.
std::optional<QString> askCount(QStringView candidate) {
    QString count;
    for (const QChar c : candidate) {
        if (c == u' ' || c == u'\r' || c == u'\n' || c == u',')
            continue;
        if (count.size() == kMaxCountLength)
            return std::nullopt;
        count.append(rewritten(c, true));
    }
    return isUsable(count.size()) ? std::optional(count) : std::nullopt;
}

// MSN's count loses commas and spaces; anything that is then not a number
// counts as "0", which is usable but was not read (read is cleared).
std::optional<QString> msnCount(QStringView candidate, bool& read) {
    read = false;
    NumberReader number;
    QString count;
    bool tooLong = false;
    for (const QChar c : candidate) {
        if (c == u',' || c == u' ')
            continue;
        const QChar r = rewritten(c, true);
        if (!number.feed(r))
            return QStringLiteral("0");
        if (count.size() == kMaxCountLength)
            tooLong = true;  // keep reading: a later stray character still makes it "0"
        else
            count.append(r);
    }
    if (!number.complete())
        return QStringLiteral("0");
    read = !tooLong;
    return tooLong ? std::nullopt : std::optional(count);
}

// A count is read only when both markers framed it; the old arithmetic also
// hands out text cut from a page that lacks them.
EngineCount readCount(QString text, bool framed) { return {std::move(text), framed}; }

// The engine's own sentence for an empty result is a count read; its absence
// is no count at all.
EngineCount zeroIf(bool noResults) {
    return noResults ? EngineCount{QStringLiteral("0"), true} : EngineCount{};
}

EngineCount parseGoogle(QStringView page) {
    bool framed = false;
    if (auto count = googleCount(between(page, u"</b> of ", u"</b> linking to ", false, &framed)))
        return readCount(*count, framed);
    return zeroIf(probeSays(page, u"</b> - ", u".  <br><br>", false,
                            u"did not match any documents"));
}

EngineCount parseAltaVista(QStringView page) {
    bool framed = false;
    const QStringView candidate = between(page, u"AltaVista found ", u" results</A>", false, &framed);
    if (isUsable(candidate.size()))
        return readCount(candidate.toString(), framed);
    return zeroIf(probeSays(page, u"<span class=m><span class=y>", u". ", false,
                            u"We found 0 results"));
}

EngineCount parseYahoo(QStringView page) {
    bool framed = false;
    const QStringView candidate = between(page, u"of about <strong>", u"</strong>", true, &framed);
    if (isUsable(candidate.size()))
        return readCount(toText(candidate, true), framed);
    return zeroIf(probeSays(page, u"<big>", u":<ul><li>", true,
                            u"We didn't find any Web pages matching the following criteria"));
}

// Ask shows "0" when nothing was read, though it read no such figure.
EngineCount parseAsk(QStringView page) {
    bool framed = false;
    if (auto count = askCount(between(page, u"Showing results 1-10 of ", u"</td>", true, &framed)))
        return readCount(*count, framed);
    return {QStringLiteral("0"), false};
}

// Whether the page holds "Page 1 of " in any letter case. Its one digit is
// found with the fast single-character search; only those hits are compared.
bool containsPageOneOf(QStringView page) {
    constexpr QStringView marker = u"Page 1 of ";
    constexpr qsizetype anchorAt = 5;
    for (qsizetype from = anchorAt;;) {
        const qsizetype at = page.indexOf(u'1', from);
        if (at < 0 || at - anchorAt > page.size() - marker.size())
            return false;
        if (page.sliced(at - anchorAt, marker.size()).compare(marker, Qt::CaseInsensitive) == 0)
            return true;
        from = at + 1;
    }
}

EngineCount parseMsn(QStringView page) {
    const bool paged = containsPageOneOf(page);
    bool framed = false;
    const QStringView candidate = paged ? between(page, u"Page 1 of ", u" results", true, &framed)
                                        : between(page, u" of ", u" containing ", true, &framed);
    bool read = false;
    if (auto count = msnCount(candidate, read))
        return readCount(*count, read && framed);
    return zeroIf(probeSays(page, u"</td><td><span class='h1'>", u" <span class='h1 blue'>", true,
                            u"Sorry, no results were found containing"));
}

EngineCount parseAllTheWeb(QStringView page) {
    bool framed = false;
    const QStringView candidate = between(page, u"<span class='ofSoMany'>", u"</span>", true, &framed);
    if (isUsable(candidate.size()))
        return readCount(toText(candidate, true).replace(u' ', u'0'), framed);
    return zeroIf(probeSays(page, u"<div class='noResults'>", u".</p>", true,
                            u"<p>No Web pagesfound that match your query", true));
}

}  // namespace

QString GetBetween(const QString& text, const QString& before, const QString& past) {
    return between(text, before, past, false).toString();
}

QString ParseEngineData(const QString& page, int parser) { return ParseEngineCount(page, parser).text; }

EngineCount ParseEngineCount(const QString& page, int parser) {
    switch (parser) {
    case 1: return parseGoogle(page);
    case 2: return parseAltaVista(page);
    case 3: return parseYahoo(page);
    case 4: return parseAsk(page);
    case 5: return parseMsn(page);
    case 6: return parseAllTheWeb(page);
    default: return {};
    }
}
