#include "shell/options_values.h"

#include "config/ini_file.h"
#include "config/settings_table.h"

#include <QDir>

namespace {
constexpr Setting kThresholdSettings[ThresholdFields::kCount] = {Setting::LowThreshold, Setting::HighThreshold,
                                                                 Setting::HighShown};
}  // namespace

std::array<QString, ThresholdFields::kCount> OptionsValues::defaultThresholds() {
    std::array<QString, ThresholdFields::kCount> texts;
    for (int i = 0; i < ThresholdFields::kCount; ++i)
        texts[i] = QLatin1String(settingSpec(kThresholdSettings[i]).defaultText);
    return texts;
}

OptionsValues OptionsValues::load(const QString& settingsFile) {
    OptionsValues values;
    values.templates = readEngineTemplates(settingsFile);
    const auto defaults = defaultThresholds();
    for (int i = 0; i < ThresholdFields::kCount; ++i) {
        values.thresholds[i] = settings::text(kThresholdSettings[i]);
        // A negative value stored by an older version is shown as the default,
        // so the dialog never offers it for saving again.
        if (values.thresholds[i].trimmed().startsWith(QLatin1Char('-'))) values.thresholds[i] = defaults[i];
    }
    values.autoSort = settings::flag(Setting::AutoSort);
    values.clearFirst = settings::flag(Setting::ClearFirst);
    values.atOnce = settings::flag(Setting::AtOnce);
    values.pause = settings::text(Setting::Pause);
    return values;
}

bool writeEngineTemplate(const EngineSpec& engine, const QString& text, const QString& settingsFile) {
    return ProfileWriteString(QStringLiteral("Engines"), QLatin1String(engine.key), text, settingsFile);
}

bool saveScanOptions(const OptionsValues& values) {
    bool ok = true;
    for (int i = 0; i < ThresholdFields::kCount; ++i)
        ok = settings::saveText(kThresholdSettings[i], values.thresholds[i]) && ok;
    ok = settings::saveFlag(Setting::AutoSort, values.autoSort) && ok;
    ok = settings::saveFlag(Setting::ClearFirst, values.clearFirst) && ok;
    ok = settings::saveFlag(Setting::AtOnce, values.atOnce) && ok;
    ok = settings::saveText(Setting::Pause, values.pause) && ok;
    return ok;
}

QString templatesNotSavedMessage(const QString& settingsFile) {
    return QStringLiteral("The search engine URLs could not be saved to %1.")
        .arg(QDir::toNativeSeparators(settingsFile));
}

QString optionsNotSavedMessage(const QString& storeFile) {
    return QStringLiteral("The options could not be saved to %1.")
        .arg(QDir::toNativeSeparators(storeFile));
}
