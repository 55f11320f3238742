#include "view/Sorting.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

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

// A cell text as a sort key: its value when it reads as a number, a time, a date or a year.
struct CellKey {
    std::optional<long double> value;
    std::string text;
};

// Digits and at most one '.', with an optional sign; the whole text.
std::optional<long double> numberOf(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    long double whole = 0;
    long double scale = 0;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && scale == 0) {
            scale = 1;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (scale > 0) scale /= 10;
            whole = scale > 0 ? whole + (c - '0') * scale : whole * 10 + (c - '0');
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    return text[0] == '-' ? -whole : whole;
}

// The numbers of a text split at `separators`, e.g. "29-11-2005 14:00:00" at "- :".
std::optional<std::vector<long double>> partsOf(std::string_view text, std::string_view separators) {
    std::vector<long double> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = std::min(text.find_first_of(separators, start), text.size());
        const auto part = text.substr(start, end - start);
        if (part.empty() || part[0] == '-' || part[0] == '+') return std::nullopt;
        const auto value = numberOf(part);
        if (!value) return std::nullopt;
        parts.push_back(*value);
        start = end + 1;
    }
    return parts;
}

CellKey keyOf(std::string_view cell) {
    const auto first = cell.find_first_not_of(' ');
    if (first == std::string_view::npos) return {std::nullopt, {}};
    const auto text = cell.substr(first, cell.find_last_not_of(' ') - first + 1);
    if (const auto number = numberOf(text)) return {number, {}};
    if (text.size() > 2 && (text.ends_with("BC") || text.ends_with("AD"))) {
        if (const auto year = numberOf(text.substr(0, text.size() - 2)))
            return {text.ends_with("BC") ? -*year : *year, {}};
    }
    if (text.find(':') != std::string_view::npos && text.find('-') == std::string_view::npos) {
        if (const auto parts = partsOf(text, ":")) {
            long double seconds = 0;
            for (const auto part : *parts) seconds = seconds * 60 + part;
            return {seconds, {}};
        }
    }
    if (const auto parts = partsOf(text, "- :"); parts && parts->size() >= 3) {
        // Day, month, year, then the time of day: year first for the comparison.
        long double value = (*parts)[2] * 10000 + (*parts)[1] * 100 + (*parts)[0];
        for (std::size_t i = 3; i < parts->size(); ++i) value = value * 100 + (*parts)[i];
        for (std::size_t i = parts->size(); i < 6; ++i) value *= 100;
        return {value, {}};
    }
    return {std::nullopt, std::string(text)};
}

int compareKeys(const CellKey& a, const CellKey& b) {
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
    std::vector<CellKey> keys;
    keys.reserve(table.size());
    const FormatOptions options{'.', TextEncoding::Utf8};
    for (const auto& rec : table) keys.push_back(keyOf(*RowTextsOf(rec, 0, options).cell(grid, at)));
    std::vector<std::size_t> order(table.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto details = std::stable_partition(order.begin(), order.end(),
                                               [&](std::size_t i) { return analysis::ShowsDetails(table[i]); });
    std::stable_sort(order.begin(), details, [&](std::size_t i, std::size_t j) {
        const int c = compareKeys(keys[i], keys[j]);
        return ascending ? c < 0 : c > 0;
    });
    reorder(table, order);
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
