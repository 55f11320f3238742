#include "tournament/RecordBlob.h"

#include <gtest/gtest.h>

#include "session/RecordCodec.h"

namespace quillmere::tournament {
namespace {

analysis::SaveRecord sampleRecord() {
    analysis::SaveRecord rec;
    rec.path = "saves/Anna-t100.sav";
    rec.fileName = "Anna-t100";
    rec.fileDate = 38687.5;
    rec.nickName = "\xC4\xE0\xF0\xFC\xFF";
    rec.finalScore = 20662;
    rec.landPercent = 12.3456789L;
    rec.history.assign(7, {});
    for (int category = 0; category < 7; ++category) {
        for (int turn = 0; turn < 300; ++turn) rec.history[category].push_back(turn * (category + 3) - 40);
    }
    return rec;
}

TEST(RecordBlob, PacksARecordToLessThanHalfItsEncodingAndBackToTheSameBytes) {
    const auto rec = sampleRecord();
    const auto packed = PackRecord(rec);
    const auto encoded = session::EncodeRecord(rec);
    EXPECT_LT(packed.size() * 2, encoded.size());
    EXPECT_EQ(session::EncodeRecord(UnpackRecord(packed)), encoded);
}

TEST(RecordBlob, RefusesEveryCutAndAWrongStartOrLength) {
    const auto packed = PackRecord(sampleRecord());
    for (std::size_t size = 0; size < packed.size(); ++size) {
        EXPECT_THROW((void)UnpackRecord(std::span(packed).first(size)), session::RecordCodecError) << size;
    }
    auto wrong = packed;
    wrong[0] = 'X';
    EXPECT_THROW((void)UnpackRecord(wrong), session::RecordCodecError);
    auto huge = packed;
    huge[7] = 0x7F;  // says it inflates to 2 GB: refused before any memory is taken
    try {
        (void)UnpackRecord(huge);
        FAIL() << "unpacked";
    } catch (const session::RecordCodecError& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("not a packed record: a length of ")) << error.what();
    }
    auto longer = packed;
    longer[4] = static_cast<std::uint8_t>(longer[4] + 1);  // one byte more than the stream holds
    EXPECT_THROW((void)UnpackRecord(longer), session::RecordCodecError);
}

}  // namespace
}  // namespace quillmere::tournament
