#include "graph/graph_index.h"
#include "graph/name_sort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <random>

namespace {

struct Entry {
    std::string name;
    graphIndex::Counts counts;
};

// A small index written by the writer, and the answers it must give.
struct SmallIndex {
    std::vector<Entry> entries;
    std::vector<uint8_t> bytes;
};

SmallIndex makeSmallIndex(const QTemporaryDir& dir, int domains) {
    SmallIndex index;
    for (int i = 0; i < domains; ++i) {
        const std::string shared = i % 5 == 0 ? std::string(20, 'x') : std::string();  // longer than the short forms
        index.entries.push_back({"com.site-" + shared + std::to_string(1000 + i),
                                 {static_cast<uint32_t>(i * 37 % domains), static_cast<uint32_t>(i % 3 ? i + 1 : 0)}});
    }
    std::sort(index.entries.begin(), index.entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
    const std::string path = dir.filePath(QStringLiteral("small.index")).toStdString();
    graphIndex::Writer writer(path, true);
    for (const Entry& e : index.entries) writer.add(e.name, e.counts);
    EXPECT_TRUE(writer.finish()) << writer.error();
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    index.bytes.assign(data.begin(), data.end());
    return index;
}

// Every name and some absent ones: each answer of a damaged copy must be the
// right one or Damaged. Returns a description of the first wrong answer.
std::string firstWrongAnswer(const SmallIndex& index, const graphIndex::Reader& reader) {
    for (size_t i = 0; i < index.entries.size(); ++i) {
        const graphIndex::Found found = reader.find(index.entries[i].name);
        if (found.status == graphIndex::Status::Damaged) continue;
        if (!found || found.position != i || found.counts.linkingDomains != index.entries[i].counts.linkingDomains ||
            found.counts.harmonicRank != index.entries[i].counts.harmonicRank)
            return index.entries[i].name + " answered wrong";
    }
    for (const char* absent : {"", "a", "com.site-", "com.site-1000x", "com.site-999", "zzz"}) {
        const graphIndex::Found found = reader.find(absent);
        if (found.status == graphIndex::Status::Present) return std::string(absent) + " found";
    }
    std::vector<Entry> seen;
    const bool whole = reader.forEach([&](std::string_view name, graphIndex::Counts counts) {
        seen.push_back({std::string(name), counts});
    });
    if (whole) {
        if (seen.size() != index.entries.size()) return "forEach gave another number of entries";
        for (size_t i = 0; i < seen.size(); ++i)
            if (seen[i].name != index.entries[i].name ||
                seen[i].counts.linkingDomains != index.entries[i].counts.linkingDomains ||
                seen[i].counts.harmonicRank != index.entries[i].counts.harmonicRank)
                return "forEach gave another entry for " + index.entries[i].name;
    }
    return {};
}

void storeHeaderField(std::vector<uint8_t>& bytes, size_t at, uint64_t value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
    const uint32_t crc = graphIndex::crc32c(bytes.data(), 60);
    std::memcpy(bytes.data() + 60, &crc, sizeof crc);
}

TEST(GraphIndexDamage, EveryFlippedByteIsRefusedOrChangesNoAnswer) {
    QTemporaryDir dir;
    const SmallIndex index = makeSmallIndex(dir, 300);
    ASSERT_GT(index.bytes.size(), 2000u);
    graphIndex::Reader sound;
    ASSERT_TRUE(sound.openBytes(index.bytes.data(), index.bytes.size()));
    ASSERT_EQ(firstWrongAnswer(index, sound), "");

    int refusedAtOpen = 0, flips = 0;
    for (size_t at = 0; at < index.bytes.size(); ++at) {
        for (uint8_t mask : {uint8_t{0x01}, uint8_t{0xff}}) {
            std::vector<uint8_t> copy = index.bytes;
            copy[at] ^= mask;
            ++flips;
            graphIndex::Reader reader;
            if (!reader.openBytes(copy.data(), copy.size())) {
                ASSERT_TRUE(reader.damaged()) << "byte " << at;
                ++refusedAtOpen;
                continue;
            }
            const std::string wrong = firstWrongAnswer(index, reader);
            ASSERT_EQ(wrong, "") << "byte " << at << " flipped with " << int(mask);
        }
    }
    EXPECT_EQ(flips, static_cast<int>(index.bytes.size()) * 2);
    EXPECT_GE(refusedAtOpen, 2 * 60);  // the header's bytes
}

TEST(GraphIndexDamage, TruncatedAndImpossibleHeadersAndOffsetsAreRefused) {
    QTemporaryDir dir;
    const SmallIndex index = makeSmallIndex(dir, 300);
    for (size_t length = 0; length < index.bytes.size(); ++length) {
        graphIndex::Reader reader;
        ASSERT_FALSE(reader.openBytes(index.bytes.data(), length)) << length;
        ASSERT_TRUE(reader.damaged());
    }
    // Header fields that disagree with the file, each with a fresh header checksum.
    const uint64_t size = index.bytes.size();
    const struct {
        const char* field;
        size_t at;
        uint64_t value;
    } headers[] = {
        {"domains", 16, UINT64_MAX},       {"domains", 16, 1ull << 40}, {"blocks", 24, UINT64_MAX / 8},
        {"offsets at", 32, 8},            {"offsets at", 32, size},    {"offsets at", 32, UINT64_MAX - 7},
        {"file size", 40, size + 1},      {"data end", 48, size},      {"data end", 48, 0},
        {"with counts", 8, 2},            {"block size", 12, 17},
    };
    for (const auto& h : headers) {
        std::vector<uint8_t> copy = index.bytes;
        storeHeaderField(copy, h.at, h.value);
        graphIndex::Reader reader;
        EXPECT_FALSE(reader.openBytes(copy.data(), copy.size())) << h.field << " " << h.value;
    }
    // Block offsets out of every range: each lookup is right or Damaged.
    uint64_t offsetsAt;
    std::memcpy(&offsetsAt, index.bytes.data() + 32, 8);
    const size_t blocks = (size - offsetsAt) / 8;
    for (size_t b = 0; b < blocks; ++b) {
        for (uint64_t value : {uint64_t{0}, uint64_t{63}, size, size * 2, uint64_t{1} << 62, UINT64_MAX,
                               UINT64_MAX - 3}) {
            std::vector<uint8_t> copy = index.bytes;
            std::memcpy(copy.data() + offsetsAt + b * 8, &value, 8);
            graphIndex::Reader reader;
            ASSERT_TRUE(reader.openBytes(copy.data(), copy.size()));
            ASSERT_EQ(firstWrongAnswer(index, reader), "") << "block " << b << " at " << value;
        }
    }
}

TEST(GraphIndexDamage, OnlyRegularFilesAreOpened) {
    QTemporaryDir dir;
    const SmallIndex index = makeSmallIndex(dir, 40);
    const std::string good = dir.filePath(QStringLiteral("small.index")).toStdString();
    const std::string fifo = dir.filePath(QStringLiteral("fifo.index")).toStdString();
    const std::string link = dir.filePath(QStringLiteral("link.index")).toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(good.c_str(), link.c_str()), 0);
    const struct {
        std::string path;
        bool opens, damaged;
    } cases[] = {
        {good, true, false},
        {fifo, false, true},  // returns at once: nothing waits for a writer
        {link, false, true},
        {dir.filePath(QStringLiteral("missing.index")).toStdString(), false, false},
        {dir.path().toStdString(), false, true},
    };
    for (const auto& c : cases) {
        graphIndex::Reader reader;
        EXPECT_EQ(reader.open(c.path), c.opens) << c.path;
        EXPECT_EQ(reader.damaged(), c.damaged) << c.path;
    }
}

TEST(GraphNameSort, MergesRunsIntoOneOrderedListWithTheIdsOfEachName) {
    std::mt19937 rng(4);
    std::vector<std::string> base;
    for (int i = 0; i < 400; ++i) base.push_back("com.n" + std::to_string(rng() % 300));  // repeats on purpose
    std::vector<std::string> sorted = base;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::string> reversed(sorted.rbegin(), sorted.rend());
    const struct {
        const char* name;
        std::vector<std::string> names;
        size_t budget;
        bool oneRun;
    } cases[] = {
        {"random order, many runs", base, 256, false},
        {"in order: one run however small the budget", sorted, 256, true},
        {"reversed", reversed, 512, false},
        {"all in memory", base, 1 << 20, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        std::map<std::string, std::vector<uint32_t>> expected;
        for (size_t id = 0; id < c.names.size(); ++id) expected[c.names[id]].push_back(static_cast<uint32_t>(id));
        std::vector<std::pair<std::string, std::vector<uint32_t>>> got;
        {
            NameSort sort(dir.filePath(QStringLiteral("run")).toStdString(), c.budget);
            for (size_t id = 0; id < c.names.size(); ++id) ASSERT_TRUE(sort.add(c.names[id], static_cast<uint32_t>(id)));
            ASSERT_TRUE(sort.finish([&](std::string_view name, const std::vector<uint32_t>& ids) {
                got.emplace_back(std::string(name), ids);
                return true;
            })) << sort.error();
            if (c.budget < 1000) EXPECT_EQ(sort.runCount() == 1, c.oneRun) << sort.runCount();
        }
        using Groups = std::vector<std::pair<std::string, std::vector<uint32_t>>>;
        EXPECT_EQ(got, Groups(expected.begin(), expected.end()));
        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty()) << "runs left behind";
    }
}

}  // namespace

namespace {

// The published CRC-32C check value, whole and continued from a split at
// every point: indexes written before must still verify.
TEST(GraphIndexChecksum, CheckValueWholeAndContinued) {
    const std::string text = "123456789";
    EXPECT_EQ(graphIndex::crc32c(text.data(), text.size()), 0xE3069283u);
    for (size_t split = 0; split <= text.size(); ++split)
        EXPECT_EQ(graphIndex::crc32c(text.data() + split, text.size() - split, graphIndex::crc32c(text.data(), split)),
                  0xE3069283u)
            << split;
    // 32 zero bytes, the other value the standard lists, read from an odd address.
    const std::vector<uint8_t> zeros(40, 0);
    EXPECT_EQ(graphIndex::crc32c(zeros.data() + 3, 32), 0x8A9136AAu);
}

TEST(GraphIndexWriter, ALinkInTheFilesPlaceIsNotFollowed) {
    QTemporaryDir dir;
    const std::string outside = dir.filePath(QStringLiteral("outside")).toStdString();
    const std::string link = dir.filePath(QStringLiteral("domain.index.part")).toStdString();
    QFile target(QString::fromStdString(outside));
    ASSERT_TRUE(target.open(QIODevice::WriteOnly));
    target.write("keep me");
    target.close();
    ASSERT_EQ(::symlink(outside.c_str(), link.c_str()), 0);
    graphIndex::Writer writer(link, true);
    writer.add("com.example", {1, 1});
    EXPECT_FALSE(writer.finish());
    EXPECT_NE(writer.error().find(link), std::string::npos) << writer.error();
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), QByteArray("keep me"));
}

// The name at each place, across blocks, and nothing beyond the last.
TEST(GraphIndexReader, NameAtEveryPlace) {
    QTemporaryDir dir;
    const SmallIndex index = makeSmallIndex(dir, 70);
    graphIndex::Reader reader;
    ASSERT_TRUE(reader.open(dir.filePath(QStringLiteral("small.index")).toStdString()));
    std::string name = "left over from before";
    for (size_t i = 0; i < index.entries.size(); ++i) {
        ASSERT_TRUE(reader.nameAt(i, name)) << i;
        EXPECT_EQ(name, index.entries[i].name) << i;
    }
    EXPECT_FALSE(reader.nameAt(index.entries.size(), name));
    EXPECT_FALSE(reader.nameAt(UINT64_MAX, name));
}

}  // namespace

namespace {

// A list copied with new numbers, its names as coded, is byte for byte the
// list written name by name with those numbers; and a copy cannot go on by
// name.
TEST(GraphIndexWriter, ACopyWithNewNumbersIsTheListWrittenAfresh) {
    QTemporaryDir dir;
    const SmallIndex index = makeSmallIndex(dir, 70);  // long shared prefixes and suffixes among them
    graphIndex::Reader reader;
    ASSERT_TRUE(reader.open(dir.filePath(QStringLiteral("small.index")).toStdString()));
    const auto renumbered = [](size_t i) { return graphIndex::Counts{static_cast<uint32_t>(i * 7 % 70), static_cast<uint32_t>(200000 + i)}; };
    const std::string copied = dir.filePath(QStringLiteral("copied.index")).toStdString();
    const std::string fresh = dir.filePath(QStringLiteral("fresh.index")).toStdString();
    {
        graphIndex::Writer copy(copied, true);
        size_t i = 0;
        ASSERT_TRUE(reader.forEachEncoded([&](std::string_view encoded, graphIndex::Counts) {
            copy.addEncoded(encoded, renumbered(i++));
        }));
        ASSERT_EQ(i, index.entries.size());
        ASSERT_TRUE(copy.finish()) << copy.error();
        graphIndex::Writer written(fresh, true);
        for (size_t j = 0; j < index.entries.size(); ++j) written.add(index.entries[j].name, renumbered(j));
        ASSERT_TRUE(written.finish()) << written.error();
    }
    const auto bytes = [](const std::string& path) {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_FALSE(bytes(copied).isEmpty());
    EXPECT_EQ(bytes(copied), bytes(fresh));

    graphIndex::Writer mixed(dir.filePath(QStringLiteral("mixed.index")).toStdString(), true);
    ASSERT_TRUE(reader.forEachEncoded([&](std::string_view encoded, graphIndex::Counts counts) {
        mixed.addEncoded(encoded, counts);
    }));
    mixed.add("zz.after", {});
    EXPECT_FALSE(mixed.finish());
}

}  // namespace
