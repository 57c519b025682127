#include "support/sim_record.h"

#include "support/engine_sim_process.h"
#include "support/fetch_and_wait.h"

SimRecord SimRecord::read(PageFetcher& fetcher, const EngineSimProcess& sim) {
    SimRecord record;
    const QByteArray text = fetchAndWait(fetcher, sim.url(QStringLiteral("/record"))).result.body;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 2 && words[0] == "target") {
            record.targets << words[1];
        } else if (words.size() == 4 && words[0] == "stream") {
            bool ok = false;
            const int ms = words[3].mid(words[3].indexOf('=') + 1).toInt(&ok);
            record.streams << Stream{words[1], ok ? std::optional<int>(ms) : std::nullopt};
        } else if (words.size() == 3 && words[0] == "most-at-once") {
            record.mostAtOnce.insert(words[1], words[2].toInt());
        }
    }
    return record;
}

bool SimRecord::clear(PageFetcher& fetcher, const EngineSimProcess& sim) {
    return fetchAndWait(fetcher, sim.url(QStringLiteral("/record/clear"))).result.body == "cleared";
}
