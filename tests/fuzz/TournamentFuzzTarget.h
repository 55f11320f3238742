#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmere::fuzz {

// Runs one input through what a tournament's referee reaches after a load: the profile reader, the
// tournament checks and the reload control in a session, a sort, the cells' texts and every
// report format, checking each output's invariants. The input is a profile's text, then a zero
// byte and the records' bytes:
//   records = sort-key { record }              at most kMostRecords records; missing bytes read as 0
//   record  = kind text:file-name date text:nick text:block-or-failure
//             number x 26 (leader civ level speed turn turn-limit year play-time load-count game-over
//             victory score final-score cities units techs land land-percent% population
//             population-percent% culture1 culture2 culture3 map-width map-height land-total)
//             hash-byte history
//   kind    = byte % 4: 0 analysed, 1 blocked (by the text), 2 failed (the text), 3 not loaded
//   date    = 0x00 (none) | other-byte number:days byte:fraction-in-256ths
//   text    = byte:length%64 { byte }
//   number  = byte b < 0xF8: b - 8 | other-byte int32-little-endian
//   history = byte:count%16 { byte:category number:turn number:value }
// A refused profile (ProfileError) is a result: the records are then checked without one. Only a
// crash, a sanitizer report or a broken invariant (abort) is a finding.
int FuzzTournamentInput(const std::uint8_t* data, std::size_t size);

inline constexpr std::size_t kMostRecords = 4;

}  // namespace quillmere::fuzz
