#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>

// The three popularity thresholds of the settings dialog and the rules that
// keep them consistent while the user types: Medium and High end equal, Low
// stays below Medium. Field 0 is Low, 1 Medium, 2 High.
//
// Every change of a field's text runs the rules, and a change the rules make
// is itself a change that runs them again; setting a field to the text it
// already holds is no change, which is what ends a chain.
class ThresholdFields {
public:
    static constexpr int kLow = 0;
    static constexpr int kMedium = 1;
    static constexpr int kHigh = 2;
    static constexpr int kCount = 3;

    // Told of every text the rules put into a field, before that change is
    // itself checked, so a window can mirror it.
    using Listener = std::function<void(int index, const QString& text)>;

    explicit ThresholdFields(Listener listener = {}) : m_listener(std::move(listener)) {}

    const QString& text(int index) const { return m_texts[index]; }

    // The field now holds text (typed, or set by the program). Runs the rules
    // when the text differs from what the field held.
    void setText(int index, const QString& text);

    // A threshold text as a signed 32-bit number; nothing when it does not
    // convert (empty, not a number, out of range).
    static std::optional<int> toNumber(const QString& text);

private:
    void change(int index, const QString& text, bool notify);
    void check(int index);

    std::array<QString, kCount> m_texts;
    Listener m_listener;
    int m_depth = 0;
};
