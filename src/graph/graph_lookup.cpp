#include "graph/graph_lookup.h"

#include "graph/domain_key.h"
#include "graph/release_catalog.h"

#include <QFile>

namespace graphLookup {

OpenRelease open(const QString& id, QString* error) {
    OpenRelease release{id, std::make_unique<graphIndex::Reader>()};
    if (!release.reader->open(QFile::encodeName(graphRelease::indexPath(id)).toStdString())) {
        if (error) *error = QString::fromLocal8Bit(release.reader->error().c_str());
        release.reader.reset();
    }
    return release;
}

QString noReleaseText() {
    return QStringLiteral(
        "no release is counted here (quillmark-graph list, then quillmark-graph fetch RELEASE and "
        "quillmark-graph count RELEASE)");
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
    answer.domain = domainKey::registrableDomain(domainKey::hostOf(address));
    if (answer.domain.isEmpty()) return answer;
    answer.found = index.find(domainKey::reversed(answer.domain).toStdString(), &answer.counts).has_value();
    return answer;
}

}  // namespace graphLookup
