#include "analysis/BytesAnalyser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include "analysis/Batch.h"
#include "load/SaveFile.h"
#include "savewriter/SampleGames.h"
#include "session/RecordCodec.h"
#include "support/TempFolder.h"

namespace quillmere::analysis {
namespace {

using session::EncodeRecord;

TEST(BytesAnalyser, GivesEveryExampleSaveTheRecordAnalyseFileGivesIt) {
    const testsupport::TempFolder dir("bytes-analyser");
    BytesAnalyser inOneCall;  // one for the whole batch, as a worker keeps one
    for (const auto& save : savewriter::ExampleBatch()) {
        const auto path = dir.write(save.fileName, save.bytes);
        const utimbuf times{savewriter::UploadTimeOf(save), savewriter::UploadTimeOf(save)};
        ASSERT_EQ(::utime(path.c_str(), &times), 0);
        const SaveRecord desktop = AnalyseFile(path);
        EXPECT_EQ(EncodeRecord(inOneCall.analyse(path, savewriter::UploadTimeOf(save), save.bytes)),
                  EncodeRecord(desktop))
            << save.fileName;
        // Cut inside its game data, as an upload breaks off.
        const std::vector<std::uint8_t> cut(save.bytes.begin(), save.bytes.begin() + std::ssize(save.bytes) / 2);
        const auto cutPath = dir.write("cut-" + save.fileName, cut);
        ASSERT_EQ(::utime(cutPath.c_str(), &times), 0);
        const SaveRecord cutDesktop = AnalyseFile(cutPath);
        EXPECT_FALSE(cutDesktop.failure.empty());
        EXPECT_EQ(EncodeRecord(inOneCall.analyse(cutPath, savewriter::UploadTimeOf(save), cut)),
                  EncodeRecord(cutDesktop));
    }
}

TEST(BytesAnalyser, RefusesAFileLargerThanAnySaveAsTheDesktopDoes) {
    const testsupport::TempFolder dir("bytes-analyser");
    const auto path = dir.write("huge.sav", std::string_view("x"));
    ASSERT_EQ(::truncate(path.c_str(), load::kMaxSaveFileBytes + 1), 0);  // sparse: nothing is written
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    BytesAnalyser analyser;
    const SaveRecord browser = analyser.refuseUnread(path, info.st_mtime, load::kMaxSaveFileBytes + 1);
    EXPECT_EQ(EncodeRecord(browser), EncodeRecord(AnalyseFile(path)));
    EXPECT_NE(browser.failure.find("more than any save holds (256 MiB)"), std::string::npos) << browser.failure;
}

}  // namespace
}  // namespace quillmere::analysis
