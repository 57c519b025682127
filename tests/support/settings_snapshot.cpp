#include "support/settings_snapshot.h"

#include "config/settings_store.h"
#include "config/settings_table.h"

#include <QSettings>

SettingsSnapshot::SettingsSnapshot() {
    QSettings store(settingsStore::fileName(), QSettings::IniFormat);
    store.beginGroup(QStringLiteral("Settings"));
    for (const QString& key : store.childKeys()) m_values.insert(key, store.value(key));
}

SettingsSnapshot::~SettingsSnapshot() {
    QSettings store(settingsStore::fileName(), QSettings::IniFormat);
    store.remove(QStringLiteral("Settings"));
    store.beginGroup(QStringLiteral("Settings"));
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it) store.setValue(it.key(), it.value());
    store.endGroup();
    store.sync();
}

void forgetSetting(Setting id) {
    QSettings store(settingsStore::fileName(), QSettings::IniFormat);
    store.remove(QStringLiteral("Settings/") + QLatin1String(settingSpec(id).key));
    store.sync();
}
