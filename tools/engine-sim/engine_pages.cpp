#include "engine_pages.h"

#include "sim_text.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::array<Engine, 6> kEngines{{
    {EngineId::Google, "Google", "google", "q", "/search?hl=en&ie=UTF-8&q=link:"},
    {EngineId::Altavista, "Altavista", "altavista", "q", "/web/results?q=link:"},
    {EngineId::Yahoo, "Yahoo", "yahoo", "p", "/search?fr=fp-pull-web-t&p=link:"},
    {EngineId::Ask, "Ask", "ask", "q", "/web?qsrc=1&o=312&q=links:"},
    {EngineId::Msn, "MSN", "msn", "q", "/results.aspx?FORM=SMCRT&q=link:"},
    {EngineId::Atw, "ATW", "atw", "q", "/search?cat=web&cs=utf8&q=link:"},
}};

constexpr std::uint64_t kHashedCountRange = 10'000'000;

// Where the value of param starts in a raw query, or npos.
std::size_t valueStart(std::string_view query, std::string_view param) {
    const std::string key = std::string(param) + '=';
    for (std::size_t pos = query.find(key); pos != std::string_view::npos; pos = query.find(key, pos + 1)) {
        if (pos == 0 || query[pos - 1] == '&') return pos + key.size();
    }
    return std::string_view::npos;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && toLower(text.substr(0, prefix.size())) == prefix;
}

// Separators where the count still fits the ten characters a parser accepts;
// longer counts are shown as plain digits so that they stay readable.
std::string fitted(const std::string& digits) {
    std::string grouped = groupThousands(digits);
    return grouped.size() <= 10 ? grouped : digits;
}

std::string pageHead(const std::string& title) {
    return "<!DOCTYPE html>\n<html>\n<head><meta charset=\"iso-8859-1\"><title>" + title +
           "</title></head>\n<body>\n";
}

const char* const kPageTail = "\n</body>\n</html>\n";

std::string googlePage(const PageChoice& choice, const std::string& addr) {
    std::string body = pageHead("link:" + addr + " - Google Search");
    if (choice.kind == PageKind::Count) {
        body += "<table class=\"t\"><tr><td>Results <b>1</b> - <b>10</b> of about <b>" + fitted(choice.count) +
                "</b> linking to <b>" + addr + "</b>. (<b>0.19</b> seconds)</td></tr></table>\n"
                "<p class=\"g\"><a href=\"http://linking-page.example/\">A page that links here</a></p>";
    } else {
        body += "<p>Your search - <b>link:" + addr +
                "</b> - did not match any documents.  <br><br>Suggestions:</p>\n"
                "<ul><li>Make sure all words are spelled correctly.</li></ul>";
    }
    return body + kPageTail;
}

std::string altavistaPage(const PageChoice& choice, const std::string& addr) {
    std::string body = pageHead("AltaVista - Web Results");
    if (choice.kind == PageKind::Count) {
        body += "<div id=\"info\"><A class=\"lbl\" href=\"/web/results?q=link:" + addr + "\">AltaVista found " +
                fitted(choice.count) + " results</A></div>\n"
                "<a class=\"res\" href=\"http://linking-page.example/\">A page that links here</a>";
    } else {
        body += "<div id=\"info\"><span class=m><span class=y>We found 0 results. </span>"
                "Try fewer or different words than <b>link:" + addr + "</b>.</span></div>";
    }
    return body + kPageTail;
}

std::string yahooPage(const PageChoice& choice, const std::string& addr) {
    std::string body = pageHead("Yahoo! Search Results for link:" + addr);
    if (choice.kind == PageKind::Count) {
        body += "<div id=\"info\"><p>1 - 10 of about <strong>" + choice.count + "</strong> for <strong>link:" +
                addr + "</strong></p></div>\n"
                "<ol><li><a class=\"yschttl\" href=\"http://linking-page.example/\">A page that links here</a></li></ol>";
    } else {
        body += "<div id=\"cols\"><big>We didn't find any Web pages matching the following criteria:<ul><li>link:" +
                addr + "</li></ul></big></div>";
    }
    return body + kPageTail;
}

std::string askPage(const PageChoice& choice, const std::string& addr) {
    std::string body = pageHead("Ask.com Search - links:" + addr);
    if (choice.kind == PageKind::Count) {
        // Ask pads its count and breaks the line before the cell ends.
        body += "<table width=\"100%\"><tr><td class=\"T9\">Showing results 1-10 of  " +
                groupThousands(choice.count) + "\r\n</td></tr></table>\n"
                "<div class=\"res\"><a href=\"http://linking-page.example/\">A page that links here</a></div>";
    } else {
        body += "<div class=\"noResults\"><p>No results were found for <b>links:" + addr + "</b>.</p></div>";
    }
    return body + kPageTail;
}

std::string msnPage(const PageChoice& choice, const std::string& addr) {
    std::string body = pageHead("link:" + addr + " - MSN Search");
    if (choice.kind == PageKind::Count) {
        body += "<div id=\"results_area\"><h5 class=\"sb_count\">Page 1 of " + groupThousands(choice.count) +
                " results containing <strong>link:" + addr + "</strong></h5></div>\n"
                "<ul><li><a href=\"http://linking-page.example/\">A page that links here</a></li></ul>";
    } else {
        body += "<table class=\"noresults\"><tr><td class=\"icon\"></td><td><span class=\"h1\">"
                "Sorry, no results were found containing <span class=\"h1 blue\">link:" +
                addr + "</span></span></td></tr></table>";
    }
    return body + kPageTail;
}

std::string atwPage(const PageChoice& choice, const std::string& addr) {
    std::string body = pageHead("AllTheWeb.com Search: link:" + addr);
    if (choice.kind == PageKind::Count) {
        body += "<div id=\"resultsInfo\">Results 1 - 10 of <span class=\"ofSoMany\">" + fitted(choice.count) +
                "</span> for <b>link:" + addr + "</b></div>\n"
                "<div class=\"res\"><a href=\"http://linking-page.example/\">A page that links here</a></div>";
    } else {
        // The sentence is broken by a bare line feed, as the engine writes it.
        body += "<div class=\"noResults\"><p>No Web pages\nfound that match your query.</p>"
                "<p>Try more general words than <b>link:" + addr + "</b>.</p></div>";
    }
    return body + kPageTail;
}

std::string garbagePage() {
    return pageHead("Not a result page") +
           "<p>This page is no engine's result page: it carries no count and no sentence.</p>" + kPageTail;
}

}  // namespace

const std::array<Engine, 6>& engines() { return kEngines; }

const Engine* engineBySegment(std::string_view segment) {
    const auto it = std::find_if(kEngines.begin(), kEngines.end(),
                                 [&](const Engine& e) { return segment == e.segment; });
    return it == kEngines.end() ? nullptr : &*it;
}

EngineQuery parseEngineQuery(const Engine& engine, std::string_view rawQuery) {
    EngineQuery query;
    const std::size_t start = valueStart(rawQuery, engine.param);
    if (start == std::string_view::npos) {
        query.head = std::string(rawQuery);
        return query;
    }
    std::string_view value = rawQuery.substr(start);
    if (value.size() >= kAtwSuffix.size() && value.substr(value.size() - kAtwSuffix.size()) == kAtwSuffix) {
        value.remove_suffix(kAtwSuffix.size());
        query.tail = std::string(kAtwSuffix);
    }
    std::string decoded = percentDecode(value);
    std::string op;
    for (std::string_view candidate : {"links:", "link:"}) {
        if (startsWithNoCase(decoded, candidate)) {
            op = decoded.substr(0, candidate.size());
            decoded.erase(0, candidate.size());
            break;
        }
    }
    query.head = std::string(rawQuery.substr(0, start)) + op;
    query.address = std::move(decoded);
    return query;
}

std::string rebuildQuery(const EngineQuery& query) {
    return query.head + percentEncode(query.address) + query.tail;
}

Behaviour behaviourOf(std::string_view address) {
    Behaviour b;
    b.hang = hasWord(address, "hang");
    b.drop = hasWord(address, "drop");
    b.redirect = hasWord(address, "redirect");
    if (const auto mb = wordNumber(address, "huge"); mb && mb->size() <= 4)
        b.hugeBytes = std::min<std::size_t>(std::stoul(*mb), kMaxHugeMb) << 20;
    else if (hasWord(address, "huge"))
        b.hugeBytes = kHugePageBytes;
    b.endless = hasWord(address, "endless");
    if (const auto s = wordNumber(address, "retry"); s && s->size() <= 6) b.retryAfter = std::stoi(*s);
    if (const auto ms = wordNumber(address, "slow"); ms && ms->size() <= 7) b.slowMs = std::stoi(*ms);
    if (const auto code = wordNumber(address, "status"); code && code->size() == 3) {
        const int status = std::stoi(*code);
        if (status >= 400 && status <= 599) b.status = status;
    }
    return b;
}

PageChoice choosePage(const Engine& engine, std::string_view address) {
    if (hasWord(address, "garbage")) return {PageKind::Garbage, {}};
    if (hasWord(address, "nolinks")) return {PageKind::NoResults, {}};
    if (const auto n = wordNumber(address, "count")) return {PageKind::Count, stripLeadingZeros(*n)};
    // Each address gets a size of its own (tens to millions of links), so a
    // list shows Low, Medium and High sites; each engine varies within it.
    std::uint64_t range = 10;
    for (std::uint64_t digits = fnv1a(address) % 7; digits > 0; --digits) range *= 10;
    const std::uint64_t hash = fnv1a(std::string(engine.key) + '\n' + std::string(address));
    return {PageKind::Count, std::to_string(hash % std::min(range, kHashedCountRange))};
}

std::string enginePage(const Engine& engine, const PageChoice& choice, std::string_view address) {
    if (choice.kind == PageKind::Garbage) return garbagePage();
    const std::string addr = htmlEscape(address);
    switch (engine.id) {
    case EngineId::Google: return googlePage(choice, addr);
    case EngineId::Altavista: return altavistaPage(choice, addr);
    case EngineId::Yahoo: return yahooPage(choice, addr);
    case EngineId::Ask: return askPage(choice, addr);
    case EngineId::Msn: return msnPage(choice, addr);
    case EngineId::Atw: return atwPage(choice, addr);
    }
    return garbagePage();
}

std::string errorPage(int status, std::string_view detail) {
    const char* reason = "Error";
    switch (status) {
    case 400: reason = "Bad Request"; break;
    case 404: reason = "Not Found"; break;
    case 429: reason = "Too Many Requests"; break;
    case 500: reason = "Internal Server Error"; break;
    case 503: reason = "Service Unavailable"; break;
    }
    const std::string line = std::to_string(status) + ' ' + reason;
    return "<html><head><title>" + line + "</title></head><body><h1>" + line + "</h1><p>" + htmlEscape(detail) +
           "</p></body></html>\n";
}

std::string settingsIni(int port) {
    std::string text = "[Engines]\r\n";
    for (const Engine& e : kEngines) {
        text += std::string(e.key) + "=http://127.0.0.1:" + std::to_string(port) + '/' + e.segment +
                e.pathAndQuery + "\r\n";
    }
    return text;
}

}  // namespace sim
