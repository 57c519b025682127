#pragma once

#include <array>
#include <string>
#include <string_view>

// The six stand-in engines: how a query names its address, what the address
// asks for, and the result pages in each engine's own format.
namespace sim {

enum class EngineId { Google, Altavista, Yahoo, Ask, Msn, Atw };

struct Engine {
    EngineId id;
    const char* key;           // key under [Engines] in settings.ini
    const char* segment;       // first path segment of its pages: "google"
    const char* param;         // query parameter that carries the address
    const char* pathAndQuery;  // default template after the host
};

const std::array<Engine, 6>& engines();
const Engine* engineBySegment(std::string_view segment);

// The scan appends this to AllTheWeb queries after the address.
inline constexpr std::string_view kAtwSuffix = "&rys=0&_sb_lang=pref&ocjp=1";

// A query string split around the address. The address runs from the link
// operator to the end of the query (the scan appends it unencoded, "&" and
// all), less a trailing AllTheWeb suffix, and is percent-decoded.
struct EngineQuery {
    std::string head;     // the raw query up to the address, operator included
    std::string address;  // decoded
    std::string tail;     // the AllTheWeb suffix when the request carried it
};
EngineQuery parseEngineQuery(const Engine& engine, std::string_view rawQuery);
// The query again, with the address percent-encoded.
std::string rebuildQuery(const EngineQuery& query);

// What the behaviour words of an address ask of the server.
struct Behaviour {
    bool hang = false;      // "hang": accept and never answer
    bool drop = false;      // "drop": close without any answer
    bool redirect = false;  // "redirect": 302 to the address without the word
    std::size_t hugeBytes = 0;  // "huge": a normal page padded to kHugePageBytes; "huge-MB" to MB MiB
    bool endless = false;   // "endless": a normal page, then filler for ever (chunked)
    int slowMs = 0;         // "slow-MS"
    int status = 0;         // "status-CODE" (400 to 599); 0 answers normally
    int retryAfter = -1;    // "retry-S": 429 with "Retry-After: S"
};
Behaviour behaviourOf(std::string_view address);
inline constexpr std::size_t kHugePageBytes = 20u << 20;
inline constexpr std::size_t kMaxHugeMb = 4096;

enum class PageKind { Count, NoResults, Garbage };
struct PageChoice {
    PageKind kind = PageKind::Count;
    std::string count;  // decimal digits, for PageKind::Count
};
// "garbage" wins over "nolinks", which wins over "count-N"; an address with
// none of them gets a count from a hash of engine and address.
PageChoice choosePage(const Engine& engine, std::string_view address);

std::string enginePage(const Engine& engine, const PageChoice& choice, std::string_view address);
// The body of an error status: no marker of any engine, and long enough that
// no parser mistakes a scrap of it for a count.
std::string errorPage(int status, std::string_view detail = "The server cannot answer this request now.");

// settings.ini with the six templates pointing at 127.0.0.1:port, CR LF lines.
std::string settingsIni(int port);

}  // namespace sim
