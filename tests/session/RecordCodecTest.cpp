#include "session/RecordCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillmere::session {
namespace {

using analysis::SaveRecord;

// A record in which every field holds a value of its own, none the default.
SaveRecord everyFieldSet() {
    SaveRecord rec;
    rec.path = "dir/Ann.sav";
    rec.fileName = "Ann";
    rec.fileDate = 38683.5;
    rec.nickName = "\xC0nn <b>";
    rec.blockText = "blocked";
    std::int32_t next = -3;
    for (std::int32_t* field : {&rec.fileDateUtcOffset,
                                &rec.leaderType,
                                &rec.civType,
                                &rec.turn,
                                &rec.turnLimit,
                                &rec.year,
                                &rec.playTime,
                                &rec.loadCount,
                                &rec.gameOver,
                                &rec.victoryType,
                                &rec.score,
                                &rec.finalScore,
                                &rec.level,
                                &rec.cities,
                                &rec.units,
                                &rec.techs,
                                &rec.land,
                                &rec.population,
                                &rec.culture1,
                                &rec.culture2,
                                &rec.culture3,
                                &rec.speedIndex,
                                &rec.mapWidth,
                                &rec.mapHeight,
                                &rec.landTotal}) {
        *field = next;
        next += 100'003;
    }
    rec.landPercent = 100.0L / 3;
    rec.populationPercent = std::numeric_limits<long double>::denorm_min();
    rec.history = {{1, 2, 3}, {}, {-7}};
    rec.gameLength = 1LL << 40;
    rec.gameHash = {0x0123456789ABCDEFULL, 0xFEDCBA9876543210ULL};
    rec.failure = "damaged save: x";
    rec.reload = analysis::ReloadJudgement{3, 4, -std::numeric_limits<long double>::infinity(),
                                           5, 6, analysis::Verdict::Average};
    rec.flags = {"speed Quick (tournament: Normal)", ""};
    rec.scoreInputs = analysis::ScoreInputs{{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, -12}, 13, 460, 1.4};
    return rec;
}

TEST(RecordCodec, GivesBackEveryFieldExactly) {
    const SaveRecord rec = everyFieldSet();
    const auto encoded = EncodeRecord(rec);
    const SaveRecord back = DecodeRecord(encoded);
    EXPECT_EQ(EncodeRecord(back), encoded);
    EXPECT_EQ(back.path, rec.path);
    EXPECT_EQ(back.nickName, rec.nickName);
    EXPECT_EQ(back.fileDate, rec.fileDate);
    EXPECT_EQ(back.fileDateUtcOffset, rec.fileDateUtcOffset);
    EXPECT_EQ(back.landTotal, rec.landTotal);
    EXPECT_EQ(back.culture2, rec.culture2);
    EXPECT_EQ(back.landPercent, rec.landPercent);
    EXPECT_EQ(back.populationPercent, rec.populationPercent);
    EXPECT_EQ(back.history, rec.history);
    EXPECT_EQ(back.gameLength, rec.gameLength);
    EXPECT_EQ(back.gameHash, rec.gameHash);
    EXPECT_EQ(back.failure, rec.failure);
    ASSERT_TRUE(back.reload);
    EXPECT_EQ(back.reload->reloadPercent, rec.reload->reloadPercent);
    EXPECT_EQ(back.reload->honesty, analysis::Verdict::Average);
    EXPECT_EQ(back.reload->maxReloads, 6);
    EXPECT_EQ(back.flags, rec.flags);
    ASSERT_TRUE(back.scoreInputs);
    EXPECT_EQ(back.scoreInputs->end, rec.scoreInputs->end);
    EXPECT_EQ(back.scoreInputs->turnLimit, 460);
    EXPECT_EQ(back.scoreInputs->difficultyFactor, 1.4);
    // A record written before the score's inputs were kept: "QRC1", ending after the flags.
    auto first = EncodeRecord(SaveRecord{});
    first.pop_back();
    first[3] = '1';
    EXPECT_FALSE(DecodeRecord(first).scoreInputs);
    first.push_back(0);
    EXPECT_THROW((void)DecodeRecord(first), RecordCodecError);
    // A default record, no optional present, comes back as one too.
    EXPECT_EQ(EncodeRecord(DecodeRecord(EncodeRecord(SaveRecord{}))), EncodeRecord(SaveRecord{}));
}

TEST(RecordCodec, RefusesEveryCutAndDamageWithAMessage) {
    const auto encoded = EncodeRecord(everyFieldSet());
    for (std::size_t cut = 0; cut < encoded.size(); ++cut) {
        EXPECT_THROW((void)DecodeRecord(std::span(encoded).first(cut)), RecordCodecError) << cut;
    }
    auto longer = encoded;
    longer.push_back(0);
    EXPECT_THROW((void)DecodeRecord(longer), RecordCodecError);
    // Any byte changed either decodes or is refused; none crashes or allocates without bound.
    for (std::size_t at = 0; at < encoded.size(); ++at) {
        for (const int value : {0x00, 0x02, 0x7F, 0xFF}) {
            auto damaged = encoded;
            damaged[at] = static_cast<std::uint8_t>(value);
            try {
                (void)DecodeRecord(damaged);
            } catch (const RecordCodecError& error) {
                EXPECT_TRUE(std::string_view(error.what()).starts_with("not an encoded record: ")) << error.what();
            }
        }
    }
}

}  // namespace
}  // namespace quillmere::session
