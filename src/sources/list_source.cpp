#include "sources/list_source.h"

#include "net/page_fetcher.h"
#include "sources/list_index.h"
#include "sources/source_template.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace {

// The real list is some 80 MB; room to grow, yet a bound on a runaway answer.
constexpr qint64 kMaxListBytes = 512LL * 1024 * 1024;
constexpr std::chrono::minutes kListDeadline{20};

QString dateText(const QDateTime& when) { return when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")); }

}  // namespace

ListSource::ListSource(SourceFile source) : m_source(std::move(source)) {
    if (listIndex::isFresh(m_source.name, m_source.url)) m_ready = openIndex();
}

ListSource::~ListSource() = default;

bool ListSource::openIndex() {
    auto reader = std::make_unique<graphIndex::Reader>();
    const QString path = listIndex::indexPath(m_source.name);
    reader->countsUnbounded();
    if (!reader->open(QFile::encodeName(path).toStdString())) return false;
    m_reader = std::move(reader);
    m_listDate = QFileInfo(path).lastModified();
    return true;
}

void ListSource::ask(const QStringList& addresses, Done done) {
    if (m_ready) {
        done(answer(addresses));
        return;
    }
    m_waiting.append({addresses, std::move(done)});
    if (!m_downloading) download();
}

void ListSource::download() {
    m_downloading = true;
    if (!m_fetcher) {
        m_fetcher = std::make_unique<PageFetcher>();
        m_fetcher->setMaxBodyBytes(kMaxListBytes);
        m_fetcher->setDeadline(kListDeadline);
    }
    m_fetcher->FetchPage(m_source.url, [this](const FetchResult& result) { downloaded(result); });
}

void ListSource::downloaded(const FetchResult& result) {
    m_downloading = false;
    QString problem;
    if (result.transportFailure)
        problem = result.errorText.isEmpty() ? QStringLiteral("no answer") : result.errorText;
    else if (result.httpStatus != 200)
        problem = QStringLiteral("HTTP %1").arg(result.httpStatus.value_or(0));
    else if (result.truncated)
        problem = QStringLiteral("larger than %1 MB").arg(kMaxListBytes / (1024 * 1024));
    if (problem.isEmpty()) {
        listIndex::Columns columns{m_source.listDomain, m_source.listCount, m_source.listRank, m_source.listHeader};
        const listIndex::Built built = listIndex::build(result.body, columns, listIndex::indexPath(m_source.name));
        problem = built.error;
        if (problem.isEmpty() && !listIndex::writeOrigin(m_source.name, m_source.url))
            problem = QStringLiteral("%1 cannot be written").arg(listIndex::originPath(m_source.name));
    }
    // A failed refresh keeps the list there was, and says which one is used.
    m_ready = true;
    const bool opened = openIndex();
    if (!problem.isEmpty()) {
        m_error = QStringLiteral("the list could not be downloaded from %1 (%2)").arg(m_source.url, problem);
        if (opened) m_error += QStringLiteral("; the copy of %1 is used").arg(dateText(m_listDate));
    } else if (!opened) {
        m_error = QStringLiteral("the list's index cannot be read");
    }
    const auto waiting = std::exchange(m_waiting, {});
    for (const auto& [addresses, done] : waiting) done(answer(addresses));
}

ListSource::Found ListSource::lookUp(const QString& address) const {
    Found found;
    if (!m_reader) return found;
    for (const QString& name : listIndex::lookupNames(address)) {
        const graphIndex::Found hit = m_reader->find(name.toStdString());
        if (hit) {
            found.counts = hit.counts;
            found.name = name;
            return found;
        }
    }
    return found;
}

SourceReply ListSource::answer(const QStringList& addresses) const {
    SourceReply reply;
    for (const QString& address : addresses) {
        // An unlisted site has no count: the list names only its top sites.
        const Found found = lookUp(address);
        reply.cells.append(found.name.isEmpty() ? QString() : QString::number(found.counts.linkingDomains));
    }
    reply.error = m_error;
    return reply;
}

QString ListSource::viewAddress(const QString& address) const {
    if (!m_source.view.isEmpty()) {
        TemplateInput input;
        input.addresses = {address};
        return fillTemplate(m_source.view, TemplateField::Url, input);
    }
    const QString html = listPageHtml(m_source.caption, address, m_listDate, lookUp(address), m_error);
    return QStringLiteral("data:text/html;charset=utf-8,") + QString::fromLatin1(QUrl::toPercentEncoding(html));
}

QString listPageHtml(const QString& caption, const QString& address, const QDateTime& listDate,
                     const ListSource::Found& found, const QString& error) {
    const auto row = [](const QString& name, const QString& value) {
        return QStringLiteral("<tr><th align=\"left\">%1</th><td>%2</td></tr>\n").arg(name, value.toHtmlEscaped());
    };
    QString body;
    if (!error.isEmpty()) body += QStringLiteral("<p>%1</p>\n").arg(error.toHtmlEscaped());
    const QStringList names = listIndex::lookupNames(address);
    if (names.isEmpty()) {
        body += QStringLiteral("<p>%1 names no site.</p>\n").arg(address.toHtmlEscaped());
    } else if (listDate.isValid()) {
        body += QStringLiteral("<table>\n") + row(QStringLiteral("List of"), dateText(listDate)) +
                row(QStringLiteral("Looked up"), names.join(QStringLiteral(", ")));
        if (!found.name.isEmpty()) {
            body += row(QStringLiteral("Found"), found.name) +
                    row(QStringLiteral("Count"), QString::number(found.counts.linkingDomains));
            if (found.counts.harmonicRank != graphIndex::kNoRank)
                body += row(QStringLiteral("Rank"), QString::number(found.counts.harmonicRank));
            body += QStringLiteral("</table>\n");
        } else {
            body += QStringLiteral("</table>\n<p>The list does not name %1.</p>\n").arg(names.join(QStringLiteral(" or ")).toHtmlEscaped());
        }
    }
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head>\n"
                          "<body>\n<h3>%1</h3>\n%2</body></html>\n")
        .arg(caption.toHtmlEscaped(), body);
}
