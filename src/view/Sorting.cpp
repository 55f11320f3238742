#include "view/Sorting.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "load/Windows1251.h"

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
            return rec.Turn;
        case SortKey::Score:
            return rec.Score;
        default:
            return rec.FinalScore;
    }
}

}  // namespace

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
        for (const auto& rec : table) names.push_back(load::Utf8ToWindows1251(rec.FileName));
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
    analysis::ResultTable sorted;
    sorted.reserve(table.size());
    for (const auto i : order) sorted.push_back(std::move(table[i]));
    table = std::move(sorted);
}

bool& SortDirections::of(SortKey key) {
    switch (key) {
        case SortKey::FileName:
            return fileName;
        case SortKey::Turn:
            return turn;
        case SortKey::Score:
            return score;
        default:
            return finalScore;
    }
}

void SortClick(analysis::ResultTable& table, SortDirections& directions, SortKey key) {
    bool& ascending = directions.of(key);
    SortRecords(table, key, ascending);
    ascending = !ascending;
}

}  // namespace quillmere::view
