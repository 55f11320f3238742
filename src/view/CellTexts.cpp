#include "view/CellTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/ExtendedNumber.h"
#include "analysis/FinalScore.h"
#include "analysis/RuleTables.h"
#include "load/DateTime.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"

namespace quillmere::view {

namespace {

// snprintf for the integer formats, which the locale does not touch.
template <typename... Args>
std::string printed(const char* format, Args... args) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer, static_cast<std::size_t>(length));
}

template <typename Column>
void setCaptions(Cells<Column>& cells, Grid grid, std::string_view numeroSign) {
    const auto columns = ColumnsOf(grid);
    for (std::size_t i = 0; i < cells.texts.size(); ++i) cells.texts[i] = std::string(columns[i].caption);
    cells.texts[kNumberColumn] = std::string(numeroSign);
}

// Sets the cells from `first` to `last`, both included.
template <typename Column>
void fill(Cells<Column>& cells, Column first, Column last, std::string_view text) {
    for (auto column = IndexOf(first); column <= IndexOf(last); ++column) cells.texts[column] = std::string(text);
}

std::string nameOr(std::optional<std::string_view> name, std::string_view fallback) {
    return std::string(name.value_or(fallback));
}

}  // namespace

std::string Integer4(std::int32_t value) { return printed("%4d", value); }

std::string Integer6(std::int32_t value) { return printed("%6d", value); }

std::string Fixed2(long double value, char decimalSeparator) {
    // Not printf: the process locale must not pick the separator.
    std::string text = analysis::FixedTwoDecimals(value);
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
    const auto parts = load::SplitDateTime(dateTime);
    if (!parts) return std::string(kClearedCell);
    const auto& date = parts->date;
    std::string text = printed("%.2u-%.2u-%.4d", static_cast<unsigned>(date.day()), static_cast<unsigned>(date.month()),
                               static_cast<int>(date.year()));
    if (!parts->midnight()) text += printed(" %.2d:%.2d:%.2d", parts->hour, parts->minute, parts->second);
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

std::string WithFullStop(std::string text) {
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

std::string RowReason(const analysis::SaveRecord& rec) {
    switch (analysis::StatusOf(rec)) {
        case analysis::SaveStatus::NotLoaded:
            return "Not loaded: the load was cancelled before this file was read";
        case analysis::SaveStatus::Failed:
            return WithFullStop(rec.failure);
        case analysis::SaveStatus::Blocked:
            return "Blocked by the organisers: " + load::Windows1251ToUtf8(rec.blockText);
        case analysis::SaveStatus::Analysed:
            return {};
    }
    return {};
}

std::string VerdictExplanation(const analysis::ReloadJudgement& judged, std::int32_t loadCount) {
    const auto thresholds = reload::VerdictThresholdsOf(judged.maxReloads);
    const auto count = [](std::int64_t reloads) {
        return std::to_string(reloads) + (reloads == 1 ? " reload" : " reloads");
    };
    std::string text = count(judged.reloads) + ":";
    if (loadCount == 0)
        return text + " never loaded, so Fair whatever Max Reloads (" + std::to_string(judged.maxReloads) + ").";
    // Each verdict named with the counts that give it; a verdict no count gives is left out.
    std::string_view separator = " ";
    const auto range = [&](std::string_view verdict, std::string_view words, std::int64_t bound) {
        text += separator;
        text += verdict;
        text += words;
        text += std::to_string(bound);
        separator = ", ";
    };
    if (thresholds.average > 0) range("Fair", " below ", thresholds.average);
    if (thresholds.cheat > thresholds.average) range("Average", " from ", thresholds.average);
    range("Cheat", " from ", thresholds.cheat);
    text += " (3/4 and 5/4 of Max Reloads, ";
    text += std::to_string(judged.maxReloads);
    text += ").";
    if (const auto next = reload::ReloadsToNextVerdict(judged)) {
        // Appended piece by piece: GCC 12 takes a chain of temporaries here for overlapping copies.
        text += ' ';
        text += count(*next);
        text += " more would make it ";
        text += judged.honesty == analysis::Verdict::Fair ? "Average." : "Cheat.";
    }
    return text;
}

std::string FinalScoreExplanation(const analysis::SaveRecord& rec) {
    if (!rec.scoreInputs) return {};
    const auto& inputs = *rec.scoreInputs;
    const std::int32_t limit = inputs.turnLimit > 0 ? inputs.turnLimit : 1200;
    const auto fixed = [](double value, int digits) {
        char text[48];
        std::snprintf(text, sizeof text, "%.*f", digits, value);
        return std::string(text);
    };
    const auto level = analysis::LevelName(rec.level);
    std::string text = "Final " + std::to_string(rec.finalScore) + ": four parts added up, each its statistic x its " +
                       "weight / the value expected at turn " + std::to_string(inputs.turn) + " of " +
                       std::to_string(limit) + ", x the difficulty factor " + fixed(inputs.difficultyFactor, 1) + " (" +
                       std::string(level.value_or("unknown level")) + "), cut to a whole number.";
    constexpr std::array<int, 4> kStatistic = {1, 2, 4, 3};
    for (std::size_t k = 0; k < 4; ++k) {
        const auto parts = analysis::FinalScoreParts(inputs, k);
        const std::int64_t start = inputs.start[k];
        const std::int64_t end = inputs.end[k];
        const std::int64_t from = start > 0 ? start : 0;
        const std::int64_t to = start > 0 ? start * (end / start) : end;
        text += "\nPart " + std::to_string(k + 1) + ": statistic " + std::to_string(kStatistic[k]) + " = " +
                std::to_string(parts.statistic) + ", weight " + std::to_string(analysis::kScoreWeight[k]) + ", ";
        if (parts.expected > 0) {
            text += "expected " + fixed(parts.expected, 2);
        } else {
            text += "nothing expected";
        }
        text += " (" + std::to_string(from) + " at turn 0 to " + std::to_string(to) + " at turn " +
                std::to_string(limit) + "): " + std::to_string(parts.value);
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
    const auto flagged = std::count_if(table.begin(), table.end(), [](const auto& rec) { return !rec.flags.empty(); });
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
        const auto cells = ResultsCellsOf(row);
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
    const std::string numeroSign =
        encoding == TextEncoding::Utf8 ? load::Windows1251ToUtf8(kNumeroSign) : std::string(kNumeroSign);
    RowTexts headers;
    setCaptions(headers.base, Grid::Base, numeroSign);
    setCaptions(headers.reload, Grid::Reload, numeroSign);
    setCaptions(headers.additional, Grid::Additional, numeroSign);
    setCaptions(headers.flags, Grid::Flags, numeroSign);
    return headers;
}

RowTexts RowTextsOf(const analysis::SaveRecord& rec, int rowNumber, const FormatOptions& options) {
    RowTexts row;
    const bool utf8 = options.encoding == TextEncoding::Utf8;
    const std::string number = std::to_string(rowNumber);
    const std::string fileName = utf8 ? rec.fileName : load::Utf8ToWindows1251(rec.fileName);
    const auto identify = [&](auto& cells) {
        cells.texts[kNumberColumn] = number;
        cells.texts[kFileNameColumn] = fileName;
    };
    identify(row.base);
    identify(row.reload);
    identify(row.additional);
    identify(row.flags);
    row.flags[FlagColumn::Flags] = analysis::FlagsText(rec);
    row.reload[ReloadColumn::FileDate] = rec.fileDate ? DateTimeText(*rec.fileDate) : std::string(kClearedCell);

    fill(row.base, BaseColumn::NickName, BaseColumn::Victory, kClearedCell);
    fill(row.reload, ReloadColumn::Turn, ReloadColumn::Honesty, kClearedCell);
    fill(row.additional, AdditionalColumn::Cities, AdditionalColumn::Culture3, kClearedCell);
    if (!analysis::ShowsDetails(rec)) return row;

    {
        using enum BaseColumn;
        row.base[NickName] = utf8 ? load::Windows1251ToUtf8(rec.nickName) : rec.nickName;
        row.base[Leader] = LeaderText(rec.leaderType);
        row.base[Civilization] = CivText(rec.civType);
        row.base[Turn] = Integer4(rec.turn);
        row.base[Year] = YearText(rec.year);
        row.base[PlayTime] = DurationText(rec.playTime);
        row.base[Score] = Integer6(rec.score);
        row.base[FinalScore] = Integer6(rec.finalScore);
        row.base[Level] = LevelText(rec.level);
        row.base[Victory] = VictoryText(rec.gameOver, rec.victoryType);
    }

    row.reload[ReloadColumn::Turn] = row.base[BaseColumn::Turn];
    row.reload[ReloadColumn::Year] = row.base[BaseColumn::Year];
    row.reload[ReloadColumn::PlayTime] = row.base[BaseColumn::PlayTime];
    if (const auto& judged = rec.reload) {
        row.reload[ReloadColumn::PlayDays] = Integer4(judged->playDays);
        row.reload[ReloadColumn::Reloads] = Integer4(judged->reloads);
        row.reload[ReloadColumn::Percent] = Fixed2(judged->reloadPercent, options.decimalSeparator);
        row.reload[ReloadColumn::SessionTime] = DurationText(judged->sessionTime);
        row.reload[ReloadColumn::MaxReloads] = Integer4(judged->maxReloads);
        row.reload[ReloadColumn::Honesty] = VerdictText(judged->honesty);
    }

    using enum AdditionalColumn;
    row.additional[Cities] = Integer6(rec.cities);
    row.additional[Units] = Integer6(rec.units);
    row.additional[Techs] = Integer6(rec.techs);
    row.additional[Land] = Integer6(rec.land);
    row.additional[LandPercent] = Fixed2(rec.landPercent, options.decimalSeparator);
    row.additional[Population] = Integer6(rec.population);
    row.additional[PopulationPercent] = Fixed2(rec.populationPercent, options.decimalSeparator);
    row.additional[Culture1] = Integer6(rec.culture1);
    row.additional[Culture2] = Integer6(rec.culture2);
    row.additional[Culture3] = Integer6(rec.culture3);
    return row;
}

}  // namespace quillmere::view
