#include "desktop/branding.h"

#include "build_info.h"

namespace {

std::optional<BrandingRecord>& replacement() {
    static std::optional<BrandingRecord> values;
    return values;
}

BrandingRecord buildValues() {
    BrandingRecord r;
    r.programName = QString::fromUtf8(buildinfo::productName);
    r.companyName = QString::fromUtf8(buildinfo::companyName);
    r.websiteAddress = QString::fromUtf8(buildinfo::websiteAddress);
    r.bannerPage = QString::fromUtf8(buildinfo::bannerPage);
    r.skinEnabled = buildinfo::skinEnabled;
    r.useSplashIcon = true;
    r.bannerEnabled = true;
    r.versionMajor = buildinfo::versionMajor;
    r.versionMinor = buildinfo::versionMinor;
    return r;
}

}  // namespace

BrandingRecord& branding() {
    static BrandingRecord record;
    return record;
}

BrandingRecord builtInBranding() { return replacement() ? *replacement() : buildValues(); }

void replaceBuiltInBranding(const std::optional<BrandingRecord>& values) { replacement() = values; }

void loadBranding() {
    BrandingRecord& record = branding();
    const bool quit = record.quitWithWebsiteWindow;
    record = builtInBranding();
    record.quitWithWebsiteWindow = quit;
}

QString versionText(const BrandingRecord& record) {
    return QString::number(record.versionMajor) + QLatin1Char('.') +
           QString::number(record.versionMinor);
}
