#include "view/CellTexts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

#include "support/Dates.h"

namespace quillmere::view {
namespace {

using analysis::SaveRecord;

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

using testsupport::DateOf;

TEST(CellTexts, NumberFormatsPadOnTheLeftAndNeverTruncate) {
    EXPECT_EQ(Integer4(7), "   7");
    EXPECT_EQ(Integer4(12345), "12345");
    EXPECT_EQ(Integer4(-5), "  -5");
    EXPECT_EQ(Integer6(812), "   812");
    EXPECT_EQ(Integer6(kMin), "-2147483648");
    EXPECT_EQ(Fixed2(12.5L, '.'), " 12.50");
    EXPECT_EQ(Fixed2(33.333L, ','), " 33,33");
    EXPECT_EQ(Fixed2(4.16666L, '.'), "  4.17");
    EXPECT_EQ(Fixed2(-0.125L, '.'), " -0.12");  // the exact binary tie rounds to even
    EXPECT_EQ(Fixed2(123456.789L, '.'), "123456.79");
    // Huge values print every digit, as printf does in the C locale.
    char expected[200];
    std::snprintf(expected, sizeof expected, "%.2Lf", 1e100L);
    EXPECT_EQ(Fixed2(1e100L, '.'), expected);
}

TEST(CellTexts, YearsCountBeforeAndAfterTheEra) {
    const std::pair<std::int32_t, std::string> cases[] = {
        {-4000, "4000BC"}, {-975, " 975BC"},   {0, "  1AD"},           {1, "   1AD"},
        {1850, "1850AD"},  {12345, "12345AD"}, {kMin, "2147483648BC"},
    };
    for (const auto& [year, text] : cases) EXPECT_EQ(YearText(year), text) << year;
}

TEST(CellTexts, DurationsShowHoursMinutesAndSeconds) {
    const std::pair<std::int32_t, std::string> cases[] = {
        {0, "   0:00:00"},    {59, "   0:00:59"},     {3600, "   1:00:00"},      {3725, "   1:02:05"},
        {4000, "   1:06:40"}, {360000, " 100:00:00"}, {36000000, "10000:00:00"}, {-3725, "  -1:-02:-05"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(DurationText(seconds), text) << seconds;
}

TEST(CellTexts, DateTimesReadDayMonthYearAndLeaveOutMidnight) {
    const std::pair<double, std::string> cases[] = {
        {DateOf(2005, 11, 27, 14, 3, 22), "27-11-2005 14:03:22"},
        {DateOf(2005, 11, 27), "27-11-2005"},
        {DateOf(2005, 1, 2, 0, 0, 1), "02-01-2005 00:00:01"},
        {DateOf(2005, 1, 2, 23, 59, 59) + 0.4 / 86400, "02-01-2005 23:59:59"},
        {DateOf(2005, 1, 2, 23, 59, 59) + 0.6 / 86400, "03-01-2005"},  // rounds up to the next midnight
        {0.25, "30-12-1899 06:00:00"},
        {-1.25, "29-12-1899 06:00:00"},  // before the epoch the fraction is still the time of day
        {DateOf(1, 1, 1), "01-01-0001"},
        {1e300, " "},
        {std::numeric_limits<double>::quiet_NaN(), " "},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(DateTimeText(value), text) << value;
}

TEST(CellTexts, NamesFallBackToUnknownIncompleteAndFair) {
    EXPECT_EQ(LeaderText(1), "Alexander");
    EXPECT_EQ(LeaderText(27), "Unknown");
    EXPECT_EQ(LeaderText(-1), "Unknown");
    EXPECT_EQ(CivText(19), "Barbarian");
    EXPECT_EQ(CivText(20), "Unknown");
    EXPECT_EQ(LevelText(0), "Settler");
    EXPECT_EQ(LevelText(9), "Unknown");
    EXPECT_EQ(LevelText(-1), "Unknown");
    EXPECT_EQ(VictoryText(0, 2), "Incomplete");
    EXPECT_EQ(VictoryText(1, 0), "Unknown");
    EXPECT_EQ(VictoryText(1, -1), "Loss");
    EXPECT_EQ(VictoryText(1, 6), "Diplomatic");
    EXPECT_EQ(VictoryText(1, 7), "Unknown");
    EXPECT_EQ(VerdictText(analysis::Verdict::Cheat), "Cheat");
    EXPECT_EQ(VerdictText(analysis::Verdict::Average), "Average");
    EXPECT_EQ(VerdictText(analysis::Verdict::Fair), "Fair");
}

TEST(CellTexts, HeadersComeFromTheColumnTables) {
    const auto header = HeaderTexts();
    EXPECT_EQ(header.base[BaseColumn::Number], "\xB9");
    EXPECT_EQ(header.reload[ReloadColumn::Number], "\xB9");
    EXPECT_EQ(header.additional[AdditionalColumn::Number], "\xB9");
    EXPECT_EQ(header.base[BaseColumn::Victory], "Victory");
    EXPECT_EQ(header.reload[ReloadColumn::Penalty], "Penalty");
    EXPECT_EQ(header.additional[AdditionalColumn::Culture3], "Culture 3");
}

SaveRecord detailed() {
    SaveRecord rec;
    rec.fileName = "Ivan \u0418\u0432\u0430\u043D";  // as the file system names it: UTF-8
    rec.fileDate = DateOf(2005, 11, 29, 14);
    rec.nickName = "Vanya \xC2";  // as the save stores it: Windows-1251
    rec.leaderType = 20;
    rec.civType = 16;
    rec.turn = 120;
    rec.year = -975;
    rec.playTime = 20000;
    rec.score = 812;
    rec.finalScore = -40;
    rec.level = 3;
    rec.gameOver = 1;
    rec.victoryType = 4;
    rec.cities = 12;
    rec.units = 30;
    rec.techs = 41;
    rec.land = 500;
    rec.landPercent = 12.5L;
    rec.population = 90;
    rec.populationPercent = 33.333L;
    rec.culture1 = 300;
    rec.culture2 = 200;
    rec.culture3 = 100;
    rec.reload = analysis::ReloadJudgement{.playDays = 3,
                                           .reloads = 5,
                                           .reloadPercent = 5 * 100.0L / 120,
                                           .sessionTime = 4000,
                                           .maxReloads = 4,
                                           .honesty = analysis::Verdict::Cheat};
    return rec;
}

using Row = std::vector<std::string>;
template <typename Column>
Row rowOf(const Cells<Column>& cells) {
    return Row(cells.texts.begin(), cells.texts.end());
}

// The cells past the row number and the file name.
template <typename Column>
Row afterSharedOf(const Cells<Column>& cells) {
    return Row(cells.texts.begin() + kSharedColumnCount, cells.texts.end());
}

TEST(RowTextsOf, FormatsEveryColumnOfADetailedRecord) {
    const auto row = RowTextsOf(detailed(), 7, FormatOptions{','});
    EXPECT_EQ(rowOf(row.base), (Row{"7", "Ivan \xC8\xE2\xE0\xED", "Vanya \xC2", "Peter", "Russia", " 120", " 975BC",
                                    "   5:33:20", "   812", "   -40", "Noble", "Culture"}));
    EXPECT_EQ(rowOf(row.reload), (Row{"7", "Ivan \xC8\xE2\xE0\xED", "29-11-2005 14:00:00", " 120", " 975BC",
                                      "   5:33:20", "   3", "   5", "  4,17", "   1:06:40", "   4", "Cheat", ""}));
    EXPECT_EQ(rowOf(row.additional), (Row{"7", "Ivan \xC8\xE2\xE0\xED", "    12", "    30", "    41", "   500",
                                          " 12,50", "    90", " 33,33", "   300", "   200", "   100"}));
}

TEST(RowTextsOf, ForDisplayKeepsTheFileNameAndDecodesTheSavesTexts) {
    const FormatOptions display{'.', TextEncoding::Utf8};
    const auto row = RowTextsOf(detailed(), 1, display);
    EXPECT_EQ(row.base[BaseColumn::FileName], detailed().fileName);
    EXPECT_EQ(row.base[BaseColumn::NickName], "Vanya \u0412");
    EXPECT_EQ(HeaderTexts(TextEncoding::Utf8).base[BaseColumn::Number], "\u2116");
    // A name the code page cannot hold keeps its characters on screen and gets "?" in the file.
    auto rec = detailed();
    rec.fileName = "Zo\u00EB";
    EXPECT_EQ(RowTextsOf(rec, 1, display).base[BaseColumn::FileName], "Zo\u00EB");
    EXPECT_EQ(RowTextsOf(rec, 1, FormatOptions{}).base[BaseColumn::FileName], "Zo?");
}

TEST(RowTextsOf, ShowsOnlyIdentityForBlockedAndFailedRecords) {
    auto blocked = detailed();
    blocked.blockText = "hidden";
    auto failed = detailed();
    failed.failure = "data error";
    failed.fileDate.reset();
    const Row blanks(10, " ");
    for (const auto& [rec, fileDate] : {std::pair{blocked, "29-11-2005 14:00:00"}, std::pair{failed, " "}}) {
        const auto row = RowTextsOf(rec, 2, FormatOptions{});
        EXPECT_EQ(afterSharedOf(row.base), blanks);
        EXPECT_EQ(afterSharedOf(row.additional), blanks);
        EXPECT_EQ(rowOf(row.reload),
                  (Row{"2", "Ivan \xC8\xE2\xE0\xED", fileDate, " ", " ", " ", " ", " ", " ", " ", " ", " ", ""}));
        EXPECT_EQ(row.base[BaseColumn::Number], "2");
        EXPECT_EQ(row.additional[AdditionalColumn::FileName], row.base[BaseColumn::FileName]);
    }
}

TEST(RowTextsOf, LeavesReloadCellsBlankWithoutAJudgement) {
    auto rec = detailed();
    rec.reload.reset();
    const auto row = RowTextsOf(rec, 1, FormatOptions{});
    EXPECT_EQ(afterSharedOf(row.reload),
              (Row{"29-11-2005 14:00:00", " 120", " 975BC", "   5:33:20", " ", " ", " ", " ", " ", " ", ""}));
    EXPECT_EQ(row.base[BaseColumn::Victory], "Culture");
}

}  // namespace
}  // namespace quillmere::view
