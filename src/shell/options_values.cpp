#include "shell/options_values.h"

#include "config/ini_file.h"
#include "config/settings_store.h"

#include <QDir>

namespace {
const char* const kThresholdKeys[ThresholdFields::kCount] = {"txtProfile0", "txtProfile1",
                                                             "txtProfile2"};

QString flagText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
}  // namespace

std::array<QString, ThresholdFields::kCount> OptionsValues::defaultThresholds() {
    return {QStringLiteral("500"), QStringLiteral("1000"), QStringLiteral("1000")};
}

OptionsValues OptionsValues::load(const QString& settingsFile) {
    OptionsValues values;
    values.templates = readEngineTemplates(settingsFile);
    const auto defaults = defaultThresholds();
    for (int i = 0; i < ThresholdFields::kCount; ++i)
        values.thresholds[i] = settingsStore::get(QLatin1String(kThresholdKeys[i]), defaults[i]);
    values.autoSort = settingsStore::getInt(QStringLiteral("chkAutoSort"), QStringLiteral("1")) == 1;
    values.clearFirst = settingsStore::getInt(QStringLiteral("chkClear"), QStringLiteral("1")) == 1;
    return values;
}

bool writeEngineTemplate(const EngineSpec& engine, const QString& text, const QString& settingsFile) {
    return ProfileWriteString(QStringLiteral("Engines"), QLatin1String(engine.key), text, settingsFile);
}

bool saveScanOptions(const OptionsValues& values) {
    bool ok = true;
    for (int i = 0; i < ThresholdFields::kCount; ++i)
        ok = settingsStore::save(QLatin1String(kThresholdKeys[i]), values.thresholds[i]) && ok;
    ok = settingsStore::save(QStringLiteral("chkAutoSort"), flagText(values.autoSort)) && ok;
    ok = settingsStore::save(QStringLiteral("chkClear"), flagText(values.clearFirst)) && ok;
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
