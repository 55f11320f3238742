#include "view/Sorting.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "load/DateTime.h"
#include "load/Windows1251.h"
#include "view/CellTexts.h"

namespace quillmere::view {

namespace {

// Lower case of every Windows-1251 byte: ASCII letters and the Cyrillic capitals, whose small
// letters sit 20 hex above them except for the letters outside the basic alphabet.
constexpr std::array<std::uint8_t, 256> kLowerCase = [] {
    std::array<std::uint8_t, 256> table{};
    for (std::size_t b = 0; b < table.size(); ++b) table[b] = static_cast<std::uint8_t>(b);
    for (std::size_t b = 'A'; b <= 'Z'; ++b) table[b] = static_cast<std::uint8_t>(b + 0x20);
    for (std::size_t b = 0xC0; b <= 0xDF; ++b) table[b] = static_cast<std::uint8_t>(b + 0x20);
    constexpr std::pair<std::uint8_t, std::uint8_t> kPairs[] = {
        {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2},
        {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
    };
    for (const auto& [upper, lower] : kPairs) table[upper] = lower;
    return table;
}();

std::int32_t integerKey(const analysis::SaveRecord& rec, SortKey key) {
    switch (key) {
        case SortKey::Turn:
            return rec.turn;
        case SortKey::Score:
            return rec.score;
        case SortKey::FileName:  // not a number: ordered by its own comparison
        case SortKey::FinalScore:
            break;
    }
    return rec.finalScore;
}

// A column's sort key of one record: its value, or the text the grid shows, which sorts after
// every value (a blank, where the record has no value, first among the texts).
struct SortValue {
    std::optional<long double> value;
    std::string text;
};

SortValue number(long double value) { return {value, {}}; }
SortValue text(std::string text) { return {std::nullopt, std::move(text)}; }

// The year as the grid shows it: there is no year 0, and its text reads "1AD".
long double shownYear(std::int32_t year) { return year == 0 ? 1 : year; }

SortValue baseValue(const analysis::SaveRecord& rec, BaseColumn column) {
    switch (column) {
        case BaseColumn::Number:
            return number(0);  // a row's place: sorting by it leaves the order as it is
        case BaseColumn::FileName:
            return text(rec.fileName);
        case BaseColumn::NickName:
            return text(load::Windows1251ToUtf8(rec.nickName));
        case BaseColumn::Leader:
            return text(LeaderText(rec.leaderType));
        case BaseColumn::Civilization:
            return text(CivText(rec.civType));
        case BaseColumn::Turn:
            return number(rec.turn);
        case BaseColumn::Year:
            return number(shownYear(rec.year));
        case BaseColumn::PlayTime:
            return number(rec.playTime);
        case BaseColumn::Score:
            return number(rec.score);
        case BaseColumn::FinalScore:
            return number(rec.finalScore);
        case BaseColumn::Level:
            return text(LevelText(rec.level));
        case BaseColumn::Victory:
            break;
    }
    return text(VictoryText(rec.gameOver, rec.victoryType));
}

SortValue reloadValue(const analysis::SaveRecord& rec, ReloadColumn column) {
    switch (column) {
        case ReloadColumn::Number:
            return baseValue(rec, BaseColumn::Number);
        case ReloadColumn::FileName:
            return baseValue(rec, BaseColumn::FileName);
        case ReloadColumn::FileDate:
            if (rec.fileDate && load::SplitDateTime(*rec.fileDate)) return number(*rec.fileDate);
            return text({});
        case ReloadColumn::Turn:
            return baseValue(rec, BaseColumn::Turn);
        case ReloadColumn::Year:
            return baseValue(rec, BaseColumn::Year);
        case ReloadColumn::PlayTime:
            return baseValue(rec, BaseColumn::PlayTime);
        case ReloadColumn::Penalty:
            return text({});  // never written
        case ReloadColumn::PlayDays:
        case ReloadColumn::Reloads:
        case ReloadColumn::Percent:
        case ReloadColumn::SessionTime:
        case ReloadColumn::MaxReloads:
        case ReloadColumn::Honesty:
            break;
    }
    const auto& judged = rec.reload;
    if (!judged) return text({});
    switch (column) {
        case ReloadColumn::PlayDays:
            return number(judged->playDays);
        case ReloadColumn::Reloads:
            return number(judged->reloads);
        case ReloadColumn::Percent:
            return number(judged->reloadPercent);
        case ReloadColumn::SessionTime:
            return number(judged->sessionTime);
        case ReloadColumn::MaxReloads:
            return number(judged->maxReloads);
        default:
            return text(VerdictText(judged->honesty));
    }
}

SortValue additionalValue(const analysis::SaveRecord& rec, AdditionalColumn column) {
    switch (column) {
        case AdditionalColumn::Number:
            return baseValue(rec, BaseColumn::Number);
        case AdditionalColumn::FileName:
            return baseValue(rec, BaseColumn::FileName);
        case AdditionalColumn::Cities:
            return number(rec.cities);
        case AdditionalColumn::Units:
            return number(rec.units);
        case AdditionalColumn::Techs:
            return number(rec.techs);
        case AdditionalColumn::Land:
            return number(rec.land);
        case AdditionalColumn::LandPercent:
            return number(rec.landPercent);
        case AdditionalColumn::Population:
            return number(rec.population);
        case AdditionalColumn::PopulationPercent:
            return number(rec.populationPercent);
        case AdditionalColumn::Culture1:
            return number(rec.culture1);
        case AdditionalColumn::Culture2:
            return number(rec.culture2);
        case AdditionalColumn::Culture3:
            break;
    }
    return number(rec.culture3);
}

SortValue flagValue(const analysis::SaveRecord& rec, FlagColumn column) {
    switch (column) {
        case FlagColumn::Number:
            return baseValue(rec, BaseColumn::Number);
        case FlagColumn::FileName:
            return baseValue(rec, BaseColumn::FileName);
        case FlagColumn::Flags:
            break;
    }
    return text(analysis::FlagsText(rec));
}

// The key of `column` of `grid`, from the record's values, not from the text the grid shows.
SortValue valueOf(const analysis::SaveRecord& rec, Grid grid, std::size_t column) {
    switch (grid) {
        case Grid::Base:
            return baseValue(rec, static_cast<BaseColumn>(column));
        case Grid::Reload:
            return reloadValue(rec, static_cast<ReloadColumn>(column));
        case Grid::Additional:
            return additionalValue(rec, static_cast<AdditionalColumn>(column));
        case Grid::Flags:
            break;
    }
    return flagValue(rec, static_cast<FlagColumn>(column));
}

int compareValues(const SortValue& a, const SortValue& b) {
    if (a.value && b.value) return *a.value < *b.value ? -1 : (*a.value > *b.value ? 1 : 0);
    if (a.value || b.value) return a.value ? -1 : 1;
    return CompareFileNames(a.text, b.text);
}

void reorder(analysis::ResultTable& table, const std::vector<std::size_t>& order) {
    analysis::ResultTable sorted;
    sorted.reserve(table.size());
    for (const auto i : order) sorted.push_back(std::move(table[i]));
    table = std::move(sorted);
}

}  // namespace

BaseColumn BaseColumnOf(SortKey key) {
    switch (key) {
        case SortKey::FileName:
            return BaseColumn::FileName;
        case SortKey::Turn:
            return BaseColumn::Turn;
        case SortKey::Score:
            return BaseColumn::Score;
        case SortKey::FinalScore:
            return BaseColumn::FinalScore;
    }
    return BaseColumn::FileName;
}

std::optional<SortKey> ButtonKeyOf(Grid grid, int column) {
    if (column < 0) return std::nullopt;
    const auto at = static_cast<std::size_t>(column);
    if (at == kFileNameColumn) return SortKey::FileName;
    if (grid != Grid::Base) return std::nullopt;
    for (const auto key : {SortKey::Turn, SortKey::Score, SortKey::FinalScore})
        if (at == IndexOf(BaseColumnOf(key))) return key;
    return std::nullopt;
}

void SortByColumn(analysis::ResultTable& table, Grid grid, int column, bool ascending) {
    if (column < 0 || static_cast<std::size_t>(column) >= ColumnsOf(grid).size()) return;
    const auto at = static_cast<std::size_t>(column);
    std::vector<SortValue> keys;
    keys.reserve(table.size());
    for (const auto& rec : table) keys.push_back(valueOf(rec, grid, at));
    std::vector<std::size_t> order(table.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto details = std::stable_partition(order.begin(), order.end(),
                                               [&](std::size_t i) { return analysis::ShowsDetails(table[i]); });
    std::stable_sort(order.begin(), details, [&](std::size_t i, std::size_t j) {
        const int c = compareValues(keys[i], keys[j]);
        return ascending ? c < 0 : c > 0;
    });
    reorder(table, order);
}

std::vector<std::optional<std::size_t>> ColumnRanks(const analysis::ResultTable& table, Grid grid, std::size_t column) {
    std::vector<std::optional<std::size_t>> ranks(table.size());
    if (column >= ColumnsOf(grid).size()) return ranks;
    std::vector<SortValue> keys;
    std::vector<std::size_t> order;
    keys.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        keys.push_back(valueOf(table[i], grid, column));
        if (analysis::ShowsDetails(table[i])) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t i, std::size_t j) { return compareValues(keys[i], keys[j]) < 0; });
    std::size_t rank = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && compareValues(keys[order[k - 1]], keys[order[k]]) != 0) ++rank;
        ranks[order[k]] = rank;
    }
    return ranks;
}

int CompareFileNames(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = kLowerCase[static_cast<std::uint8_t>(a[i])];
        const auto y = kLowerCase[static_cast<std::uint8_t>(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

void SortRecords(analysis::ResultTable& table, SortKey key, bool ascending) {
    // File names compare as the results file spells them, in Windows-1251.
    std::vector<std::string> names;
    if (key == SortKey::FileName) {
        names.reserve(table.size());
        for (const auto& rec : table) names.push_back(load::Utf8ToWindows1251(rec.fileName));
    }
    const auto compare = [&](std::size_t i, std::size_t j) {
        if (key == SortKey::FileName) return CompareFileNames(names[i], names[j]);
        const auto x = integerKey(table[i], key);
        const auto y = integerKey(table[j], key);
        return x < y ? -1 : (x > y ? 1 : 0);
    };
    // Order indices, then move each record once.
    std::vector<std::size_t> order(table.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
        const int c = compare(i, j);
        return ascending ? c < 0 : c > 0;
    });
    reorder(table, order);
}

bool& SortDirections::of(SortKey key) {
    switch (key) {
        case SortKey::FileName:
            return fileName;
        case SortKey::Turn:
            return turn;
        case SortKey::Score:
            return score;
        case SortKey::FinalScore:
            break;
    }
    return finalScore;
}

void SortClick(analysis::ResultTable& table, SortDirections& directions, SortKey key) {
    bool& ascending = directions.of(key);
    SortRecords(table, key, ascending);
    ascending = !ascending;
}

}  // namespace quillmere::view
