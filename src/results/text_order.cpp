#include "results/text_order.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <array>
#include <numeric>

namespace {

// The characters the byte-key path may translate. Each gets its rank in the
// collator's order; a character the collator ignores or ties with another is
// left out, and texts holding it go through the collator.
constexpr char kFastAlphabet[] = " &+,-.0123456789";

using RankTable = std::array<unsigned char, 128>;  // 0: not translatable

RankTable buildRanks(const QCollator& collator) {
    QList<QChar> chars;
    for (const char* p = kFastAlphabet; *p; ++p) chars.append(QChar::fromLatin1(*p));
    std::stable_sort(chars.begin(), chars.end(), [&](QChar a, QChar b) {
        return collator.compare(QStringView(&a, 1), QStringView(&b, 1)) < 0;
    });
    RankTable ranks{};
    const QString empty;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        const QStringView c(&chars[i], 1);
        bool distinct = collator.compare(empty, c) < 0;
        for (qsizetype j = 0; j < chars.size() && distinct; ++j) {
            if (j == i) continue;
            const int r = collator.compare(c, QStringView(&chars[j], 1));
            distinct = j < i ? r > 0 : r < 0;
        }
        if (distinct) ranks[chars[i].unicode()] = static_cast<unsigned char>(i + 1);
    }
    return ranks;
}

// One table per locale; the locale rarely changes while the program runs.
const RankTable& ranksFor(const QCollator& collator) {
    thread_local QLocale cachedLocale;
    thread_local RankTable cached{};
    if (collator.locale() != cachedLocale || cached == RankTable{}) {
        cached = buildRanks(collator);
        cachedLocale = collator.locale();
    }
    return cached;
}

bool translatable(QStringView text, const RankTable& ranks) {
    for (QChar c : text) {
        if (c.unicode() >= 128 || ranks[c.unicode()] == 0) return false;
    }
    return true;
}

}  // namespace

TextOrderKeys::TextOrderKeys(const QList<QStringView>& texts) {
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const RankTable& ranks = ranksFor(collator);
    m_byteKeys = std::all_of(texts.begin(), texts.end(),
                             [&](QStringView t) { return translatable(t, ranks); });
    if (m_byteKeys) {
        std::size_t total = 0;
        for (QStringView t : texts) total += static_cast<std::size_t>(t.size());
        m_bytes.reserve(total);
        m_offsets.reserve(static_cast<std::size_t>(texts.size()) + 1);
        m_offsets.push_back(0);
        for (QStringView t : texts) {
            for (QChar c : t) m_bytes.push_back(static_cast<char>(ranks[c.unicode()]));
            m_offsets.push_back(m_bytes.size());
        }
        return;
    }
    // The C locale's collator compares case-insensitively but its sort keys
    // keep case, so its texts are folded first.
    const bool foldFirst = collator.locale().language() == QLocale::C;
    m_collated.reserve(static_cast<std::size_t>(texts.size()));
    for (QStringView t : texts) {
        m_collated.push_back(collator.sortKey(foldFirst ? t.toString().toCaseFolded() : t.toString()));
    }
}

int TextOrderKeys::compare(qsizetype a, qsizetype b) const {
    const auto ia = static_cast<std::size_t>(a);
    const auto ib = static_cast<std::size_t>(b);
    if (!m_byteKeys) return m_collated[ia].compare(m_collated[ib]);
    const std::string_view va(m_bytes.data() + m_offsets[ia], m_offsets[ia + 1] - m_offsets[ia]);
    const std::string_view vb(m_bytes.data() + m_offsets[ib], m_offsets[ib + 1] - m_offsets[ib]);
    return va.compare(vb);
}

std::vector<qsizetype> stableTextOrder(const QList<QStringView>& texts, bool ascending) {
    std::vector<qsizetype> order(static_cast<std::size_t>(texts.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    if (order.size() < 2) return order;
    const TextOrderKeys keys(texts);
    if (ascending) {
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return keys.compare(a, b) < 0; });
    } else {
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return keys.compare(a, b) > 0; });
    }
    return order;
}
