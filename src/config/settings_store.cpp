#include "config/settings_store.h"

#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

namespace settingsStore {
namespace {

// The per-user file: $XDG_CONFIG_HOME/Quillmark/Quillmark.conf (~/.config when
// unset), in INI format. Qt's user-scope INI file would be named .ini; the
// path is given so the store lives where the program has always said it does.
QString storePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillmark/Quillmark.conf");
}

// A fresh object per call is cheap: QSettings shares one parsed file per path
// in the process, and a fresh object sees what another one saved.
class Store {
public:
    Store() : m_settings(storePath(), QSettings::IniFormat) {
        m_settings.beginGroup(QStringLiteral("Settings"));
    }
    QSettings& operator*() { return m_settings; }
    QSettings* operator->() { return &m_settings; }

private:
    QSettings m_settings;
};

}  // namespace

QString get(const QString& key, const QString& def) {
    Store store;
    const QVariant value = store->value(key);
    if (!value.isValid()) return def;
    // Values saved here always come back as one string (QSettings quotes and
    // escapes them). A hand-edited unquoted "a,b" reads as a list; join it back
    // rather than lose it.
    if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool save(const QString& key, const QString& value) {
    Store store;
    store->setValue(key, value);
    store->sync();
    return store->status() == QSettings::NoError;
}

int getInt(const QString& key, const QString& def) {
    bool ok = false;
    const int value = get(key, def).toInt(&ok);
    return ok ? value : def.toInt();
}

QString fileName() { return Store()->fileName(); }

}  // namespace settingsStore
