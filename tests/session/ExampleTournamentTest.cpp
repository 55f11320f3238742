#include "session/ExampleTournament.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempFolder.h"

namespace quillmere::session {
namespace {

TEST(ExampleTournament, IsFoundBesideTheBuildTreesProgramsFirstThenInTheDataFolder) {
    const testsupport::TempFolder root("example-tournament");
    const auto bin = root / "build/bin";
    const auto data = root / "share/quillmere";
    for (const auto* folder :
         {"build/bin", "build/examples-tournament/saves", "share/quillmere/examples-tournament/saves"})
        std::filesystem::create_directories(root / folder);
    EXPECT_EQ(ExampleTournamentPlaces(bin, data),
              (std::vector<std::string>{root / "build/examples-tournament",
                                        root / "build/share/quillmere/examples-tournament",
                                        root / "share/quillmere/examples-tournament"}));
    // An installed program finds its data beside its bin/, whatever folder it was built for.
    EXPECT_EQ(
        ExampleTournamentPlaces(root / "usr/bin", root / "usr/share/quillmere"),
        (std::vector<std::string>{root / "usr/examples-tournament", root / "usr/share/quillmere/examples-tournament"}));
    EXPECT_FALSE(FindExampleTournament(bin, data));
    EXPECT_EQ(NoExampleText("/opt/q/bin", "/usr/share/quillmere"),
              "No example tournament in /opt/q/examples-tournament, /opt/q/share/quillmere/examples-tournament or "
              "/usr/share/quillmere/examples-tournament.");

    // Installed: a profile and saves (a folder among them is no save).
    root.write("share/quillmere/examples-tournament/profile.json", "{}");
    EXPECT_FALSE(FindExampleTournament(bin, data)) << "a profile without saves";
    root.write("share/quillmere/examples-tournament/saves/b.sav", "b");
    root.write("share/quillmere/examples-tournament/saves/a.sav", "a");
    std::filesystem::create_directory(root / "share/quillmere/examples-tournament/saves/inner");
    const auto installed = FindExampleTournament(bin, data);
    ASSERT_TRUE(installed);
    EXPECT_EQ(installed->profile, root / "share/quillmere/examples-tournament/profile.json");
    EXPECT_EQ(installed->saves, (std::vector<std::string>{root / "share/quillmere/examples-tournament/saves/a.sav",
                                                          root / "share/quillmere/examples-tournament/saves/b.sav"}));

    // The build tree's own comes first.
    root.write("build/examples-tournament/profile.json", "{}");
    root.write("build/examples-tournament/saves/c.sav", "c");
    EXPECT_EQ(FindExampleTournament(bin, data)->profile, root / "build/examples-tournament/profile.json");
}

}  // namespace
}  // namespace quillmere::session
