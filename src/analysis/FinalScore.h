#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillmere::analysis {

// Tournament weights of the four Final score components.
inline constexpr std::array<std::int32_t, 4> kScoreWeight = {5000, 2000, 2000, 1000};

// The scoring inputs that one save carries.
struct ScoreInputs {
    std::array<std::int32_t, 4> stat{};   // the human player's four statistics
    std::array<std::int32_t, 4> start{};  // expected values at turn 0
    std::array<std::int32_t, 4> end{};    // expected values at the turn limit
    std::int32_t turn = 0;                // already clamped to the game speed's range
    std::int32_t turnLimit = 0;
    double difficultyFactor = 1.0;
};

// Final score component `component` (0 to 3): statistic S against the value expected at turn T,
// which grows from B at turn 0 to B x Trunc(E / B) at the turn limit L (geometrically; linearly
// from 0 to E when B <= 0), times the component's weight W and the difficulty factor F, truncated
// toward zero. S is the component's statistic (the third component takes the fourth and the fourth
// the third), B and E its start and end values. A limit of 0 or less counts as 1200; an expected
// value of 0 or less, or a negative base under a fractional power, gives 0. The same on every
// platform: it is computed in the x87 extended precision the scores were first computed in.
[[nodiscard]] std::int64_t FinalScoreComponent(const ScoreInputs& inputs, std::size_t component);

// One component as it was worked out: the statistic it takes, the value expected at the turn
// (0 where none is, and the component is then 0) and the component.
struct ComponentParts {
    std::int32_t statistic = 0;
    double expected = 0;
    std::int64_t value = 0;
};
[[nodiscard]] ComponentParts FinalScoreParts(const ScoreInputs& inputs, std::size_t component);

// The sum of the four components (int32, wrapping as the stored sum does).
[[nodiscard]] std::int32_t FinalScore(const ScoreInputs& inputs);

}  // namespace quillmere::analysis
