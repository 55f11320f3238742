#include "analysis/SaveDataRec.h"

#include <gtest/gtest.h>

namespace quillmere::analysis {
namespace {

TEST(XchgRec, SwapsWholeRecordsAndLeavesTheTableOtherwiseAlone) {
    ResultTable table(3);
    table[0].FileName = "first";
    table[0].History[6][1200] = 7;
    table[1].FileName = "second";
    table[1].Failure = "data error";
    table[2].FileName = "third";

    XchgRec(table, 0);
    EXPECT_EQ(table[0].FileName, "second");
    EXPECT_EQ(table[0].Failure, "data error");
    EXPECT_EQ(table[1].FileName, "first");
    EXPECT_EQ(table[1].History[6][1200], 7);
    EXPECT_TRUE(table[1].Failure.empty());

    XchgRec(table, 2);  // no record after the last: nothing to swap with
    EXPECT_EQ(table[2].FileName, "third");
    EXPECT_FALSE(ShowsDetails(table[0]));
    EXPECT_TRUE(ShowsDetails(table[1]));
}

}  // namespace
}  // namespace quillmere::analysis
