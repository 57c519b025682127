#include "browse/website_pages.h"

#include "browse/url_encode.h"
#include "browse/website_list.h"

#include <QUrl>

EngineTemplates readEngineTemplates(const QString& settingsFile) {
    EngineTemplates templates;
    for (const EngineSpec& engine : engineSpecs())
        templates[static_cast<std::size_t>(engine.id)] = readTemplate(engine, settingsFile);
    return templates;
}

std::optional<QString> websitePageAddress(const QString& type, const QString& address,
                                          const EngineTemplates& templates) {
    if (type == QLatin1String(WebsiteList::kHomePage)) return address;
    const EngineSpec* engine = engineByWebLabel(type);
    if (!engine) return std::nullopt;
    return webViewQuery(templates[static_cast<std::size_t>(engine->id)], address);
}

int firstRowForAddress(const ReportList& list, const QString& address) {
    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row)
        if (list.cell(row, WebsiteList::kUrlColumn) == address) return row;
    return -1;
}

QString browserLocationText(const QUrl& location, const QString& localLabel) {
    if (location.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0)
        return localLabel.isEmpty() ? QStringLiteral("(local page)") : localLabel;
    return location.toString(QUrl::FullyEncoded);
}

QString localPageLabel(const QString& type, const QString& address) {
    return type + QStringLiteral(": ") + address;
}
