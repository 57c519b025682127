#include "graph/graph_index.h"
#include "graph/name_table.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// A sorted list written as the counter writes its scratch list, and its table.
struct Listed {
    std::vector<std::string> names;
    graphIndex::Reader reader;
};

void writeList(const QTemporaryDir& dir, Listed& list) {
    const std::string path = dir.filePath(QStringLiteral("names")).toStdString();
    graphIndex::Writer writer(path, true, graphIndex::Writer::Sync::None);
    for (size_t i = 0; i < list.names.size(); ++i) writer.add(list.names[i], {static_cast<uint32_t>(i), 0});
    ASSERT_TRUE(writer.finish()) << writer.error();
    ASSERT_TRUE(list.reader.open(path, graphIndex::Reader::Check::Trusted)) << list.reader.error();
}

// Every name is found at its place and no other name is: with 200,000 names
// the slots' few hash bits match other names thousands of times, and each such
// match must be told apart by the name itself.
TEST(GraphNameTable, EveryNameAtItsPlaceAndNoOtherNameFound) {
    QTemporaryDir dir;
    Listed list;
    std::mt19937 rng(11);
    for (int i = 0; i < 200000; ++i) list.names.push_back("com.d" + std::to_string(rng()));
    std::sort(list.names.begin(), list.names.end());
    list.names.erase(std::unique(list.names.begin(), list.names.end()), list.names.end());
    writeList(dir, list);
    // Sized for more names than it is given, as the counter sizes it by ids.
    NameTable table(list.names.size() + 1000);
    std::vector<size_t> order(list.names.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    for (size_t i : order) table.add(list.names[i], i);
    table.flush();

    std::string buffer;
    uint64_t place = 0;
    for (size_t i = 0; i < list.names.size(); ++i) {
        ASSERT_EQ(table.find(list.names[i], list.reader, buffer, place), graphIndex::Status::Present) << list.names[i];
        ASSERT_EQ(place, i) << list.names[i];
    }
    for (int i = 0; i < 200000; ++i) {
        const std::string absent = "com.e" + std::to_string(rng());
        ASSERT_EQ(table.find(absent, list.reader, buffer, place), graphIndex::Status::Absent) << absent;
    }
    for (const std::string& near : {std::string(), std::string("com"), list.names.front() + "x",
                                    list.names.back().substr(0, list.names.back().size() - 1)})
        EXPECT_EQ(table.find(near, list.reader, buffer, place), graphIndex::Status::Absent) << near;
}

TEST(GraphNameTable, EmptyListAndOneName) {
    QTemporaryDir dir;
    std::string buffer;
    uint64_t place = 7;
    {
        Listed list;
        writeList(dir, list);
        const NameTable table(0);
        EXPECT_EQ(table.find("com.example", list.reader, buffer, place), graphIndex::Status::Absent);
    }
    Listed list;
    list.names = {"com.example"};
    writeList(dir, list);
    NameTable table(1);
    table.add("com.example", 0);
    table.flush();
    EXPECT_EQ(table.find("com.example", list.reader, buffer, place), graphIndex::Status::Present);
    EXPECT_EQ(place, 0u);
    EXPECT_EQ(table.find("com.example.", list.reader, buffer, place), graphIndex::Status::Absent);
}

}  // namespace
