#include "sources/graph_source.h"

#include "sources/source_template.h"

#include <QUrl>

GraphSource::GraphSource(SourceFile source) : m_source(std::move(source)) {
    m_release = graphLookup::openNewest(&m_error);
}

void GraphSource::ask(const QStringList& addresses, Done done) {
    SourceReply reply;
    for (const QString& address : addresses) {
        // A domain the release does not name has no count; one it names without
        // incoming links has 0.
        const graphLookup::Answer answer =
            m_release.reader ? graphLookup::lookUp(*m_release.reader, address) : graphLookup::Answer{};
        if (answer.damaged) {
            // No number of a damaged index is trusted from here on: the column
            // stays empty with the reason, and the other columns go on.
            m_error = graphLookup::damagedText(m_release.id);
            m_release.reader.reset();
            reply.cells = QStringList(addresses.size(), QString());
            break;
        }
        reply.cells.append(answer.found ? QString::number(answer.counts.linkingDomains) : QString());
    }
    reply.error = m_error;
    done(reply);
}

QString GraphSource::viewAddress(const QString& address) const {
    if (!m_source.view.isEmpty()) {
        TemplateInput input;
        input.addresses = {address};
        return fillTemplate(m_source.view, TemplateField::Url, input);
    }
    const graphLookup::Answer answer =
        m_release.reader ? graphLookup::lookUp(*m_release.reader, address) : graphLookup::Answer{};
    const QString error = answer.damaged ? graphLookup::damagedText(m_release.id) : m_error;
    const QString html = graphPageHtml(m_source.caption, m_release.id, address, answer, error);
    return QStringLiteral("data:text/html;charset=utf-8,") + QString::fromLatin1(QUrl::toPercentEncoding(html));
}

QString graphPageHtml(const QString& caption, const QString& releaseId, const QString& address,
                      const graphLookup::Answer& answer, const QString& error) {
    const auto row = [](const QString& name, const QString& value) {
        return QStringLiteral("<tr><th align=\"left\">%1</th><td>%2</td></tr>\n").arg(name, value.toHtmlEscaped());
    };
    QString title = caption;
    QString body;
    if (!error.isEmpty()) {
        body = QStringLiteral("<p>%1</p>\n").arg(error.toHtmlEscaped());
    } else if (answer.domain.isEmpty()) {
        body = QStringLiteral("<p>%1 has no registrable domain, so the web graph does not count it.</p>\n")
                   .arg(address.toHtmlEscaped());
    } else {
        title += QStringLiteral(": ") + answer.domain;
        body = QStringLiteral("<table>\n") + row(QStringLiteral("Release"), releaseId) +
               row(QStringLiteral("Domain"), answer.domain);
        if (answer.found) {
            const bool ranked = answer.counts.harmonicRank != graphIndex::kNoRank;
            body += row(QStringLiteral("Linking Domains"), QString::number(answer.counts.linkingDomains)) +
                    row(QStringLiteral("Harmonic Rank"),
                        ranked ? QString::number(answer.counts.harmonicRank) : QStringLiteral("not ranked"));
            body += QStringLiteral("</table>\n");
        } else {
            body += QStringLiteral("</table>\n<p>%1 is not in release %2.</p>\n")
                        .arg(answer.domain.toHtmlEscaped(), releaseId.toHtmlEscaped());
        }
    }
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head>\n"
                          "<body>\n<h3>%1</h3>\n%2</body></html>\n")
        .arg(title.toHtmlEscaped(), body);
}
