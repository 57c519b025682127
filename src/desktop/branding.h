#pragma once

#include <QString>
#include <optional>

// The values the program presents itself with. One record for the whole
// program; the windows read it, loadBranding fills it.
struct BrandingRecord {
    QString programName;
    QString companyName;
    QString websiteAddress;  // a bare site name without scheme, e.g. "www.quillmark.app"
    QString bannerPage;      // the page the main window's banner strip shows
    bool skinEnabled = false;
    bool useSplashIcon = true;
    bool bannerEnabled = true;
    // Set by the main window's closing when the website window stays open:
    // closing that window then ends the program. loadBranding leaves it alone.
    bool quitWithWebsiteWindow = false;
    int versionMajor = 0;
    int versionMinor = 0;
};

// The program-wide record.
BrandingRecord& branding();

// Copies the built-in values into the record; quitWithWebsiteWindow is kept.
// Calling it again gives the same values.
void loadBranding();

// The values loadBranding copies: those fixed when the program was built,
// unless a test or the demo has replaced them.
BrandingRecord builtInBranding();
// Replaces the built-in values (quitWithWebsiteWindow is ignored); nothing goes
// back to the build's values.
void replaceBuiltInBranding(const std::optional<BrandingRecord>& values);

// "major.minor", as the About box shows the version: 1.2 for 1.2.0.0.
QString versionText(const BrandingRecord& record);
