#include "load/SaveFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "load/LoadError.h"
#include "load/Windows1251.h"
#include "support/TempFolder.h"

namespace quillmere::load {
namespace {

namespace fs = std::filesystem;

TEST(SaveFile, FileNameIsTheBaseNameUpToTheLastDot) {
    const std::pair<std::string, std::string> cases[] = {
        {R"(C:\saves\my.game.sav)", "my.game"},
        {"/home/ref/round1/Ivan.sav", "Ivan"},
        {"plain", "plain"},
        {"dir.with.dots/noext", "noext"},
        {"mixed\\sep/a.b", "a"},
        {".hidden", ""},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(FileNameOf(path), name) << path;
    EXPECT_EQ(FolderOf(R"(C:\saves\my.game.sav)"), R"(C:\saves)");
    EXPECT_EQ(FolderOf("/home/ref/a.sav"), "/home/ref");
    EXPECT_EQ(FolderOf("/a.sav"), "/");
    EXPECT_EQ(FolderOf("a.sav"), "");
}

class SaveFileOnDisk : public testing::Test {
protected:
    testsupport::TempFolder m_dir{"savefile"};
};

std::string contentsRead(const std::string& path) {
    const SaveFile file(path);
    const auto contents = file.contents();
    std::string bytes(static_cast<std::size_t>(contents.size()), '\0');
    contents.copyTo(0, {reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()});
    return bytes;
}

std::string refusal(const std::string& path) {
    try {
        (void)contentsRead(path);
    } catch (const LoadError& e) {
        return e.what();
    }
    return "read";
}

TEST_F(SaveFileOnDisk, ReadsReadOnlyFilesWhole) {
    const std::string bytes("ab\0cd\x78\x9C", 7);
    const auto path = m_dir.write("ro.sav", bytes);
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_EQ(contentsRead(path), bytes);
}

TEST_F(SaveFileOnDisk, ReadsOnlyRegularFilesOfASavesSizeAndNeverWaits) {
    EXPECT_EQ(refusal(m_dir / "missing.sav"), "No such file or directory");
    EXPECT_EQ(refusal(m_dir.path().string()), "not a save file: a folder");
    // A FIFO without a writer would block a plain read forever.
    const auto fifo = m_dir / "pipe.sav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(refusal(fifo), "not a save file: a named pipe (FIFO)");
    EXPECT_EQ(refusal("/dev/zero"), "not a save file: a device");
    // A sparse file larger than any save is refused by its size, before a byte is read.
    const auto huge = m_dir / "huge.sav";
    fs::resize_file(m_dir.write("huge.sav", "x"), 300 * 1024 * 1024);
    EXPECT_EQ(refusal(huge), "not a save file: 314572800 bytes, more than any save holds (256 MiB)");
}

TEST_F(SaveFileOnDisk, AFileThatShrinksAfterItsOpenIsNotReadPastItsEnd) {
    const auto path = m_dir.write("shrinks.sav", std::string(100, 'x'));
    const SaveFile file(path);
    const auto contents = file.contents();
    fs::resize_file(path, 60);
    std::uint8_t out[50];
    contents.copyTo(10, out);
    try {
        contents.copyTo(20, out);
        ADD_FAILURE() << "read past the end";
    } catch (const LoadError& e) {
        EXPECT_STREQ(e.what(), "the file changed while it was read: it now ends at byte 60, not 100");
    }
}

TEST_F(SaveFileOnDisk, FileDateIsLocalTimeInTwoSecondSteps) {
    const auto path = m_dir.write("dated.sav", "x");
    std::tm local{};
    local.tm_year = 2005 - 1900;
    local.tm_mon = 10;
    local.tm_mday = 29;
    local.tm_hour = 14;
    local.tm_min = 0;
    local.tm_sec = 3;  // odd seconds round down
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);

    const auto date = SaveFile(path).modificationDate();
    ASSERT_TRUE(date.has_value());
    EXPECT_DOUBLE_EQ(*date, 38685.0 + (14 * 3600 + 2) / 86400.0);
}

TEST(Windows1251, ConvertsUtf8NamesAndKeepsEightBitOnes) {
    EXPECT_EQ(Utf8ToWindows1251("Ivan"), "Ivan");
    EXPECT_EQ(Utf8ToWindows1251("\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"), "\xC8\xE2\xE0\xED");  // Cyrillic "Ivan"
    EXPECT_EQ(Utf8ToWindows1251("\xE2\x84\x96"), "\xB9");                                  // numero sign
    EXPECT_EQ(Utf8ToWindows1251("\xE4\xB8\xAD"), "?");                                     // no such byte
    EXPECT_EQ(Utf8ToWindows1251("\xC8\xE2\xE0\xED"), "\xC8\xE2\xE0\xED");                  // not UTF-8: already 8-bit
    EXPECT_EQ(Windows1251ToUtf8("\xB9 \xC8\xE2\xE0\xED"), "\xE2\x84\x96 \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");
}

}  // namespace
}  // namespace quillmere::load
