#pragma once

#include "config/engine_catalog.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class PageFetcher;

// What a source says about the addresses it was asked for.
struct SourceReply {
    // One cell text per address, in the order asked; "" is no count.
    QStringList cells;
    // Per cell, whether it was read as a count (a built-in engine's page can
    // yield a figure it never stated); missing entries were read.
    QList<bool> read;
    QString error;                   // the answer's error without the caption; "" when none
    std::optional<int> retryAfterSeconds;  // a 429 or 503 that named a wait
    QString answerText;  // what came back, every credential masked; "" for a built-in engine
};

// Where one column's counts come from. The scan driver asks a slot's source
// for some addresses and gets cells or an error back; it never knows which
// kind of source it holds. done runs exactly once, later from the event loop
// or (a local source) before ask returns, unless abortAll() comes first.
class CountSource {
public:
    using Done = std::function<void(const SourceReply&)>;
    virtual ~CountSource() = default;

    virtual QString caption() const = 0;       // grid and CSV caption, saved section name
    virtual QString webLabel() const = 0;      // website-view label
    virtual QString statusSuffix() const = 0;  // " on Moz"
    // How many addresses one request may carry; the driver keeps the rest of
    // a batch's answer for the addresses that follow.
    virtual int batchSize() const { return 1; }
    virtual int pauseSeconds() const { return 0; }
    // Answered on this machine: done runs before ask returns, and no pause
    // (the Options' or a Retry-After) holds its requests.
    virtual bool isLocal() const { return false; }
    // The website view's page for one address: a public page, a page made
    // here (a data: address), or "" to show the answer itself.
    virtual QString viewAddress(const QString& address) const { return QString(); }
    virtual void ask(const QStringList& addresses, Done done) = 0;
    virtual void abortAll() {}
};

// The six slots of one scan: a null entry is a column switched off. Built once
// per scan from [Sources] of settings.ini: no key or an empty value is the
// built-in engine, "off" is off, anything else names Sources/NAME.ini (a
// request to a service, or with Type=graph the web graph counted here).
using SourceTable = std::array<std::unique_ptr<CountSource>, kEngineCount>;
SourceTable buildSourceTable(const QString& settingsFile, PageFetcher& fetcher);

// The binding of one slot as written: "" (built-in), "off", or a NAME.
QString sourceBinding(const EngineSpec& engine, const QString& settingsFile);
// The caption each column has under settingsFile's binding; null for an off column.
std::array<QString, kEngineCount> columnCaptions(const QString& settingsFile);
