#pragma once

#include "desktop/branding.h"

// Puts the branding record and its built-in values back after a test.
struct BrandingGuard {
    BrandingRecord saved = branding();
    ~BrandingGuard() {
        replaceBuiltInBranding(std::nullopt);
        branding() = saved;
    }
    // Makes the built-in values these and loads them.
    static void use(const BrandingRecord& values) {
        replaceBuiltInBranding(values);
        loadBranding();
    }
};
