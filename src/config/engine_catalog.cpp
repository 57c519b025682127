#include "config/engine_catalog.h"

#include "config/ini_file.h"
#include "config/settings_table.h"

#include <algorithm>

const std::array<EngineSpec, kEngineCount>& engineSpecs() {
    static const std::array<EngineSpec, kEngineCount> specs{{
        {EngineKey::Google, "Google", 1, "Google:", "Text1", "Google", "Google", " on Google",
         "www.google.com", "/search?hl=en&ie=UTF-8&q=link:", 2},
        {EngineKey::Altavista, "Altavista", 2, "Altavista:", "Text2", "Altavista", "AltaVista",
         " on AltaVista", "www.altavista.com", "/web/results?q=link:", 3},
        {EngineKey::Yahoo, "Yahoo", 3, "Yahoo!:", "Text3", "Yahoo!", "Yahoo", " on Yahoo!",
         "search.yahoo.com", "/search?fr=fp-pull-web-t&p=link:", 4},
        // Ask's operator is "links:", not "link:".
        {EngineKey::Ask, "Ask", 4, "Ask:", "Text4", "Ask", "Ask", " on Ask", "www.ask.com",
         "/web?qsrc=1&o=312&q=links:", 5},
        {EngineKey::MSN, "MSN", 5, "MSN:", "Text5", "MSN", "MSN", " on MSN", "search.msn.com",
         "/results.aspx?FORM=SMCRT&q=link:", 6},
        {EngineKey::ATW, "ATW", 6, "AllTheWeb:", "Text6", "All The Web", "AllTheWeb",
         " on All The Web", "www.alltheweb.com", "/search?cat=web&cs=utf8&q=link:", 7},
    }};
    return specs;
}

const EngineSpec& engineSpec(EngineKey id) { return engineSpecs()[static_cast<std::size_t>(id)]; }

const EngineSpec* engineByWebLabel(const QString& label) {
    for (const EngineSpec& engine : engineSpecs())
        if (label == QLatin1String(engine.webLabel)) return &engine;
    return nullptr;
}

QString defaultTemplate(const EngineSpec& engine) {
    return QStringLiteral("http://") + QLatin1String(engine.host) +
           QLatin1String(engine.pathAndQuery);
}

QString readTemplate(const EngineSpec& engine, const QString& settingsFile) {
    return IniReadKey(QStringLiteral("Engines"), QLatin1String(engine.key), QString(),
                      settingsFile);
}

QString scanQuery(const QString& templ, const EngineSpec& engine, const QString& address) {
    QString query = templ + address;
    if (engine.id == EngineKey::ATW) query += QLatin1String(kAtwSuffix);
    return query;
}

PopularityRank popularityRank(std::int64_t total, std::int64_t low, std::int64_t high) {
    if (total < low) return PopularityRank::Low;
    if (total >= high) return PopularityRank::High;
    return PopularityRank::Medium;
}

const char* rankName(PopularityRank rank) {
    switch (rank) {
        case PopularityRank::Low: return "Low";
        case PopularityRank::Medium: return "Medium";
        case PopularityRank::High: return "High";
    }
    return "Low";
}

ScanSettings ScanSettings::read() {
    ScanSettings settings;
    settings.lowThreshold = settings::number(Setting::LowThreshold);
    settings.highThreshold = settings::number(Setting::HighThreshold);
    settings.autoSort = settings::flag(Setting::AutoSort);
    settings.clearFirst = settings::flag(Setting::ClearFirst);
    settings.atOnce = settings::flag(Setting::AtOnce);
    settings.pauseSeconds = std::clamp(settings::number(Setting::Pause), 0, kMaxPauseSeconds);
    return settings;
}
