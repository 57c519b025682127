#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>

// The three popularity thresholds of the settings dialog and the rules that
// keep them consistent while the user types: Medium and High end equal, Low
// stays below Medium. Field 0 is Low, 1 Medium, 2 High.
//
// A text set by the program runs the rules at once. A text the user types is
// only held (edit) until the user finishes the field (finish): the rules then
// judge the whole value once, so a value half typed never moves another
// field. A change the rules make is itself a change that runs them again;
// setting a field to the text it already holds is no change, which is what
// ends a chain.
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
    // The user typed: the field holds text, the rules wait for finish.
    void edit(int index, const QString& text);
    // The user is done with the field: runs the rules on it when its text
    // changed since it was last finished.
    void finish(int index);

    // A threshold text as a 32-bit number of 0 or more; nothing when it does
    // not convert (empty, not a number, negative, out of range).
    static std::optional<int> toNumber(const QString& text);

private:
    void change(int index, const QString& text, bool notify);
    void check(int index);

    std::array<QString, kCount> m_texts;
    std::array<bool, kCount> m_unfinished{};
    Listener m_listener;
    int m_depth = 0;
};
