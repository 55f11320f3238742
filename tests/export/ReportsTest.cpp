#include <gtest/gtest.h>

#include "export/CsvReport.h"
#include "export/HtmlReport.h"
#include "export/ReportFields.h"

namespace quillmere::exporting {
namespace {

TEST(CsvReport, QuotesOnlyTheFieldsThatNeedItAndEndsLinesWithCrLf) {
    analysis::SaveRecord rec;
    rec.FileName = "Semi;colon";
    rec.NickName = "Comma, \"quoted\"\nand a line";
    rec.FileDate = 38685.5;
    const std::string csv = BuildCsvReport({rec});
    const auto firstLineEnd = csv.find("\r\n");
    ASSERT_NE(firstLineEnd, std::string::npos);
    const std::string row = csv.substr(firstLineEnd + 2);
    EXPECT_TRUE(row.starts_with("1,Semi;colon,ok,\"Comma, \"\"quoted\"\"\nand a line\",")) << row;
    EXPECT_TRUE(row.ends_with(",,\r\n")) << row;  // no block text, no failure
    EXPECT_NE(row.find(",2005-11-29 12:00:00,"), std::string::npos) << row;
}

TEST(CsvReport, NoTextCellStartsAFormulaAndNumbersStayPlain) {
    analysis::SaveRecord rec;
    rec.FileName = "@SUM(1+1)";
    rec.NickName = "=HYPERLINK(\"http://x\",\"click\")";
    rec.Year = -4000;
    rec.Flags = {"+cmd|' /C calc'!A0"};
    analysis::SaveRecord failed;
    failed.FileName = "-x";
    failed.Failure = "\tdamaged";
    const std::string csv = BuildCsvReport({rec, failed});
    const auto first = csv.find("\r\n") + 2;
    const auto second = csv.find("\r\n", first) + 2;
    const std::string row = csv.substr(first, second - first);
    EXPECT_TRUE(row.starts_with("1,'@SUM(1+1),ok,\"'=HYPERLINK(\"\"http://x\"\",\"\"click\"\")\",")) << row;
    EXPECT_NE(row.find(",-4000,"), std::string::npos) << row;
    EXPECT_TRUE(row.ends_with(",'+cmd|' /C calc'!A0\r\n")) << row;
    EXPECT_TRUE(csv.substr(second).starts_with("2,'-x,failed,")) << csv.substr(second);
    EXPECT_NE(csv.find(",'\tdamaged,"), std::string::npos);
}

TEST(ReportFields, DatesAndDecimalsInTheFormsOtherToolsRead) {
    EXPECT_EQ(IsoDateTime(38685.5), "2005-11-29T12:00:00");
    EXPECT_EQ(IsoDateTime(38685.0), "2005-11-29T00:00:00");
    EXPECT_EQ(IsoDateTime(1e9), std::nullopt);
    const std::pair<std::int32_t, std::string> offsets[] = {
        {0, "+00:00"}, {3 * 3600, "+03:00"}, {-(3 * 3600 + 30 * 60), "-03:30"}, {5 * 3600 + 45 * 60 + 59, "+05:45"},
        {59, "+00:00"}, {-60, "-00:01"}};
    for (const auto& [offset, text] : offsets) EXPECT_EQ(IsoDateTime(38685.5, offset), "2005-11-29T12:00:00" + text);
    EXPECT_EQ(IsoDateTime(1e9, 3600), std::nullopt);
    EXPECT_EQ(SpreadsheetDateTime(38685.75), "2005-11-29 18:00:00");
    EXPECT_EQ(Decimal2(4.16666L), "4.17");
    EXPECT_EQ(Decimal2(-0.125L), "-0.12");
    EXPECT_EQ(Decimal2(123456.789L), "123456.79");
}

TEST(HtmlReport, IsTitledAfterTheTournamentItsNameAsText) {
    const auto titleOf = [](std::string_view tournament) {
        const std::string html = BuildHtmlReport({}, reload::RuleTexts{}, '.', tournament);
        const auto start = html.find("<title>") + 7;
        return html.substr(start, html.find("</title>") - start);
    };
    EXPECT_EQ(titleOf(""), "Tournament results");
    EXPECT_EQ(titleOf("Winter Cup"), "Winter Cup: results");
    EXPECT_EQ(titleOf("</title><b>"), "&lt;/title&gt;&lt;b&gt;: results");
}

}  // namespace
}  // namespace quillmere::exporting
