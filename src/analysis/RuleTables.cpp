#include "analysis/RuleTables.h"

#include <algorithm>

namespace quillmere::analysis {

const std::array<Technology, kTechCount> kTechnologies = {{
    {"Mysticism", 50},
    {"Meditation", 80},
    {"Polytheism", 100},
    {"Priesthood", 60},
    {"Monotheism", 120},
    {"Monarchy", 300},
    {"Literature", 200},
    {"Code of Lows", 350},
    {"Drama", 300},
    {"Feudalism", 700},
    {"Theology", 500},
    {"Music", 600},
    {"Civil Service", 800},
    {"Guilds", 1000},
    {"Divine Right", 1200},
    {"Nationalism", 1800},
    {"Military Tradition", 2000},
    {"Constitution", 2000},
    {"Liberalism", 1400},
    {"Democracy", 2800},
    {"Corporation", 1600},
    {"Fascism", 2400},
    {"Communism", 2800},
    {"Mass Media", 3600},
    {"Ecology", 5500},
    {"Fishing", 40},
    {"The Wheel", 60},
    {"Agriculture", 60},
    {"Pottery", 80},
    {"Sailing", 100},
    {"Writing", 120},
    {"Mathematics", 250},
    {"Alphabet", 300},
    {"Calendar", 350},
    {"Currency", 400},
    {"Philosophy", 800},
    {"Paper", 600},
    {"Banking", 700},
    {"Education", 1800},
    {"Printing Press", 1600},
    {"Economics", 1400},
    {"Astronomy", 2000},
    {"Chemistry", 1800},
    {"Scientific Method", 2400},
    {"Physics", 4000},
    {"Biology", 3600},
    {"Medicine", 4500},
    {"Electricity", 4500},
    {"Combustion", 3600},
    {"Fission", 5500},
    {"Flight", 5000},
    {"Plastics", 7000},
    {"Composites", 7500},
    {"Genetics", 7000},
    {"Fiber Optics", 7500},
    {"Fusion", 8000},
    {"Hunting", 40},
    {"Mining", 50},
    {"Archery", 60},
    {"Masonry", 80},
    {"Animal Husbandry", 100},
    {"Bronze Working", 120},
    {"Horseback Riding", 250},
    {"Iron Working", 200},
    {"Metal Casting", 450},
    {"Compass", 400},
    {"Construction", 350},
    {"Machinery", 700},
    {"Engineering", 1000},
    {"Optics", 600},
    {"Gunpowder", 1200},
    {"Replaceable Parts", 1800},
    {"Rifling", 2400},
    {"Steam Power", 3200},
    {"Steel", 2800},
    {"Assembly Line", 5000},
    {"Railroad", 4500},
    {"Artillery", 4000},
    {"Industrialism", 6500},
    {"Radio", 6000},
    {"Refrigeration", 4000},
    {"Computers", 6500},
    {"Rocketry", 5000},
    {"Satellites", 6000},
    {"Robotics", 8000},
    {"Future Tech", 10000},
}};

namespace {

constexpr std::array<std::int32_t, 4> kLastTurn = {1200, 660, 460, 320};
constexpr std::array<std::int32_t, 4> kSpeedPercent = {300, 150, 100, 67};
constexpr std::array<double, 9> kDifficultyFactor = {0.4, 0.6, 0.8, 1.0, 1.2, 1.4, 1.6, 1.8, 2.0};
constexpr std::array<std::int32_t, 9> kLevelPercent = {60, 75, 90, 100, 110, 115, 120, 125, 130};
constexpr std::array<std::int32_t, 6> kCostSettingPercent = {100, 110, 120, 130, 140, 150};
constexpr std::array<std::string_view, 4> kSpeedNames = {"Marathon", "Epic", "Normal", "Quick"};
constexpr std::array<std::string_view, 9> kLevelNames = {"Settler", "Chieftain", "Warlord",  "Noble", "Prince",
                                                         "Monarch", "Emperor",   "Immortal", "Deity"};
constexpr std::array<std::string_view, 27> kLeaderNames = {
    "Barbarian",     "Alexander", "Asoka",        "Bismarck",   "Catherine",    "Cyrus",     "Elizabeth",
    "Frederick",     "Gandhi",    "Genghis Khan", "Hatshepsut", "Huayna Capac", "Isabella",  "Julius Caesar",
    "Kublai Khan",   "Louis XIV", "Mansa Musa",   "Mao Zedong", "Montezuma",    "Napoleon",  "Peter",
    "Qin Shi Huang", "Roosevelt", "Saladin",      "Tokugawa",   "Victoria",     "Washington"};
constexpr std::array<std::string_view, 20> kCivNames = {
    "America", "Arabia", "Aztec", "China",  "Egypt",  "England", "France", "Germany", "Greece", "Inca",
    "India",   "Japan",  "Mali",  "Mongol", "Persia", "Rome",    "Russia", "Spain",   "Minor",  "Barbarian"};

template <typename T, std::size_t N>
constexpr T lookup(const std::array<T, N>& table, std::int32_t index, T fallback) {
    return index >= 0 && static_cast<std::size_t>(index) < N ? table[static_cast<std::size_t>(index)] : fallback;
}

template <std::size_t N>
constexpr std::optional<std::string_view> name(const std::array<std::string_view, N>& table, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) return std::nullopt;
    return table[static_cast<std::size_t>(index)];
}

// One straight piece of a speed's calendar: year = slope * t + offset for t above `above`.
struct Segment {
    std::int32_t above;
    std::int32_t slope;
    std::int32_t offset;
};

constexpr Segment kLowest{INT32_MIN, 0, 0};

// Pieces from the latest turns down; the last piece of each list also covers negative turns.
constexpr std::array<std::array<Segment, 8>, 4> kCalendar = {{
    {{{540, 1, 850},
      {480, 2, 310},
      {390, 5, -1130},
      {350, 8, -2300},
      {200, 10, -3000},
      {INT32_MIN, 15, -4000},
      kLowest,
      kLowest}},
    {{{420, 1, 1390},
      {380, 2, 970},
      {310, 3, 590},
      {240, 6, -340},
      {100, 15, -2500},
      {INT32_MIN, 30, -4000},
      kLowest,
      kLowest}},
    {{{330, 1, 1590},
      {270, 2, 1260},
      {210, 5, 450},
      {160, 10, -600},
      {135, 20, -2200},
      {75, 25, -2875},
      {INT32_MIN, 40, -4000},
      kLowest}},
    {{{270, 1, 1730},
      {220, 2, 1460},
      {165, 5, 800},
      {135, 10, -25},
      {110, 15, -700},
      {80, 30, -2350},
      {50, 35, -2750},
      {INT32_MIN, 60, -4000}}},
}};

}  // namespace

std::optional<std::int32_t> LastTurn(std::int32_t speedIndex) {
    if (speedIndex < 0 || speedIndex > 3) return std::nullopt;
    return kLastTurn[static_cast<std::size_t>(speedIndex)];
}

std::int32_t SpeedPercent(std::int32_t speedIndex) { return lookup(kSpeedPercent, speedIndex, 100); }
double DifficultyFactor(std::int32_t level) { return lookup(kDifficultyFactor, level, 1.0); }
std::int32_t LevelPercent(std::int32_t level) { return lookup(kLevelPercent, level, 100); }
std::int32_t CostSettingPercent(std::int32_t costSetting) { return lookup(kCostSettingPercent, costSetting, 130); }

std::optional<std::string_view> SpeedName(std::int32_t speedIndex) { return name(kSpeedNames, speedIndex); }
std::optional<std::string_view> LevelName(std::int32_t level) { return name(kLevelNames, level); }
std::optional<std::string_view> LeaderName(std::int32_t leaderType) { return name(kLeaderNames, leaderType); }
std::optional<std::string_view> CivName(std::int32_t civType) { return name(kCivNames, civType); }

namespace {

template <std::size_t N>
std::optional<std::int32_t> indexNamed(const std::array<std::string_view, N>& table, std::string_view wanted) {
    const auto it = std::find(table.begin(), table.end(), wanted);
    if (it == table.end()) return std::nullopt;
    return static_cast<std::int32_t>(it - table.begin());
}

}  // namespace

std::optional<std::int32_t> SpeedIndexNamed(std::string_view name) { return indexNamed(kSpeedNames, name); }
std::optional<std::int32_t> LevelNamed(std::string_view name) { return indexNamed(kLevelNames, name); }
std::optional<std::int32_t> LeaderNamed(std::string_view name) { return indexNamed(kLeaderNames, name); }
std::optional<std::int32_t> CivNamed(std::string_view name) { return indexNamed(kCivNames, name); }

CalendarDate DateOfTurn(std::int32_t speedIndex, std::int32_t turn) {
    CalendarDate date{-9999, turn < 0 ? 0 : turn};
    const auto last = LastTurn(speedIndex);
    if (!last) return date;
    if (turn > *last) date.workingTurn = *last;
    for (const Segment& piece : kCalendar[static_cast<std::size_t>(speedIndex)]) {
        if (turn > piece.above || piece.above == INT32_MIN) {
            // 64-bit so that a wild turn from a damaged save cannot overflow; the year keeps its low 32 bits.
            const std::int64_t year = std::int64_t{piece.slope} * turn + piece.offset;
            date.year = static_cast<std::int32_t>(static_cast<std::uint32_t>(year));
            break;
        }
    }
    return date;
}

CostPercents CostPercentsOf(std::int32_t level, std::int32_t costSetting, std::int32_t speedIndex) {
    return {LevelPercent(level), CostSettingPercent(costSetting), SpeedPercent(speedIndex)};
}

std::int32_t TechCost(std::int32_t tech, const CostPercents& percents) {
    if (tech < 0 || tech >= kTechCount) return 0;
    const std::int32_t base = kTechnologies[static_cast<std::size_t>(tech)].cost;
    const std::int32_t c1 = base * percents.level / 100;
    const std::int32_t c2 = c1 * percents.costSetting / 100;
    return c2 * percents.speed / 100;
}

}  // namespace quillmere::analysis
