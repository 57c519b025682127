#include "config/settings_table.h"

#include "config/settings_store.h"

const std::array<SettingSpec, kSettingCount>& settingSpecs() {
    static const std::array<SettingSpec, kSettingCount> specs{{
        {Setting::LowThreshold, "txtProfile0", "500", SettingType::Number},
        {Setting::HighThreshold, "txtProfile1", "1000", SettingType::Number},
        {Setting::HighShown, "txtProfile2", "1000", SettingType::Number},
        {Setting::AutoSort, "chkAutoSort", "1", SettingType::Flag},
        {Setting::ClearFirst, "chkClear", "1", SettingType::Flag},
        {Setting::ShowHelp, "showHelp", "1", SettingType::Flag},
        {Setting::ChartType, "cmbChart2", "3", SettingType::Number},
        {Setting::AtOnce, "chkAtOnce", "0", SettingType::Flag},
        {Setting::Pause, "txtPause", "0", SettingType::Number},
        {Setting::WindowGeometry, "mainWindowGeometry", "", SettingType::Text},
    }};
    return specs;
}

const SettingSpec& settingSpec(Setting id) { return settingSpecs()[static_cast<std::size_t>(id)]; }

namespace settings {
namespace {
QString keyOf(Setting id) { return QLatin1String(settingSpec(id).key); }
QString defaultOf(Setting id) { return QLatin1String(settingSpec(id).defaultText); }
}  // namespace

QString text(Setting id) { return settingsStore::get(keyOf(id), defaultOf(id)); }

int number(Setting id) { return settingsStore::getInt(keyOf(id), defaultOf(id)); }

bool flag(Setting id) { return number(id) == 1; }

bool saveText(Setting id, const QString& value) { return settingsStore::save(keyOf(id), value); }

bool saveNumber(Setting id, int value) { return saveText(id, QString::number(value)); }

bool saveFlag(Setting id, bool on) { return saveText(id, on ? QStringLiteral("1") : QStringLiteral("0")); }

}  // namespace settings
