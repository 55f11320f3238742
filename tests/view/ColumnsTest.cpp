#include "view/Columns.h"

#include <gtest/gtest.h>

#include "view/CellTexts.h"

namespace quillmere::view {
namespace {

TEST(Columns, EveryGridStartsWithTheSharedColumnsAndEndsWithItsLastEnumerator) {
    const std::tuple<Grid, std::size_t, std::string_view> grids[] = {
        {Grid::Base, kColumnCount<BaseColumn>, "Victory"},
        {Grid::Reload, kColumnCount<ReloadColumn>, "Penalty"},
        {Grid::Additional, kColumnCount<AdditionalColumn>, "Culture 3"},
        {Grid::Flags, kColumnCount<FlagColumn>, "Flags"},
    };
    const auto header = HeaderTexts();
    for (const auto& [grid, count, lastCaption] : grids) {
        const auto columns = ColumnsOf(grid);
        ASSERT_EQ(columns.size(), count);
        EXPECT_EQ(columns[kNumberColumn].caption, kNumeroSign);
        EXPECT_EQ(columns[kFileNameColumn].caption, "File Name");
        EXPECT_EQ(columns.back().caption, lastCaption);
        for (const auto& column : columns) {
            EXPECT_GT(column.width, 0) << column.caption;
            EXPECT_FALSE(column.help.empty()) << column.caption;
        }
        // A row's cells follow the same grid, and stop at its last column.
        ASSERT_NE(header.cell(grid, count - 1), nullptr);
        EXPECT_EQ(*header.cell(grid, count - 1), lastCaption);
        EXPECT_EQ(header.cell(grid, count), nullptr);
    }
}

}  // namespace
}  // namespace quillmere::view
