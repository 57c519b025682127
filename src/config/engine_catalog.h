#pragma once

#include <QString>
#include <array>
#include <cstdint>

// The six engines, always all six, in scan order. Every caption, label and
// status suffix of an engine comes from this table.
enum class EngineKey { Google, Altavista, Yahoo, Ask, MSN, ATW };

struct EngineSpec {
    EngineKey id;
    const char* key;            // key under [Engines] in settings.ini
    int parser;                 // parser number of ParseEngineData
    const char* dialogLabel;    // label in the settings dialog
    const char* templateField;  // objectName of the template field there
    const char* gridCaption;    // results-grid column caption
    const char* webLabel;       // website-view label
    const char* statusSuffix;   // " on Google"
    const char* host;           // web search host of the default template
    const char* pathAndQuery;   // default template after the host
    int gridColumn;             // 0-based grid column (Domain Name is 0, Total is 1)
};

inline constexpr int kEngineCount = 6;
const std::array<EngineSpec, kEngineCount>& engineSpecs();
const EngineSpec& engineSpec(EngineKey id);
// The engine whose website-view label is exactly label (case included), or null.
const EngineSpec* engineByWebLabel(const QString& label);

// "http://" + host + path and query, as the settings dialog's Reset writes it.
QString defaultTemplate(const EngineSpec& engine);
// The engine's template from [Engines] of the settings file; "" when absent.
QString readTemplate(const EngineSpec& engine, const QString& settingsFile);
// The scan's query: the template, the address character for character, and for
// AllTheWeb the fixed suffix.
QString scanQuery(const QString& templ, const EngineSpec& engine, const QString& address);
inline constexpr const char* kAtwSuffix = "&rys=0&_sb_lang=pref&ocjp=1";

enum class PopularityRank { Low = 1, Medium = 2, High = 3 };
// t < low gives Low; otherwise t >= high gives High; otherwise Medium.
PopularityRank popularityRank(std::int64_t total, std::int64_t low, std::int64_t high);
const char* rankName(PopularityRank rank);  // "Low", "Medium", "High"

// The scan settings of the settings store, converted; a threshold text that
// does not convert falls back to that setting's default.
struct ScanSettings {
    int lowThreshold = 500;
    int highThreshold = 1000;
    bool autoSort = true;
    bool clearFirst = true;
    bool atOnce = false;    // the six requests of an address together
    int pauseSeconds = 0;   // between two requests to one engine, 0 to kMaxPauseSeconds
    static ScanSettings read();
};
inline constexpr int kMaxPauseSeconds = 3600;
