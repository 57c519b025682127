#include "urllist/url_list_model.h"

#include "support/model_signal_log.h"
#include "support/qt_gtest_printers.h"

#include <gtest/gtest.h>

// A whole list file arrives in one insertion: a view then lays out once, not
// once per address, which is what keeps a 100,000-line append fast.
TEST(UrlListModel, AppendsAWholeListInOneInsertion) {
    UrlListModel model;
    ModelSignalLog log(model);
    model.append({"a", "b"});
    model.append({});
    model.append({"b", " c ", "a"});
    EXPECT_EQ(model.entries(), (QStringList{"a", "b", "b", " c ", "a"}));
    EXPECT_EQ(log.insertedRows, (std::vector<int>{0, 2}));
    EXPECT_EQ(log.dataChanged, 0);
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.data(model.index(3)).toString(), " c ");
    EXPECT_EQ(model.rowCount(model.index(0)), 0) << "a flat list";
}

TEST(UrlListModel, RemovesOneRowOrAll) {
    UrlListModel model;
    model.append({"a", "b", "c"});
    ModelSignalLog log(model);
    for (const int row : {-1, 3}) model.removeAt(row);
    model.removeAt(1);
    EXPECT_EQ(model.entries(), (QStringList{"a", "c"}));
    EXPECT_EQ(log.removedRows, (std::vector<int>{1}));
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.data(model.index(0)).isValid());
}
