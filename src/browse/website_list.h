#pragma once

#include "results/report_list.h"

// The website-view list: one "Webpage Type" / "URL" row per page of a scanned
// address ("Home Page", then one row per engine label). The scan only appends.
class WebsiteList final : public ReportList {
    Q_OBJECT
public:
    static constexpr int kTypeColumn = 0;
    static constexpr int kUrlColumn = 1;
    static constexpr const char* kHomePage = "Home Page";

    explicit WebsiteList(QObject* parent = nullptr)
        : ReportList({QStringLiteral("Webpage Type"), QStringLiteral("URL")}, parent) {}

    int appendPage(const QString& type, const QString& address) { return appendRow({type, address}); }
};
