#include "gui/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmere::gui {
namespace {

struct Parsed {
    std::vector<std::string> saves;
    std::optional<QString> profile;
    std::optional<QString> tournament;
    bool quits = false;
};

Parsed parse(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv;
    QStringList texts;
    for (const auto& argument : arguments) {
        argv.push_back(argument.c_str());
        texts << QString::fromLocal8Bit(argument.c_str());
    }
    CommandLine commandLine;
    commandLine.process(texts);
    return {commandLine.savePaths(static_cast<int>(argv.size()), argv.data(), "/round"), commandLine.profile(),
            commandLine.tournament(), commandLine.quitsAfterLoad()};
}

TEST(CommandLine, SavesKeepTheirBytesAndOptionValuesAreNoSaves) {
    const auto parsed = parse({"quillmere", "--profile", "cup.json",
                               "M\xFC"
                               "ller.sav",
                               "--quit-after-load",
                               "/saves/M\xE4"
                               "ller.sav",
                               "--", "--profile", "-a.sav"});
    EXPECT_EQ(parsed.saves, (std::vector<std::string>{"/round/M\xFC"
                                                      "ller.sav",
                                                      "/saves/M\xE4"
                                                      "ller.sav",
                                                      "/round/--profile", "/round/-a.sav"}));
    EXPECT_EQ(parsed.profile, QString("cup.json"));
    EXPECT_TRUE(parsed.quits);
}

TEST(CommandLine, AProfileOrATournamentNamedLikeASaveIsOnlyThat) {
    const auto parsed = parse(
        {"quillmere", "a.sav", "--profile=b.sav", "b.sav", "--profile", "a.sav", "--tournament", "b.sav", "c.sav"});
    EXPECT_EQ(parsed.saves, (std::vector<std::string>{"/round/a.sav", "/round/b.sav", "/round/c.sav"}));
    EXPECT_EQ(parsed.profile, QString("a.sav"));
    EXPECT_EQ(parsed.tournament, QString("b.sav"));
    EXPECT_FALSE(parsed.quits);
    EXPECT_FALSE(parse({"quillmere", "a.sav"}).profile);
    EXPECT_FALSE(parse({"quillmere", "a.sav"}).tournament);
}

TEST(CommandLine, OnlyTheHelpAndTheVersionNeedNoDisplay) {
    const auto asks = [](std::vector<const char*> argv) {
        return CommandLine().asksOnlyForText(static_cast<int>(argv.size()), argv.data());
    };
    for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
        EXPECT_TRUE(asks({"quillmere", "-platform", "xcb", option})) << option;
        EXPECT_FALSE(asks({"quillmere", "--", option})) << option;
    }
    EXPECT_FALSE(asks({"quillmere", "--profile", "--help.json"}));
    EXPECT_FALSE(asks({"quillmere", "a.sav"}));
}

}  // namespace
}  // namespace quillmere::gui
