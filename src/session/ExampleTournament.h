#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::session {

// The example tournament that comes with the program: a profile and the players' saves.
struct ExampleTournament {
    std::string profile;             // its profile.json
    std::vector<std::string> saves;  // the regular files of its saves folder, by name
};

// The folders the example tournament is looked for in, in order, each once: beside the build tree's
// programs (`binaryFolder`/../examples-tournament), in the data folder beside an installed program's
// (`binaryFolder`/../share/quillmere/examples-tournament), then in the data folder it was built for
// (`dataFolder`/examples-tournament). An empty folder adds no place.
[[nodiscard]] std::vector<std::string> ExampleTournamentPlaces(std::string_view binaryFolder,
                                                               std::string_view dataFolder);

// The first of those places with a profile.json and at least one save in saves/; none when no
// place has them. Never throws: an unreadable place is passed over.
[[nodiscard]] std::optional<ExampleTournament> FindExampleTournament(std::string_view binaryFolder,
                                                                     std::string_view dataFolder);

// Why the example cannot be tried, for the place of its button: "No example tournament in A, B or C."
[[nodiscard]] std::string NoExampleText(std::string_view binaryFolder, std::string_view dataFolder);

}  // namespace quillmere::session
