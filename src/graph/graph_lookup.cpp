#include "graph/graph_lookup.h"

#include "graph/domain_key.h"
#include "graph/release_catalog.h"

#include <QFile>

namespace graphLookup {

OpenRelease open(const QString& id, QString* error) {
    OpenRelease release{id, std::make_unique<graphIndex::Reader>()};
    if (!release.reader->open(QFile::encodeName(graphRelease::indexPath(id)).toStdString())) {
        if (error)
            *error = release.reader->damaged() ? damagedText(id)
                                               : QString::fromLocal8Bit(release.reader->error().c_str());
        release.reader.reset();
    }
    return release;
}

QString noReleaseText() {
    return QStringLiteral(
        "no release is counted here (quillmark-graph list, then quillmark-graph fetch RELEASE, "
        "which counts it as it downloads)");
}

QString damagedText(const QString& id) {
    return QStringLiteral("the index of %1 is damaged; count it again").arg(id);
}

OpenRelease openNewest(QString* error) {
    const QList<graphRelease::Release> counted = graphRelease::countedReleases();
    if (counted.isEmpty()) {
        if (error) *error = noReleaseText();
        return {};
    }
    return open(counted.front().id, error);
}

Answer lookUp(const graphIndex::Reader& index, const QString& address) {
    Answer answer;
    answer.domain = domainKey::graphDomain(domainKey::hostOf(address));
    if (answer.domain.isEmpty()) return answer;
    const graphIndex::Found found = index.find(domainKey::reversed(answer.domain).toStdString());
    answer.found = found.status == graphIndex::Status::Present;
    answer.damaged = found.status == graphIndex::Status::Damaged;
    if (answer.found) answer.counts = found.counts;
    return answer;
}

}  // namespace graphLookup
