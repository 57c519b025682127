// The figures a background web graph job shows: its rate over the last
// seconds, the time left, and the line that carries them.
#include "graph/graph_work.h"

#include <gtest/gtest.h>

namespace {

TEST(TransferRate, TheRateIsOfTheLastSecondsAndTheTimeLeftFollowsIt) {
    struct Sample {
        qint64 ms, done;
    };
    const struct {
        const char* name;
        std::vector<Sample> samples;
        qint64 total;
        std::optional<double> rate;
        std::optional<qint64> left;
    } cases[] = {
        {"nothing yet", {}, 1000, std::nullopt, std::nullopt},
        {"one figure", {{0, 500}}, 1000, std::nullopt, std::nullopt},
        {"too short a span", {{0, 0}, {500, 1000}}, 10000, std::nullopt, std::nullopt},
        {"steady", {{0, 0}, {1000, 1000}, {2000, 2000}}, 10000, 1000.0, 8},
        // A resumed download starts with most of it here: only what arrives counts.
        {"resumed", {{0, 900000}, {2000, 902000}}, 1000000, 1000.0, 98},
        // Fast at first, slow for the last ten seconds: the slow rate is the one shown.
        {"slowed down",
         {{0, 0}, {1000, 1000000}, {11000, 1010000}, {16000, 1015000}, {21000, 1020000}}, 2020000, 1000.0, 1000},
        {"stalled", {{0, 100}, {3000, 100}}, 1000, 0.0, std::nullopt},
        {"done", {{0, 0}, {2000, 1000}}, 1000, 500.0, 0},
        {"size unknown", {{0, 0}, {2000, 1000}}, 0, 500.0, std::nullopt},
        // A new file (figures going down) starts the window again.
        {"restarted", {{0, 0}, {5000, 5000}, {6000, 10}, {6500, 20}}, 1000, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TransferRate rate;
        for (const Sample& s : c.samples) rate.add(s.ms, s.done);
        const qint64 done = c.samples.empty() ? 0 : c.samples.back().done;
        ASSERT_EQ(rate.bytesPerSecond().has_value(), c.rate.has_value());
        if (c.rate) EXPECT_NEAR(*rate.bytesPerSecond(), *c.rate, 0.01);
        EXPECT_EQ(rate.secondsLeft(done, c.total), c.left);
    }
}

TEST(TransferRate, AnAbsurdTimeLeftIsNotShown) {
    TransferRate rate;
    rate.add(0, 0);
    rate.add(10000, 20);  // 2 bytes a second
    EXPECT_EQ(rate.secondsLeft(20, qint64(1) << 50), std::nullopt);
}

TEST(GraphWorkText, TheLineNamesTheJobItsMegabytesRateAndTimeLeft) {
    const struct {
        qint64 done, total;
        std::optional<double> rate;
        std::optional<qint64> left;
        const char* line;
    } cases[] = {
        {0, 0, std::nullopt, std::nullopt, "Fetching R..."},
        {1260000, 0, std::nullopt, std::nullopt, "Fetching R: 1.3 MB"},
        {12500000, 1700000000, std::nullopt, std::nullopt, "Fetching R: 12.5 of 1,700 MB"},
        {12500000, 1700000000, 2100000.0, std::nullopt, "Fetching R: 12.5 of 1,700 MB, 2.1 MB/s"},
        {12500000, 18000000000, 2100000.0, 45, "Fetching R: 12.5 of 18,000 MB, 2.1 MB/s, 45 s left"},
        {999000000, 18000000000, 5000000.0, 3599, "Fetching R: 999 of 18,000 MB, 5.0 MB/s, 1 h 00 min left"},
        {999000000, 18000000000, 5000000.0, 3 * 3600 + 5 * 60 + 10, "Fetching R: 999 of 18,000 MB, 5.0 MB/s, 3 h 05 min left"},
        {50000000, 90000000, 100000.0, 12 * 60 + 20, "Fetching R: 50.0 of 90.0 MB, 0.1 MB/s, 12 min left"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(graphWorkText::progress(QStringLiteral("Fetching"), QStringLiteral("R"), c.done, c.total, c.rate, c.left),
                  QLatin1String(c.line));
    // Without the release, for the status bar.
    EXPECT_EQ(graphWorkText::progress(QStringLiteral("Web graph fetch"), QString(), 12500000, 0, std::nullopt, std::nullopt),
              "Web graph fetch: 12.5 MB");
}

}  // namespace
