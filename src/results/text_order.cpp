#include "results/text_order.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <string_view>

namespace {

// The characters the byte-key path may translate. Each gets its rank in the
// collator's order; a character the collator ignores or ties with another is
// left out, and texts holding it go through the collator.
constexpr char kFastAlphabet[] = " &+,-.0123456789";

TextOrderKeys::RankTable buildRanks(const QCollator& collator) {
    QList<QChar> chars;
    for (const char* p = kFastAlphabet; *p; ++p) chars.append(QChar::fromLatin1(*p));
    std::stable_sort(chars.begin(), chars.end(), [&](QChar a, QChar b) {
        return collator.compare(QStringView(&a, 1), QStringView(&b, 1)) < 0;
    });
    TextOrderKeys::RankTable ranks{};
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
const TextOrderKeys::RankTable& ranksFor(const QCollator& collator) {
    thread_local QLocale cachedLocale;
    thread_local TextOrderKeys::RankTable cached{};
    if (collator.locale() != cachedLocale || cached == TextOrderKeys::RankTable{}) {
        cached = buildRanks(collator);
        cachedLocale = collator.locale();
    }
    return cached;
}

}  // namespace

// One pass: each text becomes its byte key; false as soon as a character has
// no rank.
bool TextOrderKeys::translate(const QList<QStringView>& texts, const RankTable& ranks) {
    std::size_t total = 0;
    for (QStringView t : texts) total += static_cast<std::size_t>(t.size());
    m_bytes.resize(total);
    m_offsets.resize(static_cast<std::size_t>(texts.size()) + 1);
    char* out = m_bytes.data();
    std::size_t at = 0;
    m_offsets[0] = 0;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        for (QChar c : texts[i]) {
            const char16_t u = c.unicode();
            if (u >= 128 || ranks[u] == 0) return false;
            out[at++] = static_cast<char>(ranks[u]);
        }
        m_offsets[static_cast<std::size_t>(i) + 1] = at;
    }
    return true;
}

TextOrderKeys::TextOrderKeys(const QList<QStringView>& texts) {
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const RankTable& ranks = ranksFor(collator);
    m_byteKeys = translate(texts, ranks);
    if (m_byteKeys) return;
    m_bytes = std::string();
    m_offsets = std::vector<std::size_t>();
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

namespace {

// A byte key's first bytes after the prefix all keys share, packed for fast
// comparison: a leading 1 marks a non-empty key, so the empty key sorts first.
struct PackedKey {
    std::uint64_t head = 0;
    std::uint64_t next = 0;
    qsizetype index = 0;
};

constexpr std::size_t kHeadBytes = 7;
constexpr std::size_t kNextBytes = 8;

std::uint64_t packBytes(std::string_view bytes, std::size_t from, std::size_t count) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < count; ++i) {
        v <<= 8;
        if (from + i < bytes.size()) v |= static_cast<unsigned char>(bytes[from + i]);
    }
    return v;
}

// The prefix every non-empty key shares compares equal everywhere: it is skipped.
template <typename KeyOf>
std::size_t sharedPrefixLength(std::size_t n, KeyOf keyOf) {
    std::string_view common;
    bool first = true;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view k = keyOf(i);
        if (k.empty()) continue;
        if (first) {
            common = k;
            first = false;
        }
        std::size_t l = 0;
        while (l < common.size() && l < k.size() && common[l] == k[l]) ++l;
        common = common.substr(0, l);
    }
    return common.size();
}

}  // namespace

std::vector<qsizetype> TextOrderKeys::stableByteOrder(bool ascending) const {
    const std::size_t n = m_offsets.size() - 1;
    auto keyOf = [&](std::size_t i) {
        return std::string_view(m_bytes.data() + m_offsets[i], m_offsets[i + 1] - m_offsets[i]);
    };
    const std::size_t skip = sharedPrefixLength(n, keyOf);
    const std::size_t tailFrom = skip + kHeadBytes + kNextBytes;

    std::vector<PackedKey> packed(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view k = keyOf(i);
        PackedKey& p = packed[i];
        p.index = static_cast<qsizetype>(i);
        if (k.empty()) continue;
        p.head = (std::uint64_t{1} << 56) | packBytes(k, skip, kHeadBytes);
        p.next = packBytes(k, skip + kHeadBytes, kNextBytes);
    }
    auto less = [&](const PackedKey& a, const PackedKey& b) {
        if (a.head != b.head) return a.head < b.head;
        if (a.next != b.next) return a.next < b.next;
        const std::string_view ka = keyOf(static_cast<std::size_t>(a.index));
        const std::string_view kb = keyOf(static_cast<std::size_t>(b.index));
        if (ka.size() <= tailFrom && kb.size() <= tailFrom) return false;
        return ka.substr(std::min(tailFrom, ka.size())) < kb.substr(std::min(tailFrom, kb.size()));
    };
    if (ascending) {
        std::stable_sort(packed.begin(), packed.end(), less);
    } else {
        std::stable_sort(packed.begin(), packed.end(),
                         [&](const PackedKey& a, const PackedKey& b) { return less(b, a); });
    }
    std::vector<qsizetype> order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = packed[i].index;
    return order;
}

std::vector<qsizetype> TextOrderKeys::stableOrder(bool ascending) const {
    if (m_byteKeys) return stableByteOrder(ascending);
    std::vector<qsizetype> order(m_collated.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    if (ascending) {
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return compare(a, b) < 0; });
    } else {
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return compare(a, b) > 0; });
    }
    return order;
}

std::vector<qsizetype> stableTextOrder(const QList<QStringView>& texts, bool ascending) {
    if (texts.size() < 2) return std::vector<qsizetype>(static_cast<std::size_t>(texts.size()), 0);
    return TextOrderKeys(texts).stableOrder(ascending);
}
