#pragma once

#include <QVariantMap>

enum class Setting;

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

// Removes the setting from the store, so it reads as its default again.
void forgetSetting(Setting id);
