#include "streams.h"

#include <zlib.h>

#include <algorithm>
#include <memory>

namespace sim {
namespace {

constexpr std::size_t kBlock = 64u << 10;

std::shared_ptr<StreamTrack> track(const std::string& target) {
    auto t = std::make_shared<StreamTrack>();
    t->target = target;
    return t;
}

httplib::ContentProviderResourceReleaser reportEnd(Recorder& recorder, std::shared_ptr<StreamTrack> t) {
    return [&recorder, t](bool) { recorder.streamEnded(t->target, t->sent, t->msPastMark()); };
}

}  // namespace

std::string patternBytes(std::size_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>((offset + i) % 256);
    return bytes;
}

BodyBytes pageThenFiller(std::string page) {
    static const std::string kLine = "<!-- " + std::string(90, 'x') + " -->\n";
    return [page = std::move(page)](std::size_t offset, std::size_t count) {
        std::string out;
        out.reserve(count);
        for (std::size_t at = offset; at < offset + count; ++at)
            out += at < page.size() ? page[at] : kLine[(at - page.size()) % kLine.size()];
        return out;
    };
}

void streamSized(httplib::Response& res, std::size_t total, const char* type, BodyBytes bytes,
                 Recorder& recorder, const std::string& target) {
    auto t = track(target);
    res.set_content_provider(
        total, type,
        [bytes, t](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            const std::string block = bytes(offset, std::min(length, kBlock));
            if (!sink.write(block.data(), block.size())) return false;
            t->wrote(block.size());
            return true;
        },
        reportEnd(recorder, t));
}

void streamEndless(httplib::Response& res, const char* type, BodyBytes bytes, Recorder& recorder,
                   const std::string& target) {
    auto t = track(target);
    res.set_chunked_content_provider(
        type,
        [bytes, t](std::size_t offset, httplib::DataSink& sink) {
            const std::string block = bytes(offset, kBlock);
            if (!sink.write(block.data(), block.size())) return false;
            t->wrote(block.size());
            return true;
        },
        reportEnd(recorder, t));
}

std::string gzipped(const std::string& bytes) {
    z_stream z{};
    // 15 window bits, +16 for a gzip wrapper.
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    std::string out(deflateBound(&z, bytes.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
    out.resize(done ? z.total_out : 0);
    deflateEnd(&z);
    return out;
}

void drip(httplib::Response& res, int everyMs, std::function<bool(int)> wait) {
    res.set_chunked_content_provider("text/plain", [everyMs, wait](std::size_t, httplib::DataSink& sink) {
        return sink.write("x", 1) && wait(everyMs);
    });
}

}  // namespace sim
