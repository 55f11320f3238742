#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmere::fuzz {

// Runs one input through everything a save reaches: the container, the walk, the reload control
// under several rule sets, the cells' texts and the results text. An input starting with 'W' is
// work data (the inflated game state and its header, "BODY" marking the stream), so that
// mutations land past the inflate; any other input is a whole file. Never fails for bad input:
// only a crash, a sanitizer report or a broken invariant (abort) is a finding.
int FuzzOneInput(const std::uint8_t* data, std::size_t size);

}  // namespace quillmere::fuzz
