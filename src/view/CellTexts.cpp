#include "view/CellTexts.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/RuleTables.h"
#include "load/DateTime.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"

namespace quillmere::view {

const std::array<ColumnSpec, kBaseColumnCount> kBaseColumns = {{
    {kNumeroSign, 20, true},
    {"File Name", 240},
    {"NickName", 100},
    {"LeaderName", 80},
    {"CivName", 80},
    {"Turn", 35, true},
    {"Date", 40, true},
    {"Play Time", 55, true},
    {"Score", 50, true},
    {"Final", 50, true},
    {"Level", 70},
    {"Victory", 80},
}};

const std::array<ColumnSpec, kReloadColumnCount> kReloadColumns = {{
    {kNumeroSign, 20, true},
    {"File Name", 240},
    {"File Date", 105},
    {"Turn", 35, true},
    {"Date", 45, true},
    {"Play Time", 55, true},
    {"Play Days", 55, true},
    {"Reloads", 50, true},
    {"Percent", 50, true},
    {"Session", 50, true},
    {"Max Reloads", 70, true},
    {"Honesty", 60},
    {"Penalty", 40, true},
}};

const std::array<ColumnSpec, kAdditionalColumnCount> kAdditionalColumns = {{
    {kNumeroSign, 20, true},
    {"File Name", 240},
    {"Cities", 40, true},
    {"Units", 40, true},
    {"Techs", 40, true},
    {"Land", 40, true},
    {"Land %", 40, true},
    {"Pop", 40, true},
    {"Pop %", 40, true},
    {"Culture 1", 50, true},
    {"Culture 2", 50, true},
    {"Culture 3", 50, true},
}};

const std::array<ColumnSpec, kFlagColumnCount> kFlagColumns = {{
    {kNumeroSign, 20, true},
    {"File Name", 240},
    {"Flags", 640},
}};

namespace {

// snprintf for the integer formats, which the locale does not touch.
template <typename... Args>
std::string printed(const char* format, Args... args) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer, static_cast<std::size_t>(length));
}

template <std::size_t N>
std::array<std::string, N> headersOf(const std::array<ColumnSpec, N>& columns) {
    std::array<std::string, N> headers;
    for (std::size_t i = 0; i < N; ++i) headers[i] = std::string(columns[i].header);
    return headers;
}

std::string nameOr(std::optional<std::string_view> name, std::string_view fallback) {
    return std::string(name.value_or(fallback));
}

}  // namespace

std::string Integer4(std::int32_t value) { return printed("%4d", value); }

std::string Integer6(std::int32_t value) { return printed("%6d", value); }

std::string Fixed2(long double value, char decimalSeparator) {
    // to_chars rather than printf: the process locale must not pick the separator.
    std::string text(32, '\0');
    for (;;) {
        const auto [end, error] =
            std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 2);
        if (error == std::errc{}) {
            text.resize(static_cast<std::size_t>(end - text.data()));
            break;
        }
        text.resize(text.size() * 4);  // only huge values need more room
    }
    if (const auto dot = text.find('.'); dot != std::string::npos) text[dot] = decimalSeparator;
    if (text.size() < 6) text.insert(0, 6 - text.size(), ' ');
    return text;
}

std::string YearText(std::int32_t year) {
    if (year == 0) return "  1AD";
    if (year < 0) return printed("%4lldBC", -static_cast<long long>(year));
    return printed("%4dAD", year);
}

std::string DurationText(std::int32_t seconds) {
    const std::int32_t minutes = seconds / 60;
    return printed("%4d:%.2d:%.2d", minutes / 60, minutes % 60, seconds % 60);
}

std::string DateTimeText(double dateTime) {
    // Days from 1 January 1 to 31 December 9999, counted from 30 December 1899.
    if (!std::isfinite(dateTime) || dateTime < -693593.0 || dateTime >= 2958466.0) return std::string(kClearedCell);
    // The whole days give the date and the fraction's size the time of day, also before 1900.
    auto days = static_cast<long>(dateTime);
    auto secondOfDay = static_cast<long>(std::nearbyint(std::fabs(dateTime - static_cast<double>(days)) * 86400.0));
    if (secondOfDay == 86400) {
        secondOfDay = 0;
        days += dateTime < 0 ? -1 : 1;
    }
    const auto date = load::DateOfDayNumber(days);
    std::string text = printed("%.2u-%.2u-%.4d", static_cast<unsigned>(date.day()), static_cast<unsigned>(date.month()),
                               static_cast<int>(date.year()));
    if (secondOfDay != 0) {
        text += printed(" %.2ld:%.2ld:%.2ld", secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    }
    return text;
}

std::string LeaderText(std::int32_t leaderType) { return nameOr(analysis::LeaderName(leaderType), "Unknown"); }

std::string CivText(std::int32_t civType) { return nameOr(analysis::CivName(civType), "Unknown"); }

std::string LevelText(std::int32_t level) { return nameOr(analysis::LevelName(level), "Unknown"); }

std::string VictoryText(std::int32_t gameOver, std::int32_t victoryType) {
    if (gameOver == 0) return "Incomplete";
    switch (victoryType) {
        case -1:
            return "Loss";
        case 1:
            return "Time";
        case 2:
            return "Conquest";
        case 3:
            return "Domination";
        case 4:
            return "Culture";
        case 5:
            return "Space";
        case 6:
            return "Diplomatic";
        default:
            return "Unknown";
    }
}

std::string VerdictText(analysis::Verdict verdict) {
    switch (verdict) {
        case analysis::Verdict::Cheat:
            return "Cheat";
        case analysis::Verdict::Average:
            return "Average";
        case analysis::Verdict::Fair:
            break;
    }
    return "Fair";
}

std::string VerdictExplanation(const analysis::ReloadJudgement& judged, std::int32_t loadCount) {
    const auto thresholds = reload::VerdictThresholdsOf(judged.MaxReloads);
    std::string text = std::to_string(judged.Reloads) + " reloads, " + std::to_string(judged.MaxReloads) +
                       " allowed. Fair below " + std::to_string(thresholds.average) + ", average below " +
                       std::to_string(thresholds.cheat) + ", cheat from there on.";
    if (loadCount == 0) text += " Never loaded: fair whatever the count.";
    if (const auto next = reload::ReloadsToNextVerdict(judged)) {
        // Appended piece by piece: GCC 12 takes a chain of temporaries here for overlapping copies.
        text += ' ';
        text += std::to_string(*next);
        text += *next == 1 ? " more reload" : " more reloads";
        text += " would make it ";
        text += judged.Honesty == analysis::Verdict::Fair ? "average." : "a cheat.";
    }
    return text;
}

std::string BatchSummary(const analysis::ResultTable& table) {
    std::array<std::size_t, 4> counts{};  // by SaveStatus
    for (const auto& rec : table) ++counts[static_cast<std::size_t>(analysis::StatusOf(rec))];
    const auto count = [&](analysis::SaveStatus status) { return counts[static_cast<std::size_t>(status)]; };
    std::string text = std::to_string(table.size()) + (table.size() == 1 ? " save: " : " saves: ") +
                       std::to_string(count(analysis::SaveStatus::Analysed)) + " analysed, " +
                       std::to_string(count(analysis::SaveStatus::Blocked)) + " blocked, " +
                       std::to_string(count(analysis::SaveStatus::Failed)) + " failed";
    if (const auto notLoaded = count(analysis::SaveStatus::NotLoaded); notLoaded > 0)
        text += ", " + std::to_string(notLoaded) + " not loaded";
    const auto flagged = std::count_if(table.begin(), table.end(), [](const auto& rec) { return !rec.Flags.empty(); });
    if (flagged > 0) text += "; " + std::to_string(flagged) + " flagged";
    return text;
}

std::string TabSeparatedRows(const analysis::ResultTable& table, std::span<const std::size_t> indices,
                             const FormatOptions& options) {
    const auto trimmed = [](std::string_view cell) {
        const auto first = cell.find_first_not_of(' ');
        if (first == std::string_view::npos) return std::string_view();
        return cell.substr(first, cell.find_last_not_of(' ') - first + 1);
    };
    const auto appendLine = [&](std::string& out, const RowTexts& row) {
        std::vector<std::string_view> cells(row.base.begin(), row.base.end());
        for (std::size_t c = 2; c <= 11; ++c) cells.push_back(row.reload[c]);
        for (std::size_t c = 2; c <= 11; ++c) cells.push_back(row.additional[c]);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            if (c > 0) out += '\t';
            // A tab or line break inside a name would break the table apart.
            for (const char ch : trimmed(cells[c])) out += ch == '\t' || ch == '\n' || ch == '\r' ? ' ' : ch;
        }
        out += '\n';
    };
    std::string out;
    appendLine(out, HeaderTexts(options.encoding));
    for (const auto index : indices) {
        if (index < table.size()) appendLine(out, RowTextsOf(table[index], static_cast<int>(index + 1), options));
    }
    return out;
}

RowTexts HeaderTexts(TextEncoding encoding) {
    RowTexts headers{headersOf(kBaseColumns), headersOf(kReloadColumns), headersOf(kAdditionalColumns),
                     headersOf(kFlagColumns)};
    if (encoding == TextEncoding::Utf8) {
        headers.base[0] = headers.reload[0] = headers.additional[0] = headers.flags[0] =
            load::Windows1251ToUtf8(kNumeroSign);
    }
    return headers;
}

RowTexts RowTextsOf(const analysis::SaveRecord& rec, int rowNumber, const FormatOptions& options) {
    RowTexts row;
    const bool utf8 = options.encoding == TextEncoding::Utf8;
    const std::string number = std::to_string(rowNumber);
    row.base[0] = row.reload[0] = row.additional[0] = row.flags[0] = number;
    row.base[1] = row.reload[1] = row.additional[1] = row.flags[1] =
        utf8 ? rec.FileName : load::Utf8ToWindows1251(rec.FileName);
    row.flags[2] = analysis::FlagsText(rec);
    row.reload[2] = rec.FileDate ? DateTimeText(*rec.FileDate) : std::string(kClearedCell);

    const std::string cleared(kClearedCell);
    for (std::size_t c = 2; c < kBaseColumnCount; ++c) row.base[c] = cleared;
    for (std::size_t c = 3; c + 1 < kReloadColumnCount; ++c) row.reload[c] = cleared;
    for (std::size_t c = 2; c < kAdditionalColumnCount; ++c) row.additional[c] = cleared;
    if (!analysis::ShowsDetails(rec)) return row;

    row.base[2] = utf8 ? load::Windows1251ToUtf8(rec.NickName) : rec.NickName;
    row.base[3] = LeaderText(rec.LeaderType);
    row.base[4] = CivText(rec.CivType);
    row.base[5] = Integer4(rec.Turn);
    row.base[6] = YearText(rec.Year);
    row.base[7] = DurationText(rec.PlayTime);
    row.base[8] = Integer6(rec.Score);
    row.base[9] = Integer6(rec.FinalScore);
    row.base[10] = LevelText(rec.Level);
    row.base[11] = VictoryText(rec.GameOver, rec.VictoryType);

    row.reload[3] = Integer4(rec.Turn);
    row.reload[4] = YearText(rec.Year);
    row.reload[5] = DurationText(rec.PlayTime);
    if (const auto& judged = rec.Reload) {
        row.reload[6] = Integer4(judged->PlayDays);
        row.reload[7] = Integer4(judged->Reloads);
        row.reload[8] = Fixed2(judged->ReloadPercent, options.decimalSeparator);
        row.reload[9] = DurationText(judged->SessionTime);
        row.reload[10] = Integer4(judged->MaxReloads);
        row.reload[11] = VerdictText(judged->Honesty);
    }

    row.additional[2] = Integer6(rec.Cities);
    row.additional[3] = Integer6(rec.Units);
    row.additional[4] = Integer6(rec.Techs);
    row.additional[5] = Integer6(rec.Land);
    row.additional[6] = Fixed2(rec.LandPercent, options.decimalSeparator);
    row.additional[7] = Integer6(rec.Population);
    row.additional[8] = Fixed2(rec.PopulationPercent, options.decimalSeparator);
    row.additional[9] = Integer6(rec.Culture1);
    row.additional[10] = Integer6(rec.Culture2);
    row.additional[11] = Integer6(rec.Culture3);
    return row;
}

}  // namespace quillmere::view
