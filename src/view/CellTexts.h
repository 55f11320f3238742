#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "analysis/SaveRecord.h"
#include "view/Columns.h"

namespace quillmere::view {

inline constexpr std::string_view kClearedCell = " ";

enum class TextEncoding {
    Windows1251,  // the results file's bytes: file names converted, "?" for what the code page lacks
    Utf8,         // for display: file names as the file system has them, save texts decoded
};

struct FormatOptions {
    char decimalSeparator = '.';  // the user's locale decimal separator for Fixed-2 texts
    TextEncoding encoding = TextEncoding::Windows1251;
};

// The header row of the three grids.
[[nodiscard]] RowTexts HeaderTexts(TextEncoding encoding = TextEncoding::Windows1251);

// The row of record `rec` shown as row `rowNumber` (1-based). A record without details (blocked or
// failed) gets its row number, file name and file date, and " " in every other written cell. The
// reload control's cells (Play Days to Honesty) are " " while the record has no judgement, and
// "Penalty" is never written. The flags are joined by "; ".
[[nodiscard]] RowTexts RowTextsOf(const analysis::SaveRecord& rec, int rowNumber, const FormatOptions& options);

// The grid text formats.
[[nodiscard]] std::string Integer4(std::int32_t value);                      // "%4d"
[[nodiscard]] std::string Integer6(std::int32_t value);                      // "%6d"
[[nodiscard]] std::string Fixed2(long double value, char decimalSeparator);  // "%6.2f"
[[nodiscard]] std::string YearText(std::int32_t year);                       // "4000BC", "  1AD", "1850AD"
[[nodiscard]] std::string DurationText(std::int32_t seconds);                // "   1:02:05"
// "27-11-2005 14:03:22", to the nearest second; the time is left out at exactly 00:00:00, and a
// value outside the years 1 to 9999 gives " ".
[[nodiscard]] std::string DateTimeText(double dateTime);

// Why a save got its verdict, for a tooltip: its reloads, the counts that give each verdict (from
// Max Reloads) and how many more reloads lead to the next one, e.g. "3 reloads: Fair below 3,
// Average from 3, Cheat from 5 (3/4 and 5/4 of Max Reloads, 4). 2 reloads more would make it Cheat.";
// a save never loaded is Fair whatever its counts, and says so.
[[nodiscard]] std::string VerdictExplanation(const analysis::ReloadJudgement& judged, std::int32_t loadCount);

// How the Final score was made, for its cell's tooltip (UTF-8): a line on the formula, then each
// of the four parts with its statistic, weight, expected value and result; empty for a record that
// does not keep the score's inputs.
[[nodiscard]] std::string FinalScoreExplanation(const analysis::SaveRecord& rec);

// `text` ending with a full stop, as a message shown on its own ends.
[[nodiscard]] std::string WithFullStop(std::string text);

// Why a row shows no details, for its tooltip (UTF-8): the save was left out by a cancel, failed
// (its failure) or was blocked (the organisers' text); empty for an analysed save.
[[nodiscard]] std::string RowReason(const analysis::SaveRecord& rec);

// A line that sums up a loaded batch: "11 saves: 8 analysed, 1 blocked, 2 failed".
[[nodiscard]] std::string BatchSummary(const analysis::ResultTable& table);

// The rows `indices` of the three grids as tab-separated text with the header line first, for a
// spreadsheet: the results file's 32 cells, padding blanks trimmed, lines ending "\n".
[[nodiscard]] std::string TabSeparatedRows(const analysis::ResultTable& table, std::span<const std::size_t> indices,
                                           const FormatOptions& options);

// Name lookups as the grids show them.
[[nodiscard]] std::string LeaderText(std::int32_t leaderType);                           // "Unknown" outside the table
[[nodiscard]] std::string CivText(std::int32_t civType);                                 // "Unknown" outside the table
[[nodiscard]] std::string LevelText(std::int32_t level);                                 // "Unknown" outside 0..8
[[nodiscard]] std::string VictoryText(std::int32_t gameOver, std::int32_t victoryType);  // "Incomplete", "Unknown"...
[[nodiscard]] std::string VerdictText(analysis::Verdict verdict);                        // "Cheat", "Average", "Fair"

}  // namespace quillmere::view
