#include "source_apis.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <regex>
#include <vector>

namespace sim {
namespace {

constexpr const char* kJson = "application/json";

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

// The JSON strings of a flat list, unescaped just enough for addresses.
std::vector<std::string> strings(const std::string& text) {
    static const std::regex string(R"re("((?:[^"\\]|\\.)*)")re");
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), string); it != std::sregex_iterator(); ++it) {
        std::string s;
        const std::string raw = (*it)[1].str();
        for (std::size_t i = 0; i < raw.size(); ++i) s += raw[i] == '\\' && i + 1 < raw.size() ? raw[++i] : raw[i];
        out.push_back(s);
    }
    return out;
}

bool basicIs(const httplib::Request& req, const std::string& user, const std::string& password) {
    return req.get_header_value("Authorization") ==
           httplib::make_basic_authentication_header(user, password).second;
}

bool jsonContent(const httplib::Request& req) {
    return req.get_header_value("Content-Type").rfind("application/json", 0) == 0;
}

void moz(const httplib::Request& req, httplib::Response& res) {
    // Accounts opened since 2024 send a token header; older ones Basic id:secret.
    const bool token = req.has_header("x-moz-token");
    if (token ? req.get_header_value("x-moz-token") != "sim-token" : !basicIs(req, "sim-id", "sim-secret")) {
        res.status = 401;
        res.set_content(R"({"name":"Unauthorized","message":"Invalid credentials"})", kJson);
        return;
    }
    static const std::regex shape(R"(^\s*\{\s*"targets"\s*:\s*\[(.*)\]\s*\}\s*$)");
    std::smatch match;
    const std::vector<std::string> targets =
        std::regex_match(req.body, match, shape) ? strings(match[1].str()) : std::vector<std::string>();
    if (!jsonContent(req) || targets.empty() || targets.size() > 50) {
        res.status = 400;
        res.set_content(R"({"name":"Bad Request","message":"targets must list 1 to 50 URLs"})", kJson);
        return;
    }
    std::string body = R"({"results":[)";
    // A target naming "short-batch" makes the answer leave out the last result.
    std::size_t listed = targets.size();
    for (const std::string& t : targets)
        if (t.find("short-batch") != std::string::npos) listed = targets.size() - 1;
    for (std::size_t i = 0; i < listed; ++i) {
        if (i) body += ',';
        body += "{\"page\":" + quoted(targets[i]) + ",\"root_domains_to_root_domain\":" +
                std::to_string(sourceCount(targets[i])) + ",\"domain_authority\":40}";
    }
    res.set_content(body + "]}", kJson);
}

void majestic(const httplib::Request& req, httplib::Response& res) {
    const auto refuse = [&res](const char* code, const char* message) {
        res.set_content(std::string(R"({"Code":")") + code + R"(","ErrorMessage":")" + message +
                            R"(","FullError":""})", kJson);
    };
    if (req.get_param_value("app_api_key") != "sim-key") return refuse("InvalidAPIKey", "The API key is not valid");
    if (req.get_param_value("cmd") != "GetIndexItemInfo" || req.get_param_value("datasource") != "fresh")
        return refuse("UnknownCommand", "cmd and datasource are required");
    int items = 0;
    try {
        items = std::stoi(req.get_param_value("items"));
    } catch (...) {
    }
    if (items < 1 || items > 100) return refuse("InvalidParameter", "items must be 1 to 100");
    std::string data;
    for (int i = 0; i < items; ++i) {
        const std::string name = "item" + std::to_string(i);
        if (!req.has_param(name)) return refuse("InvalidParameter", "an item is missing");
        const std::string item = req.get_param_value(name);
        if (i) data += ',';
        data += "{\"ItemNum\":" + std::to_string(i) + ",\"Item\":" + quoted(item) +
                ",\"RefDomains\":" + std::to_string(sourceCount(item)) + "}";
    }
    res.set_content(R"({"Code":"OK","ErrorMessage":"","DataTables":{"Results":{"Headers":{},"Data":[)" + data + "]}}}",
                    kJson);
}

// The account-level envelope: its status in the top level, no tasks.
std::string dataForSeoEnvelope(int code, const char* message) {
    return R"({"version":"0.1.20240801","status_code":)" + std::to_string(code) + R"(,"status_message":")" + message +
           R"(","time":"0.0100 sec.","cost":0,"tasks_count":0,"tasks_error":0,"tasks":null})";
}

void dataForSeo(const httplib::Request& req, httplib::Response& res) {
    // The login names the account's state: an empty balance, or a rate limit
    // reached (which the service reports with HTTP 200).
    if (basicIs(req, "sim-broke", "sim-password")) {
        res.status = 402;
        res.set_content(dataForSeoEnvelope(40210, "Payment Required. Please, check your account balance."), kJson);
        return;
    }
    if (basicIs(req, "sim-busy", "sim-password")) {
        res.set_content(dataForSeoEnvelope(40202, "Rate limit per minute exceeded. Please, try again later."), kJson);
        return;
    }
    if (!basicIs(req, "sim-login", "sim-password")) {
        res.status = 401;
        res.set_content(dataForSeoEnvelope(40100, "You are not authorized to access this resource."), kJson);
        return;
    }
    static const std::regex task(R"(\{\s*"target"\s*:\s*("(?:[^"\\]|\\.)*")\s*,\s*"include_subdomains"\s*:\s*true\s*\})");
    std::string tasks;
    int n = 0;
    for (auto it = std::sregex_iterator(req.body.begin(), req.body.end(), task); it != std::sregex_iterator(); ++it) {
        const std::string target = strings((*it)[1].str()).at(0);
        if (n++) tasks += ',';
        // A domain target is sent without its scheme and "www."; anything else is refused per task.
        if (target.find("://") != std::string::npos || target.rfind("www.", 0) == 0) {
            tasks += R"({"status_code":40501,"status_message":"Invalid Field: 'target'.","result":null})";
            continue;
        }
        tasks += R"({"status_code":20000,"status_message":"Ok.","result":[{"target":)" + quoted(target) +
                 ",\"referring_domains\":" + std::to_string(sourceCount(target)) + "}]}";
    }
    if (!jsonContent(req) || n == 0 || req.body.front() != '[') {
        res.set_content(R"({"status_code":20000,"tasks":[{"status_code":40501,"status_message":"Invalid Field: 'target'.","result":null}]})", kJson);
        return;
    }
    res.set_content(R"({"status_code":20000,"status_message":"Ok.","tasks":[)" + tasks + "]}", kJson);
}

void ahrefs(const httplib::Request& req, httplib::Response& res) {
    // Limits are worded under "message", refusals under "error".
    if (req.get_header_value("Authorization") == "Bearer sim-spent") {
        res.status = 403;
        res.set_content(R"({"message":"API units limit reached"})", kJson);
        return;
    }
    if (req.get_header_value("Authorization") != "Bearer sim-token") {
        res.status = 401;
        res.set_content(R"({"error":"Unauthorized: the API key is invalid"})", kJson);
        return;
    }
    static const std::regex date(R"(^\d{4}-\d{2}-\d{2}$)");
    const std::string target = req.get_param_value("target");
    if (target.empty() || req.get_param_value("mode") != "domain" ||
        !std::regex_match(req.get_param_value("date"), date)) {
        res.status = 400;
        res.set_content(R"({"error":"target, mode and date are required"})", kJson);
        return;
    }
    res.set_content(R"({"metrics":{"live":)" + std::to_string(3 * sourceCount(target)) +
                        ",\"all_time\":0,\"live_refdomains\":" + std::to_string(sourceCount(target)) +
                        ",\"all_time_refdomains\":0}}", kJson);
}

void mojeek(const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("api_key") != "sim-key") {
        res.status = 401;
        res.set_content(R"({"response":{"status":"ERROR: Invalid API key"}})", kJson);
        return;
    }
    static const std::regex query("^\"([^\"]+)\" -site:(.+)$");
    std::smatch match;
    const std::string q = req.get_param_value("q");
    if (req.get_param_value("fmt") != "json" || !std::regex_match(q, match, query) || match[1] != match[2]) {
        res.set_content(R"({"response":{"status":"ERROR: Invalid query"}})", kJson);
        return;
    }
    res.set_content(R"({"response":{"status":"OK","head":{"query":)" + quoted(q) + ",\"results\":" +
                        std::to_string(sourceCount(match[1].str())) + R"(,"start":1,"return":10},"results":[]}})",
                    kJson);
}

// Everything a request brought: its target, its headers, its body.
std::string received(const httplib::Request& req) {
    std::string text = req.method + ' ' + req.target + '\n';
    for (const auto& [name, value] : req.headers) text += name + ": " + value + '\n';
    return text + req.body;
}

std::string percentEncoded(const std::string& text, bool lower, bool plusForSpace) {
    const char* hex = lower ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else if (c == ' ' && plusForSpace) {
            out += '+';
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// JSON string content as a cautious encoder writes it: "\/" for a slash and
// \u00XX for every other character that is not a letter or a digit.
std::string jsonEscapedAll(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c >= 0x80) {
            out += static_cast<char>(c);
        } else if (c == '/') {
            out += "\\/";
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        }
    }
    return out;
}

std::string jsonString(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// A service that quotes back what it was sent in its refusal, in one form:
// raw, upper or lower (percent-encoded), plus (a form's encoding), json (an
// escaping encoder's). ?pad=N puts N bytes before the quote.
void quote(const httplib::Request& req, httplib::Response& res) {
    const std::string form = req.matches[1].str();
    const std::string text = received(req);
    std::string quoted;
    if (form == "upper" || form == "lower") quoted = jsonString(percentEncoded(text, form == "lower", false));
    else if (form == "plus") quoted = jsonString(percentEncoded(text, false, true));
    else if (form == "json") quoted = jsonEscapedAll(text);
    else quoted = jsonString(text);
    std::size_t pad = 0;
    try {
        pad = std::min<std::size_t>(std::stoul(req.get_param_value("pad")), 1u << 20);
    } catch (...) {
    }
    res.status = 401;
    res.set_content(R"({"message":")" + std::string(pad, '.') + quoted + "\"}", kJson);
}

// Sends the request on to the same path on 127.0.0.1 or "localhost", with a
// 307 so that a POST stays a POST.
void hop(const httplib::Request& req, httplib::Response& res) {
    const std::string host = req.matches[1].str() == "same" ? "127.0.0.1" : "localhost";
    const std::string prefix = "/hop/" + req.matches[1].str();
    res.set_redirect("http://" + host + ':' + std::to_string(req.local_port) + req.target.substr(prefix.size()), 307);
}

}  // namespace

long long sourceCount(const std::string& target) { return 100LL * static_cast<long long>(target.size()); }

void addSourceRoutes(httplib::Server& server) {
    server.Post("/v2/url_metrics", moz);
    server.Get("/api/json", majestic);
    server.Post("/v3/backlinks/summary/live", dataForSeo);
    server.Get("/v3/site-explorer/backlinks-stats", ahrefs);
    server.Get("/search", mojeek);
    server.Get(R"(/quote/(\w+).*)", quote);
    server.Post(R"(/quote/(\w+).*)", quote);
    server.Get(R"(/hop/(same|localhost)/.*)", hop);
    server.Post(R"(/hop/(same|localhost)/.*)", hop);
}

}  // namespace sim
