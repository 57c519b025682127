#include "results/column_sort.h"

#include "results/report_list.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <optional>

namespace {

constexpr int kIntegerDigits = 20;
constexpr int kFractionDigits = 10;
constexpr double kFractionScale = 1e10;
constexpr unsigned long long kTenDigits = 10'000'000'000ULL;
// 10^20 and more do not fit the key's integer digits; such values share the
// outermost key instead of ordering by their leading digits.
constexpr double kKeyLimit = 1e20;
constexpr QChar kTagSeparator = QChar(0);

// Builds number keys for one sort: the locale is looked up once, not per cell.
class NumberKeyMaker {
public:
    NumberKeyMaker() : m_locale(), m_decimal(m_locale.decimalPoint()) {}

    QString key(const QString& text) const {
        if (const auto digits = plainDigits(text)) return format({0, *digits}, 0, false);
        bool ok = false;
        const double v = m_locale.toDouble(text, &ok);
        if (!ok || !std::isfinite(v)) return {};
        if (std::fabs(v) >= kKeyLimit) return format({}, 0, v < 0, true);
        return v >= 0 ? formatDouble(v, false) : formatDouble(-v, true);
    }

private:
    // Up to 10 ASCII digits (every count the grid holds): parsed directly, exactly as the locale parser would.
    static std::optional<unsigned long long> plainDigits(const QString& text) {
        if (text.isEmpty() || text.size() > 10) return std::nullopt;
        unsigned long long v = 0;
        for (QChar c : text) {
            if (c < u'0' || c > u'9') return std::nullopt;
            v = v * 10 + (c.unicode() - u'0');
        }
        return v;
    }

    QString formatDouble(double magnitude, bool negative) const {
        double whole = std::floor(magnitude);
        auto fraction = static_cast<unsigned long long>(std::llround((magnitude - whole) * kFractionScale));
        if (fraction >= kTenDigits) {
            whole += 1;
            fraction = 0;
        }
        if (whole >= kKeyLimit) return format({}, 0, negative, true);
        // Split the integer part in two ten-digit halves; the fused multiply-add
        // gives the exact remainder, so even values past 2^64 keep every digit.
        double high = std::floor(whole / kFractionScale);
        double low = std::fma(-high, kFractionScale, whole);
        if (low < 0) {
            high -= 1;
            low += kFractionScale;
        } else if (low >= kFractionScale) {
            high += 1;
            low -= kFractionScale;
        }
        const WholePart part{static_cast<unsigned long long>(high), static_cast<unsigned long long>(low)};
        return format(part, fraction, negative);
    }

    struct WholePart {
        unsigned long long high = 0;  // the first ten of the twenty integer digits
        unsigned long long low = 0;   // the last ten
    };

    // Writes the digits straight into the key's buffer. A negative value gets
    // "&" and inverted digits, so larger magnitudes order first; a value
    // beyond the key's range saturates to all nines.
    QString format(WholePart whole, unsigned long long fraction, bool negative,
                   bool saturate = false) const {
        const qsizetype size = (negative ? 1 : 0) + kIntegerDigits + m_decimal.size() + kFractionDigits;
        QString out(size, Qt::Uninitialized);
        QChar* p = out.data();
        auto put = [negative](QChar c) {
            if (!negative) return c;
            if (c >= u'0' && c <= u'9') return QChar(char16_t(u'9' - (c.unicode() - u'0')));
            return c == u'-' ? QChar(u' ') : c;
        };
        auto writeDigits = [&](QChar* at, unsigned long long value) {
            for (int i = 9; i >= 0; --i, value /= 10) {
                at[i] = put(QChar(char16_t(u'0' + (saturate ? 9 : value % 10))));
            }
        };
        if (negative) *p++ = u'&';
        writeDigits(p, whole.high);
        writeDigits(p + 10, whole.low);
        p += kIntegerDigits;
        for (QChar c : m_decimal) *p++ = put(c);
        writeDigits(p, fraction);
        return out;
    }

    QLocale m_locale;
    QString m_decimal;
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
// becomes the key.
template <typename KeyOf>
void rewriteToKeys(ReportList& list, int column, KeyOf keyOf) {
    const int rows = list.rowCount();
    for (int r = 0; r < rows; ++r) {
        QString& text = list.rawCell(r, column);
        QString& tag = list.rawTag(r, column);
        tag = text + kTagSeparator + tag;
        text = keyOf(text);
    }
}

void restoreFromTags(ReportList& list, int column) {
    const int rows = list.rowCount();
    for (int r = 0; r < rows; ++r) {
        QString& tag = list.rawTag(r, column);
        const qsizetype nul = tag.indexOf(kTagSeparator);
        if (nul < 0) continue;  // this cell was never rewritten; leave it as it is
        list.rawCell(r, column) = tag.first(nul);
        tag.remove(0, nul + 1);
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
    if (rewrite && kind == SortNumber) {
        const NumberKeyMaker keys;
        rewriteToKeys(list, c, [&](const QString& t) { return keys.key(t); });
    } else if (rewrite) {
        rewriteToKeys(list, c, dateSortKey);
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
