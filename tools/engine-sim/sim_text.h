#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small text routines of the stand-in engines. Plain bytes throughout: an
// address is whatever the client sent, and pages are Latin-1 at heart.
namespace sim {

// %XX sequences become their byte; "+" stays "+" (addresses keep their plus
// signs) and a "%" without two hex digits stays as it is.
std::string percentDecode(std::string_view text);
// Encodes every byte outside the unreserved set and the URL punctuation that
// is harmless inside a query value; "&", "#", "%" and space are encoded.
std::string percentEncode(std::string_view text);
// Escapes <, >, & and " so an address shown in a page can never form a marker.
std::string htmlEscape(std::string_view text);
std::string toLower(std::string_view text);

// "1234567" -> "1,234,567". Expects decimal digits.
std::string groupThousands(std::string_view digits);
// Drops leading zeros but keeps one digit: "007" -> "7", "000" -> "0".
std::string stripLeadingZeros(std::string_view digits);

std::uint64_t fnv1a(std::string_view text);

// Behaviour words in an address are whole words: the characters on either
// side are not letters or digits, so "hang" matches "http://hang.example/"
// but not "http://www.changes.example/". Matching ignores case.
bool hasWord(std::string_view text, std::string_view word);
// The digits after "word-" for a whole word such as "count-1234"; the first
// such word counts. Digits are returned as written.
std::optional<std::string> wordNumber(std::string_view text, std::string_view word);
// text with every whole-word occurrence of word removed.
std::string withoutWord(std::string_view text, std::string_view word);

}  // namespace sim
