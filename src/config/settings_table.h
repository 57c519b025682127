#pragma once

#include <QString>
#include <array>

// Every value the program keeps in the settings store, in one table: its key,
// the default an absent key reads as, and how it is read. Nothing else names a
// key or a default; everything reads and writes through the accessors below.
enum class Setting {
    LowThreshold,   // "txtProfile0": a row total below it is Low
    HighThreshold,  // "txtProfile1": a row total at or above it is High
    HighShown,      // "txtProfile2": the Options dialog's High field
    AutoSort,       // "chkAutoSort": sort by total after a scan
    ClearFirst,     // "chkClear": clear the results before a scan
    ShowHelp,       // "showHelp": open the help window at start
    ChartType,      // "cmbChart2": chart type index
    AtOnce,         // "chkAtOnce": ask the six engines at once
    Pause,          // "txtPause": seconds between two requests to one engine
    WindowGeometry, // "mainWindowGeometry": the main window's size, place and state (base64)
};

enum class SettingType { Number, Flag, Text };

struct SettingSpec {
    Setting id;
    const char* key;
    const char* defaultText;
    SettingType type;
};

inline constexpr int kSettingCount = 10;
const std::array<SettingSpec, kSettingCount>& settingSpecs();
const SettingSpec& settingSpec(Setting id);

namespace settings {

// The stored text as saved (a threshold may hold anything the user typed), or
// the default when the key was never written.
QString text(Setting id);
// The integer value; the default's value when the text is no 32-bit integer.
int number(Setting id);
// A flag is on when its integer value is 1.
bool flag(Setting id);

// Each returns false when the store could not be written.
bool saveText(Setting id, const QString& value);
bool saveNumber(Setting id, int value);
bool saveFlag(Setting id, bool on);  // "1" or "0"

}  // namespace settings
