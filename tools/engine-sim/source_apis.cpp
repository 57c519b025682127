#include "source_apis.h"

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
    if (!basicIs(req, "sim-id", "sim-secret")) {
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
    for (std::size_t i = 0; i < targets.size(); ++i) {
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

void dataForSeo(const httplib::Request& req, httplib::Response& res) {
    if (!basicIs(req, "sim-login", "sim-password")) {
        res.status = 401;
        res.set_content(R"({"status_code":40100,"status_message":"You are not authorized to access this resource."})", kJson);
        return;
    }
    static const std::regex task(R"(\{\s*"target"\s*:\s*("(?:[^"\\]|\\.)*")\s*,\s*"include_subdomains"\s*:\s*true\s*\})");
    std::string tasks;
    int n = 0;
    for (auto it = std::sregex_iterator(req.body.begin(), req.body.end(), task); it != std::sregex_iterator(); ++it) {
        const std::string target = strings((*it)[1].str()).at(0);
        if (n++) tasks += ',';
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

}  // namespace

long long sourceCount(const std::string& target) { return 100LL * static_cast<long long>(target.size()); }

void addSourceRoutes(httplib::Server& server) {
    server.Post("/v2/url_metrics", moz);
    server.Get("/api/json", majestic);
    server.Post("/v3/backlinks/summary/live", dataForSeo);
    server.Get("/v3/site-explorer/backlinks-stats", ahrefs);
    server.Get("/search", mojeek);
}

}  // namespace sim
