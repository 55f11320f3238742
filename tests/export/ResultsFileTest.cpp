#include "export/ResultsFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/TempFolder.h"

namespace quillmere::exporting {
namespace {

namespace fs = std::filesystem;
using analysis::ResultTable;
using analysis::TSaveDataRec;

const std::string kHeader =
    "\xB9; File Name; NickName; LeaderName; CivName; Turn; Date; Play Time; Score; Final; Level; Victory; "
    "File Date; Turn; Date; Play Time; Play Days; Reloads; Percent; Session; Max Reloads; Honesty; "
    "Cities; Units; Techs; Land; Land %; Pop; Pop %; Culture 1; Culture 2; Culture 3";

TSaveDataRec record(std::string name) {
    TSaveDataRec rec;
    rec.FileName = std::move(name);
    rec.FileDate = 38685.5;  // 29 November 2005, 12:00
    return rec;
}

TEST(BuildResultsText, OnlyTheLastLineLacksItsFinalSeparatorAndLineEnd) {
    EXPECT_EQ(BuildResultsText({}, view::FormatOptions{}), kHeader);
    const std::string one = BuildResultsText({record("a")}, view::FormatOptions{','});
    EXPECT_EQ(one.substr(0, kHeader.size() + 10), kHeader + "; \r\n1; a; ");
    EXPECT_TRUE(one.ends_with("   0,00;      0;      0;      0")) << one;  // Pop %, Culture 1 to 3
    EXPECT_EQ(one.find("\r\n", kHeader.size() + 4), std::string::npos);
}

TEST(BuildResultsText, WritesThirtyTwoCellsPerRowAndCutsTheLastSeparator) {
    auto full = record("Ivan;2");  // a ";" in a name is written as it is
    full.Turn = 120;
    full.Year = 1850;
    full.GameOver = 1;
    full.VictoryType = 5;
    full.LandPercent = 1.5L;
    full.ReloadDone = true;
    full.Honesty = 1;
    auto blocked = record("Petr");
    blocked.BlockText = "x";
    auto failed = record("Oleg");
    failed.Failure = "data error";
    failed.FileDate.reset();

    const std::string text = BuildResultsText({full, blocked, failed}, view::FormatOptions{','});
    auto blanks = [](std::size_t cells) {
        std::string cleared;
        for (std::size_t i = 0; i < cells; ++i) cleared += " ; ";
        return cleared;
    };
    const std::string expected =
        kHeader + "; \r\n" +
        "1; Ivan;2; ; Barbarian; America;  120; 1850AD;    0:00:00;      0;      0; Settler; Space; "
        "29-11-2005 12:00:00;  120; 1850AD;    0:00:00;    0;    0;   0,00;    0:00:00;    0; Average; "
        "     0;      0;      0;      0;   1,50;      0;   0,00;      0;      0;      0; \r\n"
        "2; Petr; " +
        blanks(10) + "29-11-2005 12:00:00; " + blanks(19) + "\r\n" +  // blocked: no details
        "3; Oleg; " + blanks(29) + " ";  // failed, without a file date; the last cell keeps its blank
    EXPECT_EQ(text, expected);
}

class ResultsFileOnDisk : public testing::Test {
protected:
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir.path()), {}));
    }
    static std::string messageOf(const std::string& path, std::string_view bytes) {
        try {
            WriteFileAtomically(path, bytes);
        } catch (const ExportError& e) {
            return e.what();
        }
        return "ok";
    }

    testsupport::TempFolder m_dir{"results"};
};

TEST_F(ResultsFileOnDisk, ReplacesAnExistingFileKeepingItsPermissions) {
    const auto path = m_dir.path() / "Res.txt";
    std::ofstream(path, std::ios::binary) << "an old and longer text";
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string bytes("new\r\n\xB9\0end", 10);
    WriteFileAtomically(path.string(), bytes);
    EXPECT_EQ(testsupport::ContentsOf(path), bytes);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(entries(), 1u);  // no temporary file is left
}

TEST_F(ResultsFileOnDisk, WritesThroughALinkAndKeepsTheLink) {
    const auto target = m_dir.path() / "real.txt";
    std::ofstream(target) << "old";
    fs::create_symlink(target, m_dir.path() / "link.txt");
    WriteFileAtomically(m_dir / "link.txt", "new");
    EXPECT_TRUE(fs::is_symlink(m_dir.path() / "link.txt"));
    EXPECT_EQ(testsupport::ContentsOf(target), "new");
}

TEST_F(ResultsFileOnDisk, AFailedWriteLeavesTheOldFileAndReportsTheSystemsText) {
    EXPECT_EQ(messageOf((m_dir.path() / "missing" / "Res.txt").string(), "new"), "No such file or directory");
    EXPECT_EQ(messageOf(m_dir.path().string(), "new"), "Is a directory");
    EXPECT_EQ(entries(), 0u);
}

TEST_F(ResultsFileOnDisk, ReplacesAFileWithTheLongestNameAFolderHolds) {
    const auto path = m_dir.path() / std::string(255, 'r');
    std::ofstream(path) << "old";
    EXPECT_EQ(messageOf(path.string(), "new"), "ok");
    EXPECT_EQ(testsupport::ContentsOf(path), "new");
    EXPECT_EQ(entries(), 1u);
}

}  // namespace
}  // namespace quillmere::exporting
