#pragma once

#include <array>
#include <cstdint>

namespace quillmere::analysis {

// Tournament weights of the four Final score components.
inline constexpr std::array<std::int32_t, 4> kScoreWeight = {5000, 2000, 2000, 1000};

// One Final score component: statistic S against the value expected at turn T, which grows from
// B at turn 0 to B x Trunc(E / B) at the turn limit L (geometrically; linearly from 0 to E when
// B <= 0), times weight W and difficulty factor F, truncated toward zero. A limit of 0 or less
// counts as 1200; an expected value of 0 or less, or a negative base under a fractional power,
// gives 0.
[[nodiscard]] std::int64_t FinalScoreComponent(std::int32_t S, std::int32_t B, std::int32_t E, std::int32_t W,
                                               std::int32_t T, std::int32_t L, double F);

// The scoring inputs that one save carries.
struct ScoreInputs {
    std::array<std::int32_t, 4> stat{};   // the human player's four statistics
    std::array<std::int32_t, 4> start{};  // expected values at turn 0
    std::array<std::int32_t, 4> end{};    // expected values at the turn limit
    std::int32_t turn = 0;                // already clamped to the game speed's range
    std::int32_t turnLimit = 0;
    double difficultyFactor = 1.0;
};

// The sum of the four components (int32, wrapping as the stored sum does). The third component
// takes the fourth statistic and the fourth component the third.
[[nodiscard]] std::int32_t FinalScore(const ScoreInputs& inputs);

}  // namespace quillmere::analysis
