#include "export/ResultsFile.h"

#include <gtest/gtest.h>

namespace quillmere::exporting {
namespace {

using analysis::ResultTable;
using analysis::SaveRecord;

const std::string kHeader =
    "\xB9; File Name; NickName; LeaderName; CivName; Turn; Date; Play Time; Score; Final; Level; Victory; "
    "File Date; Turn; Date; Play Time; Play Days; Reloads; Percent; Session; Max Reloads; Honesty; "
    "Cities; Units; Techs; Land; Land %; Pop; Pop %; Culture 1; Culture 2; Culture 3";

SaveRecord record(std::string name) {
    SaveRecord rec;
    rec.fileName = std::move(name);
    rec.fileDate = 38685.5;  // 29 November 2005, 12:00
    return rec;
}

TEST(BuildResultsText, OnlyTheLastLineLacksItsFinalSeparatorAndLineEnd) {
    EXPECT_EQ(BuildResultsText({}, view::FormatOptions{}), kHeader);
    const std::string one = BuildResultsText({record("a")}, view::FormatOptions{','});
    EXPECT_EQ(one.substr(0, kHeader.size() + 10), kHeader + "; \r\n1; a; ");
    EXPECT_TRUE(one.ends_with("   0,00;      0;      0;      0")) << one;  // Pop %, Culture 1 to 3
    EXPECT_EQ(one.find("\r\n", kHeader.size() + 4), std::string::npos);
}

TEST(BuildResultsText, WritesThirtyTwoCellsPerRowAndCutsTheLastSeparator) {
    // A name cannot add a cell or a line: ";" becomes ",", control characters but tab a blank.
    auto full = record("Ivan;2\r\t\x1b\n");
    full.turn = 120;
    full.year = 1850;
    full.gameOver = 1;
    full.victoryType = 5;
    full.landPercent = 1.5L;
    full.reload = analysis::ReloadJudgement{.honesty = analysis::Verdict::Average};
    auto blocked = record("Petr");
    blocked.blockText = "x";
    auto failed = record("Oleg");
    failed.failure = "data error";
    failed.fileDate.reset();

    const std::string text = BuildResultsText({full, blocked, failed}, view::FormatOptions{','});
    auto blanks = [](std::size_t cells) {
        std::string cleared;
        for (std::size_t i = 0; i < cells; ++i) cleared += " ; ";
        return cleared;
    };
    const std::string expected =
        kHeader + "; \r\n" +
        "1; Ivan,2 \t  ; ; Barbarian; America;  120; 1850AD;    0:00:00;      0;      0; Settler; Space; "
        "29-11-2005 12:00:00;  120; 1850AD;    0:00:00;    0;    0;   0,00;    0:00:00;    0; Average; "
        "     0;      0;      0;      0;   1,50;      0;   0,00;      0;      0;      0; \r\n"
        "2; Petr; " +
        blanks(10) + "29-11-2005 12:00:00; " + blanks(19) + "\r\n" +  // blocked: no details
        "3; Oleg; " + blanks(29) + " ";  // failed, without a file date; the last cell keeps its blank
    EXPECT_EQ(text, expected);
}

}  // namespace
}  // namespace quillmere::exporting
