#include "load/FileList.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/TempFolder.h"

namespace quillmere::load {
namespace {

namespace fs = std::filesystem;

TEST(ExpandPaths, AFolderGivesItsRegularFilesInNameOrderAndSkipsWhatCannotBeRead) {
    const testsupport::TempFolder dir("filelist");
    const auto root = dir.path();
    fs::create_directories(root / "round2");
    for (const char* name : {"b.sav", "a.sav", ".hidden", "round2/c.sav"}) dir.write(name, "x");
    ASSERT_EQ(::mkfifo((root / "pipe").c_str(), 0600), 0);
    fs::create_directory_symlink(root, root / "round2" / "loop");  // leads back to the top

    const auto flat = ExpandPaths({root.string()}, false);
    EXPECT_EQ(flat.files, (std::vector<std::string>{root / "a.sav", root / "b.sav"}));
    ASSERT_EQ(flat.skipped.size(), 1u);
    EXPECT_EQ(flat.skipped[0].first, root / "pipe");
    EXPECT_EQ(flat.skipped[0].second, "not a save file: a named pipe (FIFO)");

    const auto deep = ExpandPaths({root.string(), (root / "b.sav").string()}, true);
    EXPECT_EQ(deep.files,
              (std::vector<std::string>{root / "a.sav", root / "b.sav", root / "round2" / "c.sav", root / "b.sav"}));
}

}  // namespace
}  // namespace quillmere::load
