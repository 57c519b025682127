#include "support/fetch_and_wait.h"

#include "support/test_environment.h"

#include <QElapsedTimer>

FetchOutcome fetchAndWait(PageFetcher& fetcher, const QString& url, int timeoutMs) {
    FetchOutcome outcome;
    QElapsedTimer clock;
    clock.start();
    bool inside = true;
    fetcher.FetchPage(url, [&](const FetchResult& result) {
        outcome.result = result;
        outcome.ranInsideCall = outcome.ranInsideCall || inside;
        ++outcome.calls;
    });
    inside = false;
    // A request that outlives this call would write into a dead outcome.
    if (!spinUntil([&] { return outcome.calls > 0; }, timeoutMs)) fetcher.abortAll();
    outcome.elapsedMs = clock.elapsed();
    return outcome;
}
