#include "list_csv.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace sim {
namespace {

constexpr const char* kHeader =
    "GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,IDN_Domain,IDN_TLD,PrevGlobalRank,PrevTldRank,"
    "PrevRefSubNets,PrevRefIPs";

struct Fixed {
    const char* domain;
    const char* tld;
    const char* idn;
    long subnets;
};
// Sites the tests look up: a registrable domain, a listed subdomain beside
// its own domain, a public suffix of two labels, a name listed with www., an
// internationalised name, and a name listed twice (the first row counts).
constexpr std::array<Fixed, 8> kFixedRows{{
    {"google.com", "com", "google.com", 500000},
    {"example.com", "com", "example.com", 40000},
    {"blog.example.org", "org", "blog.example.org", 3000},
    {"example.org", "org", "example.org", 2500},
    {"shop.co.uk", "uk", "shop.co.uk", 1200},
    {"www.wwwsite.net", "net", "www.wwwsite.net", 900},
    {"xn--bcher-kva.de", "de", "b\xC3\xBC" "cher.de", 800},
    {"EXAMPLE.COM", "com", "example.com", 7},
}};

long longParam(const httplib::Request& req, const char* name, long fallback) {
    if (!req.has_param(name)) return fallback;
    return std::strtol(req.get_param_value(name).c_str(), nullptr, 10);
}

}  // namespace

std::string listCsv(long rows, bool bom, bool crlf, bool quoted, const std::string& header) {
    const char* eol = crlf ? "\r\n" : "\n";
    std::string out;
    out.reserve(static_cast<size_t>(rows) * 64 + 256);
    if (bom) out += "\xEF\xBB\xBF";
    out += header;
    out += eol;
    const auto field = [&out, quoted](const std::string& text, bool last) {
        if (quoted) out += '"';
        out += text;
        if (quoted) out += '"';
        if (!last) out += ',';
    };
    for (long r = 1; r <= rows; ++r) {
        const bool fixed = r <= static_cast<long>(kFixedRows.size());
        const std::string domain = fixed ? kFixedRows[static_cast<size_t>(r - 1)].domain : "d" + std::to_string(r) + ".test";
        const std::string tld = fixed ? kFixedRows[static_cast<size_t>(r - 1)].tld : "test";
        const std::string idn = fixed ? kFixedRows[static_cast<size_t>(r - 1)].idn : domain;
        const long subnets = fixed ? kFixedRows[static_cast<size_t>(r - 1)].subnets : rows - r + 1;
        const std::string rank = std::to_string(r);
        field(rank, false);
        field(rank, false);
        field(domain, false);
        field(tld, false);
        field(std::to_string(subnets), false);
        field(std::to_string(subnets * 2), false);
        field(idn, false);
        field(tld, false);
        field(rank, false);
        field(rank, false);
        field(std::to_string(subnets), false);
        field(std::to_string(subnets * 2), true);
        out += eol;
    }
    return out;
}

void addListRoutes(httplib::Server& server) {
    server.Get("/lists/million.csv", [](const httplib::Request& req, httplib::Response& res) {
        const long rows = std::clamp(longParam(req, "rows", 2000), 0L, 2'000'000L);
        const std::string header = req.has_param("header") ? req.get_param_value("header") : kHeader;
        res.set_content(listCsv(rows, longParam(req, "bom", 0) == 1, longParam(req, "crlf", 0) == 1,
                                longParam(req, "quoted", 0) == 1, header),
                        "text/csv");
    });
}

}  // namespace sim
