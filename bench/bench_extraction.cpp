// Count extraction on a 100 KB result page whose count sits near the end,
// beside a plain QByteArray::indexOf scan of the same page for the same
// marker. Prints MB/s for both and their ratio.

#include "sources/count_extraction.h"

#include <QByteArray>
#include <QString>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr qsizetype kPageBytes = 100 * 1024;

struct Engine {
    int parser;
    const char* name;
    const char* marker;  // the count's before-marker as the page writes it
    const char* tail;    // the end of the page, holding the count
};

const Engine kEngines[] = {
    {1, "Google", "</b> of ",
     "<font size=-1>Results <b>1</b> - <b>10</b> of about <b>1,230</b> linking to "
     "<b>www.example.com</b>.</font></body></html>"},
    {5, "MSN", "Page 1 of ",
     "<h5>Page 1 of 2,345 results containing <strong>link:www.example.com</strong></h5></body></html>"},
    {6, "AllTheWeb", "<span class=\"ofSoMany\">",
     "<div class=\"resultCount\">1 - 10 of <span class=\"ofSoMany\">1,234</span> results</div>"
     "</body></html>"},
};

// Ordinary result entries, with the quotes, spans and bold tags that make the
// marker searches stop and look.
QByteArray resultPage(const Engine& engine) {
    const QByteArray entry =
        "<div class=\"result\"><span class=\"title\"><a href=\"http://www.example.org/page\">"
        "Example <b>partners</b></a></span><br><span class=\"s\">A site that links to "
        "example.com, one of many; see <b>more</b>.</span></div>\n";
    QByteArray page = "<html><head><title>link:www.example.com</title></head><body>\n";
    const QByteArray tail(engine.tail);
    while (page.size() + entry.size() + tail.size() <= kPageBytes)
        page += entry;
    page += tail;
    return page;
}

void parseEngineData(benchmark::State& state, const Engine& engine) {
    const QByteArray bytes = resultPage(engine);
    const QString page = QString::fromLatin1(bytes);
    if (ParseEngineData(page, engine.parser).isEmpty())
        state.SkipWithError("no count read");
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseEngineData(page, engine.parser));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void indexOfScan(benchmark::State& state, const Engine& engine) {
    const QByteArray page = resultPage(engine);
    const QByteArray marker(engine.marker);
    for (auto _ : state)
        benchmark::DoNotOptimize(page.indexOf(marker));
    state.SetBytesProcessed(state.iterations() * page.size());
}

// Keeps each run's throughput so the ratios can be printed at the end.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end() && !run.error_occurred)
                m_rates[run.benchmark_name()] = it->second.value;
        }
    }
    void printRatios() const {
        std::printf("\n%-10s %16s %16s %8s\n", "engine", "parse MB/s", "indexOf MB/s", "ratio");
        for (const Engine& engine : kEngines) {
            const double parse = rate(std::string("ParseEngineData/") + engine.name);
            const double scan = rate(std::string("IndexOf/") + engine.name);
            if (parse > 0 && scan > 0)
                std::printf("%-10s %16.0f %16.0f %8.2f\n", engine.name, parse / 1e6, scan / 1e6,
                            parse / scan);
        }
    }

private:
    double rate(const std::string& name) const {
        const auto it = m_rates.find(name);
        return it == m_rates.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> m_rates;
};

}  // namespace

int main(int argc, char** argv) {
    for (const Engine& engine : kEngines) {
        benchmark::RegisterBenchmark((std::string("ParseEngineData/") + engine.name).c_str(),
                                     parseEngineData, engine);
        benchmark::RegisterBenchmark((std::string("IndexOf/") + engine.name).c_str(), indexOfScan,
                                     engine);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
