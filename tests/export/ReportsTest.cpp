#include <gtest/gtest.h>

#include <string_view>

#include <nlohmann/json.hpp>

#include "export/CsvReport.h"
#include "export/HtmlReport.h"
#include "export/JsonReport.h"
#include "export/ReportFields.h"
#include "reload/ReloadControl.h"

namespace quillmere::exporting {
namespace {

TEST(CsvReport, QuotesOnlyTheFieldsThatNeedItAndEndsLinesWithCrLf) {
    analysis::SaveRecord rec;
    rec.fileName = "Semi;colon";
    rec.nickName = "Comma, \"quoted\"\nand a line";
    rec.fileDate = 38685.5;
    const std::string csv = BuildCsvReport({rec});
    const auto firstLineEnd = csv.find("\r\n");
    ASSERT_NE(firstLineEnd, std::string::npos);
    const std::string row = csv.substr(firstLineEnd + 2);
    EXPECT_TRUE(row.starts_with("1,Semi;colon,ok,\"Comma, \"\"quoted\"\"\nand a line\",")) << row;
    EXPECT_TRUE(row.ends_with(",,\r\n")) << row;  // no block text, no failure
    EXPECT_NE(row.find(",2005-11-29 12:00:00,"), std::string::npos) << row;
    // UTF-8's byte-order mark first, unless left out.
    EXPECT_TRUE(csv.starts_with("\xEF\xBB\xBFRow,File Name,")) << csv.substr(0, 10);
    EXPECT_EQ(BuildCsvReport({rec}, false), csv.substr(3));
}

TEST(CsvReport, NoTextCellStartsAFormulaAndNumbersStayPlain) {
    analysis::SaveRecord rec;
    rec.fileName = "@SUM(1+1)";
    rec.nickName = "=HYPERLINK(\"http://x\",\"click\")";
    rec.year = -4000;
    rec.flags = {"+cmd|' /C calc'!A0"};
    analysis::SaveRecord failed;
    failed.fileName = "-x";
    failed.failure = "\tdamaged";
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
        {0, "+00:00"},  {3 * 3600, "+03:00"}, {-(3 * 3600 + 30 * 60), "-03:30"}, {5 * 3600 + 45 * 60 + 59, "+05:45"},
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

// Every character that is markup in a page, between letters, so that a lost escape shows.
constexpr std::string_view kMarkup = "a<b>c&d\"e'f";
constexpr std::string_view kMarkupEscaped = "a&lt;b&gt;c&amp;d&quot;e&#39;f";

// One save of each status: analysed and flagged, failed, blocked, not loaded.
analysis::ResultTable everyStatus() {
    analysis::SaveRecord analysed;
    analysed.fileName = "file " + std::string(kMarkup);
    analysed.nickName = "nick " + std::string(kMarkup);
    analysed.turn = 3;
    analysed.flags = {"flag " + std::string(kMarkup)};
    analysis::SaveRecord failed;
    failed.fileName = "broken";
    failed.failure = "failure " + std::string(kMarkup);
    analysis::SaveRecord blocked;
    blocked.fileName = "team";
    blocked.blockText = "team game";
    analysis::SaveRecord notLoaded;
    notLoaded.fileName = "late";
    notLoaded.failure = std::string(analysis::kNotLoaded);
    return {analysed, failed, blocked, notLoaded};
}

std::size_t occurrences(std::string_view text, std::string_view part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The report without the sort ranks its cells carry (' data-k="12"').
std::string withoutRanks(const std::string& html) {
    constexpr std::string_view kRank = " data-k=\"";
    std::string out;
    std::size_t from = 0;
    for (auto at = html.find(kRank); at != std::string::npos; at = html.find(kRank, from)) {
        out.append(html, from, at - from);
        from = html.find('"', at + kRank.size()) + 1;
    }
    out.append(html, from, std::string::npos);
    return out;
}

TEST(HtmlReport, NamesFailuresAndFlagsAreTextWhereverTheyAppear) {
    const std::string html = withoutRanks(BuildHtmlReport(everyStatus(), reload::RuleTexts{}, '.'));
    EXPECT_EQ(html.find(kMarkup), std::string::npos);
    // The flagged save's name marked by the flag sign.
    EXPECT_EQ(occurrences(html, "<td class=\"flagged\">\u2691 file " + std::string(kMarkupEscaped) + "</td>"), 1u);
    EXPECT_EQ(occurrences(html, "<td>nick " + std::string(kMarkupEscaped) + "</td>"), 1u);
    EXPECT_EQ(occurrences(html, "<td>flag " + std::string(kMarkupEscaped) + "</td>"), 1u);
    // The failure twice in its row, as the row's title and as its note.
    EXPECT_EQ(occurrences(html, "failure " + std::string(kMarkupEscaped)), 2u);
    // The legend and each of the seven charts name the one charted save, as the window's legend does.
    const std::string name = "nick " + std::string(kMarkupEscaped) + " (file " + std::string(kMarkupEscaped) + ")";
    EXPECT_EQ(occurrences(html, name + "</li>"), 1u);
    EXPECT_EQ(occurrences(html, "<title>" + name + "</title>"), 7u);
}

TEST(HtmlReport, MarksFailedBlockedAndUnloadedRowsWithTheirReasonAndChartsOnlyAnalysedSaves) {
    const std::string html = withoutRanks(BuildHtmlReport(everyStatus(), reload::RuleTexts{}, '.'));
    const auto rowOf = [&](std::string_view fileName) {
        const auto cell = html.find(std::string(fileName) + "</td>");
        if (cell == std::string::npos) return std::string("no row");
        const auto start = html.rfind("<tr", cell);
        return html.substr(start, html.find('>', start) + 1 - start);
    };
    EXPECT_EQ(rowOf("file " + std::string(kMarkupEscaped)), "<tr>");
    EXPECT_EQ(rowOf("broken"), "<tr class=\"failed\" title=\"failure " + std::string(kMarkupEscaped) + "\">");
    EXPECT_EQ(rowOf("team"), "<tr class=\"blocked\" title=\"blocked: team game\">");
    EXPECT_EQ(rowOf("late"), "<tr class=\"notloaded\" title=\"not loaded\">");
    EXPECT_NE(html.find("<td>blocked: team game</td>"), std::string::npos);
    EXPECT_NE(html.find("<h2>History of the first 1 saves in this order</h2>"), std::string::npos);
    EXPECT_EQ(occurrences(html, "<polyline "), 7u);
}

TEST(HtmlReport, AlignsEachCellAsItsColumnDoesInTheGrids) {
    auto table = everyStatus();
    table[0].year = -975;
    const std::string html = withoutRanks(BuildHtmlReport(table, reload::RuleTexts{}, '.'));
    // The year once, though two grids show it, right-aligned without its padding.
    EXPECT_EQ(occurrences(html, "<td class=\"num\">975BC</td>"), 1u);
}

TEST(HtmlReport, VerdictsAndHeadersLookAsInTheGrids) {
    auto table = everyStatus();
    table[0].loadCount = 9;
    table[0].reload = analysis::ReloadJudgement{.reloads = 8, .maxReloads = 4, .honesty = analysis::Verdict::Cheat};
    const std::string html = BuildHtmlReport(table, reload::RuleTexts{}, '.');
    // Only the one analysed save has a rank to sort by.
    EXPECT_EQ(occurrences(html, "<td class=\"cheat\" data-k=\"0\">\u2717 Cheat</td>"), 1u);
    EXPECT_EQ(occurrences(html, " data-k=\"1\""), 0u);
    EXPECT_EQ(occurrences(html, "td.cheat{background:#ffbbbb}"), 1u);
    EXPECT_EQ(occurrences(html, "title=\"Reloads per turn, in percent\">Percent</th>"), 1u);
    // The verdict stands beside the name, and the sort script is inside the page.
    EXPECT_LT(html.find(">Honesty</th>"), html.find(">Final</th>"));
    EXPECT_LT(html.find(">NickName</th>"), html.find(">Honesty</th>"));
    EXPECT_NE(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("src="), std::string::npos);
}

TEST(JsonReport, ASaveAFailureAndAFlagReadBackAsWritten) {
    auto table = everyStatus();
    table.resize(2);
    table[0].fileDate = 38685.5;  // 29-11-2005, day 3 of the default rules
    table[0].loadCount = 4;
    table[0].playTime = 7200;
    const auto rules = *reload::CheckRules(reload::RuleTexts{}, 2026).rules;
    reload::ApplyRules(table, rules);
    const std::string text = BuildJsonReport(table, reload::RuleTexts{}, rules);
    const auto json = nlohmann::ordered_json::parse(text);
    EXPECT_EQ(json.dump(1) + "\n", text) << "the streamed document is laid out as one dump";
    EXPECT_EQ(json["rules"]["start_date"], "2005-11-27");
    EXPECT_EQ(json["rules"]["texts"]["sessions_per_day"], "1,5");
    ASSERT_EQ(json["saves"].size(), 2u);

    const auto& save = json["saves"][0];
    EXPECT_EQ(save["row"], 1);
    EXPECT_EQ(save["file_name"], "file " + std::string(kMarkup));
    EXPECT_EQ(save["status"], "ok");
    EXPECT_EQ(save["failure"], nullptr);
    EXPECT_EQ(save["flags"], nlohmann::ordered_json::array({"flag " + std::string(kMarkup)}));
    EXPECT_EQ(save["player"]["nick_name"], "nick " + std::string(kMarkup));
    EXPECT_EQ(save["game"]["turn"], 3);
    EXPECT_EQ(save["reload"]["play_days"], 3);
    EXPECT_EQ(save["reload"]["reloads"], 3);
    EXPECT_EQ(save["history"]["score"].size(), 3u);

    const auto& failed = json["saves"][1];
    EXPECT_EQ(failed["row"], 2);
    EXPECT_EQ(failed["status"], "failed");
    EXPECT_EQ(failed["failure"], "failure " + std::string(kMarkup));
    EXPECT_EQ(failed["flags"], nlohmann::ordered_json::array());
    EXPECT_FALSE(failed.contains("player"));
    EXPECT_FALSE(failed.contains("reload"));

    std::string withoutHistories;
    WriteJsonReport(table, reload::RuleTexts{}, rules, false, [&](std::string_view part) { withoutHistories += part; });
    auto expected = json;
    expected["saves"][0].erase("history");
    EXPECT_EQ(nlohmann::ordered_json::parse(withoutHistories), expected);
}

}  // namespace
}  // namespace quillmere::exporting
