#include "export/ResultsFile.h"

#include <gtest/gtest.h>

#include <tuple>

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
    EXPECT_EQ(BuildResultsText({}, view::FormatOptions{}).bytes, kHeader);
    const std::string one = BuildResultsText({record("a")}, view::FormatOptions{','}).bytes;
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

    const std::string text = BuildResultsText({full, blocked, failed}, view::FormatOptions{','}).bytes;
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

TEST(BuildResultsText, CountsTheNamesThatLostCharactersAndNamesTheFirst) {
    const std::string omega = "\xCE\xA9mega", sigma = "\xCE\xA3igma";
    const std::string cyrillic = "\xD0\x94\xD0\xB0", latin1 = "M\xFCller";  // kept; not UTF-8, kept as it is
    const std::tuple<std::vector<std::string>, view::TextEncoding, LostCharacters> cases[] = {
        {{"Ivan", cyrillic, latin1}, view::TextEncoding::Windows1251, {}},
        {{"Ivan", omega}, view::TextEncoding::Windows1251, {1, omega}},
        {{sigma, "Ivan", omega}, view::TextEncoding::Windows1251, {2, sigma}},
        {{sigma, omega}, view::TextEncoding::Utf8, {}},
    };
    for (const auto& [names, encoding, lost] : cases) {
        ResultTable table;
        for (const auto& name : names) table.push_back(record(name));
        EXPECT_EQ(BuildResultsText(table, {'.', encoding}).lost, lost) << names.front();
    }
    EXPECT_EQ(LostCharactersMessage({}), "");
    EXPECT_EQ(LostCharactersMessage({1, omega}),
              "the name \"" + omega + "\" has characters that Windows-1251 cannot hold, written as '?'");
    EXPECT_EQ(LostCharactersMessage({2, sigma}),
              "2 names have characters that Windows-1251 cannot hold, written as '?' (the first: \"" + sigma + "\")");
}

}  // namespace
}  // namespace quillmere::exporting
