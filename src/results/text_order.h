#pragma once

#include <QCollatorSortKey>
#include <QList>
#include <QString>

#include <string>
#include <string_view>
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
    bool usesByteKeys() const { return m_byteKeys; }

private:
    bool m_byteKeys = false;
    std::string m_bytes;                     // byte keys, end to end
    std::vector<std::size_t> m_offsets;      // text i is [m_offsets[i], m_offsets[i + 1])
    std::vector<QCollatorSortKey> m_collated;
};

// Stable ordering of text positions: equal texts keep their relative order in
// both directions; distinct texts come in exactly reversed order descending.
std::vector<qsizetype> stableTextOrder(const QList<QStringView>& texts, bool ascending);
