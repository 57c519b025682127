#pragma once

#include <QCollatorSortKey>
#include <QList>
#include <QString>

#include <array>
#include <string>
#include <vector>

// The order a ReportList sorts its texts in: case-insensitive, in the locale's
// collation. Keys are computed once per text, so sorting many rows stays cheap.
// Texts made only of digits and a few punctuation marks (the sort keys of the
// number and date sorts) take a byte-key path that gives the collator's order.
class TextOrderKeys {
public:
    explicit TextOrderKeys(const QList<QStringView>& texts);

    // < 0, 0 or > 0 as text a orders before, with or after text b.
    int compare(qsizetype a, qsizetype b) const;
    // The text positions in order. Equal texts keep their relative order in
    // both directions; distinct texts come exactly reversed descending.
    std::vector<qsizetype> stableOrder(bool ascending) const;
    bool usesByteKeys() const { return m_byteKeys; }

    using RankTable = std::array<unsigned char, 128>;  // 0: not translatable

private:
    bool translate(const QList<QStringView>& texts, const RankTable& ranks);
    std::vector<qsizetype> stableByteOrder(bool ascending) const;

    bool m_byteKeys = false;
    std::string m_bytes;                 // byte keys, end to end
    std::vector<std::size_t> m_offsets;  // text i is [m_offsets[i], m_offsets[i + 1])
    std::vector<QCollatorSortKey> m_collated;
};

std::vector<qsizetype> stableTextOrder(const QList<QStringView>& texts, bool ascending);
