#include "export/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "support/TempFolder.h"

namespace quillmere::exporting {
namespace {

namespace fs = std::filesystem;

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

TEST_F(ResultsFileOnDisk, RefusesTargetsThatAreNotWritableRegularFiles) {
    const auto fifo = m_dir / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(messageOf(fifo, "new"), "not a regular file (a pipe, device or socket)");
    EXPECT_EQ(messageOf("/dev/null", "new"), "not a regular file (a pipe, device or socket)");
    const auto readOnly = m_dir.write("kept.txt", "old");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(messageOf(readOnly, "new"), "the file is read-only");
    EXPECT_EQ(testsupport::ContentsOf(readOnly), "old");
}

TEST_F(ResultsFileOnDisk, RemovesTemporaryFilesThatAKilledRunLeftBehind) {
    const auto stale = m_dir.write(".quillmere-123456.tmp", "half");
    const auto fresh = m_dir.write(".quillmere-654321.tmp", "another run, writing now");
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    WriteFileAtomically(m_dir / "Res.txt", "new");
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));
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
