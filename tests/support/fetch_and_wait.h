#pragma once

#include "net/page_fetcher.h"

#include <QString>

// One fetch run to its end on the event loop, with what a test wants to know
// about how the answer came.
struct FetchOutcome {
    FetchResult result;
    int calls = 0;               // how often the callback ran (once, or 0 on a time-out here)
    bool ranInsideCall = false;  // the callback ran before FetchPage returned
    qint64 elapsedMs = 0;
};

// Gives up after timeoutMs, and then aborts everything the fetcher has under way.
FetchOutcome fetchAndWait(PageFetcher& fetcher, const QString& url, int timeoutMs = 20000);
