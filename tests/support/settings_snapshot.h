#pragma once

#include <QVariantMap>

// Puts the settings store's "Settings" group back as it was when this object
// was made, so a test that saves settings leaves none behind for later tests.
class SettingsSnapshot {
public:
    SettingsSnapshot();
    ~SettingsSnapshot();
    SettingsSnapshot(const SettingsSnapshot&) = delete;
    SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

private:
    QVariantMap m_values;
};
