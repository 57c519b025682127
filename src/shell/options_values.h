#pragma once

#include "browse/website_pages.h"
#include "shell/threshold_fields.h"

#include <QString>
#include <array>

// What the settings dialog edits: the six templates in settings.ini and the
// scan settings in the settings store, as the dialog's fields hold them.
struct OptionsValues {
    EngineTemplates templates;
    std::array<QString, ThresholdFields::kCount> thresholds;  // Low, Medium, High
    bool autoSort = true;
    bool clearFirst = true;
    bool atOnce = false;
    QString pause;  // seconds, as the field holds them

    // The templates from the settings file ("" when absent) and the store's
    // values with their defaults; a flag is ticked only when it reads 1. A
    // negative threshold reads as its default.
    static OptionsValues load(const QString& settingsFile);

    // The shipped threshold texts: Low "500", Medium "1000", High "1000".
    static std::array<QString, ThresholdFields::kCount> defaultThresholds();
};

// Sets one engine's template in place in [Engines] (or adds it at the end of
// the section). False when the file could not be written; it is then unchanged.
bool writeEngineTemplate(const EngineSpec& engine, const QString& text, const QString& settingsFile);

// Saves the thresholds and the pause as they are (not converted) and the flags
// as "0" or "1". False when the store could not be written.
bool saveScanOptions(const OptionsValues& values);

// The notice shown when templates could not be written.
QString templatesNotSavedMessage(const QString& settingsFile);
// The notice shown when the scan options could not be stored.
QString optionsNotSavedMessage(const QString& storeFile);
