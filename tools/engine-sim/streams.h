#pragma once

#include "recorder.h"

#include <httplib.h>

#include <cstddef>
#include <functional>
#include <string>

// Bodies far larger than any page, made as they are sent, so the stand-in
// never holds them in memory. Each records on the recorder how far the client
// read and how long after the mark it hung up.
namespace sim {

// count bytes of a body from offset on.
using BodyBytes = std::function<std::string(std::size_t offset, std::size_t count)>;

// Byte i is i % 256, wherever the body is cut.
std::string patternBytes(std::size_t offset, std::size_t count);
// The page, then comment lines for as long as the body runs.
BodyBytes pageThenFiller(std::string page);

// A body of total bytes, its length announced up front.
void streamSized(httplib::Response& res, std::size_t total, const char* type, BodyBytes bytes,
                 Recorder& recorder, const std::string& target);
// A chunked body that never ends: only the client can end it.
void streamEndless(httplib::Response& res, const char* type, BodyBytes bytes, Recorder& recorder,
                   const std::string& target);
// The bytes, gzip-compressed (empty when compression fails).
std::string gzipped(const std::string& bytes);
// One byte, then wait(everyMs), again and again, until the client hangs up or
// wait returns false.
void drip(httplib::Response& res, int everyMs, std::function<bool(int)> wait);

}  // namespace sim
