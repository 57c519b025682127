#include "shell/threshold_fields.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {
// Chains end by themselves within a few steps; this only bounds a runaway.
constexpr int kMaxDepth = 64;

QString numberText(std::int64_t value) {
    // Sums and differences are kept in range rather than wrapped, so the
    // result still converts and the chain stays short; Medium at 0 leaves Low
    // at 0, not below it.
    return QString::number(std::clamp<std::int64_t>(value, 0, INT_MAX));
}
}  // namespace

std::optional<int> ThresholdFields::toNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    // A total of links is never below zero: a negative threshold is no threshold.
    if (!ok || value < 0 || text.trimmed().startsWith(QLatin1Char('-'))) return std::nullopt;
    return value;
}

void ThresholdFields::setText(int index, const QString& text) { change(index, text, false); }

void ThresholdFields::edit(int index, const QString& text) {
    if (index < 0 || index >= kCount || m_texts[index] == text) return;
    m_texts[index] = text;
    m_unfinished[index] = true;
}

void ThresholdFields::finish(int index) {
    if (index < 0 || index >= kCount || !m_unfinished[index]) return;
    m_unfinished[index] = false;
    ++m_depth;
    check(index);
    --m_depth;
}

void ThresholdFields::change(int index, const QString& text, bool notify) {
    if (index < 0 || index >= kCount || m_texts[index] == text) return;
    m_texts[index] = text;
    m_unfinished[index] = false;
    if (notify && m_listener) m_listener(index, text);
    if (m_depth >= kMaxDepth) return;
    ++m_depth;
    check(index);
    --m_depth;
}

void ThresholdFields::check(int index) {
    const QString& changed = m_texts[index];
    if (changed.isEmpty() || changed == QLatin1String(" ")) return;
    if (!toNumber(changed)) {
        // The edit that broke the number is taken back one character at a time.
        change(index, changed.left(changed.size() - 1), true);
        return;
    }
    const auto p0 = toNumber(m_texts[kLow]);
    const auto p1 = toNumber(m_texts[kMedium]);
    const auto p2 = toNumber(m_texts[kHigh]);
    // Another field empty or not a number: the edit stands and nothing else moves.
    if (!p0 || !p1 || !p2) return;

    switch (index) {
        case kLow:
            if (*p0 >= *p1) change(kMedium, numberText(std::int64_t{*p0} + *p0), true);
            break;
        case kMedium:
            if (*p0 >= *p1) change(kLow, numberText(std::int64_t{*p1} - 1), true);
            change(kHigh, numberText(*p1), true);
            break;
        case kHigh:
            change(kMedium, numberText(*p2), true);
            break;
    }
}
