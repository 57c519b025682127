#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <optional>

class EngineSimProcess;
class PageFetcher;

// What the stand-in engines say they saw (their /record page).
struct SimRecord {
    struct Stream {
        QByteArray target;
        std::optional<int> msPastMark;  // how long it ran past 16 MiB; none when it never got there
    };
    QList<QByteArray> targets;      // every request target, as received
    QList<Stream> streams;          // every long body that ended
    QMap<QByteArray, int> mostAtOnce;  // per engine segment, and "all"

    static SimRecord read(PageFetcher& fetcher, const EngineSimProcess& sim);
    static bool clear(PageFetcher& fetcher, const EngineSimProcess& sim);
};
