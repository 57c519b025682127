#include "sim_text.h"

#include <cctype>

namespace sim {
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool boundaryAt(std::string_view text, std::size_t pos) {
    return pos >= text.size() || !isAlnum(text[pos]);
}

// Positions where word starts as a whole-word prefix (left boundary only);
// callers check the right side themselves. text and word are lower case.
std::size_t findPrefix(std::string_view text, std::string_view word, std::size_t from) {
    for (std::size_t pos = text.find(word, from); pos != std::string_view::npos;
         pos = text.find(word, pos + 1)) {
        if (pos == 0 || !isAlnum(text[pos - 1])) return pos;
    }
    return std::string_view::npos;
}

std::size_t findWord(std::string_view lower, std::string_view word, std::size_t from) {
    for (std::size_t pos = findPrefix(lower, word, from); pos != std::string_view::npos;
         pos = findPrefix(lower, word, pos + 1)) {
        if (boundaryAt(lower, pos + word.size())) return pos;
    }
    return std::string_view::npos;
}

}  // namespace

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string percentEncode(std::string_view text) {
    static constexpr std::string_view kKeep = "-._~:/?@!$'()*+,;=";
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        if (isAlnum(c) || kKeep.find(c) != std::string_view::npos) {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string toLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string groupThousands(std::string_view digits) {
    std::string out;
    const std::size_t n = digits.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string stripLeadingZeros(std::string_view digits) {
    std::size_t first = 0;
    while (first + 1 < digits.size() && digits[first] == '0') ++first;
    return std::string(digits.substr(first));
}

std::uint64_t fnv1a(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

bool hasWord(std::string_view text, std::string_view word) {
    return findWord(toLower(text), toLower(word), 0) != std::string_view::npos;
}

std::optional<std::string> wordNumber(std::string_view text, std::string_view word) {
    const std::string lower = toLower(text);
    const std::string prefix = toLower(word) + '-';
    for (std::size_t pos = findPrefix(lower, prefix, 0); pos != std::string_view::npos;
         pos = findPrefix(lower, prefix, pos + 1)) {
        const std::size_t start = pos + prefix.size();
        std::size_t end = start;
        while (end < lower.size() && isDigit(lower[end])) ++end;
        if (end > start && boundaryAt(lower, end)) return lower.substr(start, end - start);
    }
    return std::nullopt;
}

std::string withoutWord(std::string_view text, std::string_view word) {
    std::string out(text);
    const std::string lowerWord = toLower(word);
    for (std::size_t pos = findWord(toLower(out), lowerWord, 0); pos != std::string_view::npos;
         pos = findWord(toLower(out), lowerWord, pos)) {
        out.erase(pos, word.size());
    }
    return out;
}

}  // namespace sim
