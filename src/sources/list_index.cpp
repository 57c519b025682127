#include "sources/list_index.h"

#include "config/file_write.h"
#include "graph/domain_key.h"
#include "graph/graph_index.h"
#include "sources/source_template.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <optional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace listIndex {
namespace {

constexpr qint64 kDaySeconds = 24 * 60 * 60;

// Splits [p, end) into fields, reusing the strings of out.
void fieldsOf(const char* p, const char* end, std::vector<std::string>& out, size_t& n) {
    n = 0;
    for (;;) {
        if (out.size() <= n) out.emplace_back();
        std::string& field = out[n++];
        field.clear();
        if (p < end && *p == '"') {
            ++p;
            while (p < end) {
                if (*p == '"') {
                    if (p + 1 < end && p[1] == '"') {
                        field += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                field += *p++;
            }
            // Anything between the closing quote and the comma belongs to the field too.
            while (p < end && *p != ',') field += *p++;
        } else {
            const char* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<size_t>(end - p)));
            const char* stop = comma ? comma : end;
            field.assign(p, stop);
            p = stop;
        }
        if (p >= end) return;
        ++p;  // the comma
    }
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A whole number that fits the index; anything else is no count.
std::optional<uint32_t> countOf(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    return static_cast<uint32_t>(value);
}

bool plainHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
}

// The list's name as the lookup writes it: lower case, IDNA-encoded, no
// trailing dot and no leading "www."; "" when it is no host name.
std::string domainOf(std::string_view text) {
    text = trimmed(text);
    std::string name(text);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!std::all_of(name.begin(), name.end(), plainHostChar)) {
        const QByteArray ace = QUrl::toAce(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        name = ace.toLower().toStdString();
        if (name.empty() || !std::all_of(name.begin(), name.end(), plainHostChar)) return {};
    }
    while (!name.empty() && name.back() == '.') name.pop_back();
    if (name.rfind("www.", 0) == 0) name.erase(0, 4);
    if (name.empty() || name.front() == '.' || name.find("..") != std::string::npos) return {};
    return name;
}

struct Entry {
    std::string name;
    uint32_t count;
    uint32_t rank;
};

// The positions of the wanted columns in the header, or the reason they are not there.
QString findColumns(const QStringList& header, const Columns& columns, int* domain, int* count, int* rank) {
    const auto at = [&header](const QString& name) {
        for (qsizetype i = 0; i < header.size(); ++i)
            if (header[i].trimmed().compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
        return -1;
    };
    *domain = at(columns.domain);
    *count = at(columns.count);
    *rank = columns.rank.isEmpty() ? -1 : at(columns.rank);
    QStringList missing;
    if (*domain < 0) missing << columns.domain;
    if (*count < 0) missing << columns.count;
    if (!columns.rank.isEmpty() && *rank < 0) missing << columns.rank;
    if (missing.isEmpty()) return {};
    return QStringLiteral("the list has no column %1 (its first line reads \"%2\")")
        .arg(missing.join(QStringLiteral(", ")), header.join(QLatin1Char(',')).left(200));
}

}  // namespace

QStringList splitLine(const QByteArray& line) {
    std::vector<std::string> fields;
    size_t n = 0;
    fieldsOf(line.constData(), line.constData() + line.size(), fields, n);
    QStringList out;
    for (size_t i = 0; i < n; ++i) out << QString::fromUtf8(fields[i].data(), static_cast<qsizetype>(fields[i].size()));
    return out;
}

Built build(const QByteArray& csv, const Columns& columns, const QString& path) {
    Built built;
    const char* p = csv.constData();
    const char* const end = p + csv.size();
    if (csv.startsWith("\xEF\xBB\xBF")) p += 3;
    const auto nextLine = [&p, end]() {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* stop = nl ? nl : end;
        std::string_view line(p, static_cast<size_t>(stop - p));
        p = nl ? nl + 1 : end;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    };
    const std::string_view headerLine = nextLine();
    const QByteArray headerBytes(headerLine.data(), static_cast<qsizetype>(headerLine.size()));
    if (!columns.header.isEmpty() && QString::fromUtf8(headerBytes).trimmed() != columns.header.trimmed()) {
        built.error = QStringLiteral("the list's first line reads \"%1\", not \"%2\"")
                          .arg(QString::fromUtf8(headerBytes.left(200)), columns.header);
        return built;
    }
    int domainAt = -1, countAt = -1, rankAt = -1;
    built.error = findColumns(splitLine(headerBytes), columns, &domainAt, &countAt, &rankAt);
    if (!built.error.isEmpty()) return built;

    std::vector<Entry> entries;
    entries.reserve(static_cast<size_t>(csv.size() / 64));
    std::vector<std::string> fields;
    size_t n = 0;
    const size_t needed = static_cast<size_t>(std::max({domainAt, countAt, rankAt})) + 1;
    while (p < end) {
        const std::string_view line = nextLine();
        if (trimmed(line).empty()) continue;
        fieldsOf(line.data(), line.data() + line.size(), fields, n);
        std::string name = n >= needed ? domainOf(fields[static_cast<size_t>(domainAt)]) : std::string();
        const auto count = n >= needed ? countOf(fields[static_cast<size_t>(countAt)]) : std::nullopt;
        const auto rank = rankAt >= 0 && n >= needed ? countOf(fields[static_cast<size_t>(rankAt)]) : std::nullopt;
        if (name.empty() || !count) {
            ++built.skipped;
            continue;
        }
        entries.push_back({std::move(name), *count, rank.value_or(graphIndex::kNoRank)});
    }
    if (entries.empty()) {
        built.error = QStringLiteral("the list holds no row with a domain and a count");
        return built;
    }
    // Stable, so of two rows for one name the first (higher) one stays.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });

    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString part = path + QStringLiteral(".part%1").arg(QCoreApplication::applicationPid());
    {
        graphIndex::Writer writer(QFile::encodeName(part).toStdString(), true);
        const std::string* previous = nullptr;
        for (const Entry& e : entries) {
            if (previous && *previous == e.name) continue;
            writer.add(e.name, graphIndex::Counts{e.count, e.rank});
            previous = &e.name;
            ++built.rows;
        }
        if (!writer.finish() || !writer.ok()) {
            built.error = QString::fromLocal8Bit(writer.error().c_str());
            built.rows = 0;
            QFile::remove(part);
            return built;
        }
        built.bytes = writer.bytesWritten();
    }
    // rename() replaces the old index in one step; a reader still holding it keeps its copy.
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0) {
        built.error = QStringLiteral("%1 cannot be written").arg(QDir::toNativeSeparators(path));
        built.rows = 0;
        QFile::remove(part);
    }
    return built;
}

QStringList lookupNames(const QString& address) {
    QString host = domainKey::hostOf(address);
    if (host.startsWith(QLatin1String("www."))) host.remove(0, 4);
    if (host.isEmpty()) return {};
    QStringList names{host};
    // By the whole list, as the services count: a site under a private
    // suffix (someone.github.io) is a site of its own, not its suffix's owner.
    const QString domain = QString::fromLatin1(QUrl::toAce(addressDomain(host)));
    if (!domain.isEmpty() && domain != host) names << domain;
    return names;
}

QString cacheFolder() {
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/Quillmark/lists");
}

QString indexPath(const QString& name) { return cacheFolder() + QLatin1Char('/') + name + QStringLiteral(".index"); }
QString originPath(const QString& name) { return cacheFolder() + QLatin1Char('/') + name + QStringLiteral(".origin"); }

bool isFresh(const QString& name, const QString& url, const QDateTime& now) {
    const QFileInfo index(indexPath(name));
    if (!index.isFile()) return false;
    QFile origin(originPath(name));
    if (!origin.open(QIODevice::ReadOnly) || QString::fromUtf8(origin.read(64 * 1024)).trimmed() != url) return false;
    const qint64 age = index.lastModified().secsTo(now);
    return age >= 0 && age < kDaySeconds;
}

bool writeOrigin(const QString& name, const QString& url) {
    QDir().mkpath(cacheFolder());
    return fileWrite::whole(originPath(name), url.toUtf8() + '\n');
}

}  // namespace listIndex
