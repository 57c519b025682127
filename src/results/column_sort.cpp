#include "results/column_sort.h"

#include "results/report_list.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr int kIntegerDigits = 20;
constexpr int kFractionDigits = 10;
constexpr double kFractionScale = 1e10;
constexpr unsigned long long kTenDigits = 10'000'000'000ULL;
// 10^20 and more do not fit the key's integer digits; such values share the
// outermost key instead of ordering by their leading digits.
constexpr double kKeyLimit = 1e20;
constexpr QChar kTagSeparator = QChar(0);

struct WholePart {
    unsigned long long high = 0;  // the first ten of the twenty integer digits
    unsigned long long low = 0;   // the last ten
};

// Builds number keys for one sort: the locale is looked up once, not per cell.
class NumberKeyMaker {
public:
    NumberKeyMaker()
        : m_decimal(m_locale.decimalPoint()), m_invertedDecimal(InvertDigits(m_decimal)) {}

    // The room one key needs at most.
    qsizetype maxSize() const { return 1 + kIntegerDigits + m_decimal.size() + kFractionDigits; }

    // Writes the key of text at out (maxSize() characters of room) and returns
    // its length; 0 for a cell that is not a number.
    qsizetype write(const QString& text, QChar* out) const {
        if (text.isEmpty()) return 0;
        if (const auto whole = plainDigits(text)) return format({*whole, 0, false, false}, out);
        bool ok = false;
        const double v = m_locale.toDouble(text, &ok);
        if (!ok || !std::isfinite(v)) return 0;
        return format(split(std::fabs(v), v < 0), out);
    }

    QString key(const QString& text) const {
        QString k(maxSize(), Qt::Uninitialized);
        k.truncate(write(text, k.data()));
        return k;
    }

private:
    struct Parts {
        WholePart whole;
        unsigned long long fraction = 0;
        bool negative = false;
        bool saturate = false;  // beyond the key's range: all nines
    };

    // Up to 15 ASCII digits, exact as a double too: parsed directly, giving
    // the key the locale parser's value would give.
    static std::optional<WholePart> plainDigits(const QString& text) {
        if (text.size() > 15) return std::nullopt;
        unsigned long long v = 0;
        for (QChar c : text) {
            if (c < u'0' || c > u'9') return std::nullopt;
            v = v * 10 + (c.unicode() - u'0');
        }
        return WholePart{v / kTenDigits, v % kTenDigits};
    }

    // The magnitude rounded to ten fraction digits, its integer part in two
    // ten-digit halves; the fused multiply-add gives the exact remainder, so
    // even values past 2^64 keep every digit.
    static Parts split(double magnitude, bool negative) {
        if (magnitude >= kKeyLimit) return {{}, 0, negative, true};
        double whole = std::floor(magnitude);
        auto fraction = static_cast<unsigned long long>(std::llround((magnitude - whole) * kFractionScale));
        if (fraction >= kTenDigits) {
            whole += 1;
            fraction = 0;
        }
        if (whole >= kKeyLimit) return {{}, 0, negative, true};
        double high = std::floor(whole / kFractionScale);
        double low = std::fma(-high, kFractionScale, whole);
        if (low < 0) {
            high -= 1;
            low += kFractionScale;
        } else if (low >= kFractionScale) {
            high += 1;
            low -= kFractionScale;
        }
        return {{static_cast<unsigned long long>(high), static_cast<unsigned long long>(low)},
                fraction, negative, false};
    }

    // A negative value gets "&" and inverted digits, so larger magnitudes
    // order first.
    qsizetype format(const Parts& parts, QChar* out) const {
        QChar* p = out;
        const char16_t zero = parts.negative ? u'9' : u'0';
        const int step = parts.negative ? -1 : 1;
        auto tenDigits = [&](unsigned long long value) {
            for (int i = 9; i >= 0; --i, value /= 10) {
                const int d = parts.saturate ? 9 : static_cast<int>(value % 10);
                p[i] = QChar(static_cast<char16_t>(zero + step * d));
            }
            p += 10;
        };
        if (parts.negative) *p++ = u'&';
        tenDigits(parts.whole.high);
        tenDigits(parts.whole.low);
        for (QChar c : parts.negative ? m_invertedDecimal : m_decimal) *p++ = c;
        tenDigits(parts.fraction);
        return p - out;
    }

    QLocale m_locale;
    QString m_decimal;
    QString m_invertedDecimal;
};

std::optional<QDateTime> parseDate(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    const QLocale locale;
    for (auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QDateTime dt = locale.toDateTime(t, format);
        if (dt.isValid()) return dt;
    }
    for (auto format : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QDate d = locale.toDate(t, format);
        if (d.isValid()) return d.startOfDay();
    }
    for (auto format : {Qt::ISODate, Qt::RFC2822Date, Qt::TextDate}) {
        const QDateTime dt = QDateTime::fromString(t, format);
        if (dt.isValid()) return dt;
        const QDate d = QDate::fromString(t, format);
        if (d.isValid()) return d.startOfDay();
    }
    return std::nullopt;
}

QString dateSortKey(const QString& text) {
    const auto dt = parseDate(text);
    if (!dt || dt->date().year() < 1 || dt->date().year() > 9999) return {};
    return dt->toString(QStringLiteral("yyyyMMddhhmmss"));
}

// Every cell of the column: its tag keeps text, NUL and old tag; the text
// becomes the key. An untagged cell hands its own buffer to the tag.
template <typename KeyOf>
void rewriteToKeys(ReportList& list, int column, KeyOf keyOf) {
    const int rows = list.rowCount();
    for (int r = 0; r < rows; ++r) {
        QString& text = list.rawCell(r, column);
        QString& tag = list.rawTag(r, column);
        QString key = keyOf(r, text);
        if (tag.isEmpty()) {
            text.append(kTagSeparator);
            tag = std::move(text);
        } else {
            tag = text + kTagSeparator + tag;
        }
        text = std::move(key);
    }
}

void restoreFromTags(ReportList& list, int column) {
    const int rows = list.rowCount();
    for (int r = 0; r < rows; ++r) {
        QString& tag = list.rawTag(r, column);
        const qsizetype nul = tag.indexOf(kTagSeparator);
        QString& text = list.rawCell(r, column);
        if (nul < 0) {  // not rewritten: copy, so no cell points into the key buffer
            text = QString(text.constData(), text.size());
            continue;
        }
        if (nul == tag.size() - 1) {  // the cell had no tag: its text takes the buffer back
            tag.chop(1);
            text = std::move(tag);
            tag = QString();
        } else {
            text = tag.first(nul);
            tag.remove(0, nul + 1);
        }
    }
}

// Holds the list's busy state and its bulk edit for one sort; released on
// every way out.
class SortSession {
public:
    explicit SortSession(ReportList& list) : m_list(list) {
        emit m_list.busyChanged(true);
        m_list.beginBulkEdit();
    }
    ~SortSession() {
        m_list.endBulkEdit();
        emit m_list.busyChanged(false);
    }
    SortSession(const SortSession&) = delete;
    SortSession& operator=(const SortSession&) = delete;

private:
    ReportList& m_list;
};

}  // namespace

void SortListView(ReportList& list, int column, int kind, bool ascending) {
    SortSession session(list);
    const int c = column - 1;
    const bool columnExists = c >= 0 && c < list.columnCount();
    const bool rewrite = columnExists && (kind == SortNumber || kind == SortDate);
    // Number keys live in one buffer for the whole cycle: no allocation per
    // cell, and every cell gets its own text back before the buffer goes.
    std::vector<QChar> keyBuffer;
    if (rewrite && kind == SortNumber) {
        const NumberKeyMaker keys;
        const auto room = static_cast<std::size_t>(keys.maxSize());
        keyBuffer.resize(static_cast<std::size_t>(list.rowCount()) * room);
        rewriteToKeys(list, c, [&](int row, const QString& text) {
            QChar* at = keyBuffer.data() + static_cast<std::size_t>(row) * room;
            return QString::fromRawData(at, keys.write(text, at));
        });
    } else if (rewrite) {
        rewriteToKeys(list, c, [](int, const QString& text) { return dateSortKey(text); });
    }
    list.sortRows(c, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    if (rewrite) restoreFromTags(list, c);
}

QString InvertDigits(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        if (c >= u'0' && c <= u'9') {
            c = QChar(u'9' - (c.unicode() - u'0'));
        } else if (c == u'-') {
            c = u' ';
        }
    }
    return out;
}

QString numberSortKey(const QString& cellText) { return NumberKeyMaker().key(cellText); }

bool EnhListView_SortColumns(ReportList& list, int column, bool showErrors) {
    // The core shows no message box: a caller that asks for errors gets false
    // and shows its own.
    Q_UNUSED(showErrors);
    if (list.rowCount() == 0) return true;
    const int c = column - 1;
    if (c < 0 || c >= list.columnCount()) return false;
    const Qt::SortOrder reversed =
        list.sortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    list.sortRows(c, reversed);
    return true;
}
