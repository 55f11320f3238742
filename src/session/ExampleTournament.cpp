#include "session/ExampleTournament.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quillmere::session {

namespace {

constexpr std::string_view kFolderName = "examples-tournament";
// The example holds a handful of saves: a folder with far more is not it.
constexpr std::size_t kMostSaves = 1000;

std::optional<ExampleTournament> exampleIn(const std::filesystem::path& folder) {
    std::error_code error;
    const auto profile = folder / "profile.json";
    if (!std::filesystem::is_regular_file(profile, error)) return std::nullopt;
    ExampleTournament example;
    example.profile = profile.string();
    std::filesystem::directory_iterator entries(folder / "saves", error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        if (!entries->is_regular_file(error)) continue;
        if (example.saves.size() == kMostSaves) return std::nullopt;
        example.saves.push_back(entries->path().string());
    }
    if (error || example.saves.empty()) return std::nullopt;
    std::sort(example.saves.begin(), example.saves.end());
    return example;
}

}  // namespace

std::vector<std::string> ExampleTournamentPlaces(std::string_view binaryFolder, std::string_view dataFolder) {
    std::vector<std::string> places;
    const auto add = [&](const std::filesystem::path& place) {
        auto normal = place.lexically_normal().string();
        if (std::find(places.begin(), places.end(), normal) == places.end()) places.push_back(std::move(normal));
    };
    if (!binaryFolder.empty()) {
        // A build tree's programs are in bin/ beside the examples; an installed program's data is in
        // share/ beside its bin/, wherever the package put both.
        const auto above = std::filesystem::path(binaryFolder).parent_path();
        add(above / kFolderName);
        add(above / "share" / "quillmere" / kFolderName);
    }
    if (!dataFolder.empty()) add(std::filesystem::path(dataFolder) / kFolderName);
    return places;
}

std::optional<ExampleTournament> FindExampleTournament(std::string_view binaryFolder, std::string_view dataFolder) {
    for (const auto& place : ExampleTournamentPlaces(binaryFolder, dataFolder))
        if (auto example = exampleIn(place)) return example;
    return std::nullopt;
}

std::string NoExampleText(std::string_view binaryFolder, std::string_view dataFolder) {
    const auto places = ExampleTournamentPlaces(binaryFolder, dataFolder);
    std::string text = "No example tournament";
    for (std::size_t i = 0; i < places.size(); ++i) {
        text += i == 0 ? " in " : i + 1 == places.size() ? " or " : ", ";
        text += places[i];
    }
    text += '.';
    return text;
}

}  // namespace quillmere::session
