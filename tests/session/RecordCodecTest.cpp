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
    rec.Path = "dir/Ann.sav";
    rec.FileName = "Ann";
    rec.FileDate = 38683.5;
    rec.NickName = "\xC0nn <b>";
    rec.BlockText = "blocked";
    std::int32_t next = -3;
    for (std::int32_t* field : {&rec.FileDateUtcOffset,
                                &rec.LeaderType,
                                &rec.CivType,
                                &rec.Turn,
                                &rec.TurnLimit,
                                &rec.Year,
                                &rec.PlayTime,
                                &rec.LoadCount,
                                &rec.GameOver,
                                &rec.VictoryType,
                                &rec.Score,
                                &rec.FinalScore,
                                &rec.Level,
                                &rec.Cities,
                                &rec.Units,
                                &rec.Techs,
                                &rec.Land,
                                &rec.Population,
                                &rec.Culture1,
                                &rec.Culture2,
                                &rec.Culture3,
                                &rec.SpeedIndex,
                                &rec.MapWidth,
                                &rec.MapHeight,
                                &rec.LandTotal}) {
        *field = next;
        next += 100'003;
    }
    rec.LandPercent = 100.0L / 3;
    rec.PopulationPercent = std::numeric_limits<long double>::denorm_min();
    rec.History = {{1, 2, 3}, {}, {-7}};
    rec.GameLength = 1LL << 40;
    rec.GameHash = {0x0123456789ABCDEFULL, 0xFEDCBA9876543210ULL};
    rec.Failure = "damaged save: x";
    rec.Reload = analysis::ReloadJudgement{3, 4, -std::numeric_limits<long double>::infinity(),
                                           5, 6, analysis::Verdict::Average};
    rec.Flags = {"speed Quick (tournament: Normal)", ""};
    return rec;
}

TEST(RecordCodec, GivesBackEveryFieldExactly) {
    const SaveRecord rec = everyFieldSet();
    const auto encoded = EncodeRecord(rec);
    const SaveRecord back = DecodeRecord(encoded);
    EXPECT_EQ(EncodeRecord(back), encoded);
    EXPECT_EQ(back.Path, rec.Path);
    EXPECT_EQ(back.NickName, rec.NickName);
    EXPECT_EQ(back.FileDate, rec.FileDate);
    EXPECT_EQ(back.FileDateUtcOffset, rec.FileDateUtcOffset);
    EXPECT_EQ(back.LandTotal, rec.LandTotal);
    EXPECT_EQ(back.Culture2, rec.Culture2);
    EXPECT_EQ(back.LandPercent, rec.LandPercent);
    EXPECT_EQ(back.PopulationPercent, rec.PopulationPercent);
    EXPECT_EQ(back.History, rec.History);
    EXPECT_EQ(back.GameLength, rec.GameLength);
    EXPECT_EQ(back.GameHash, rec.GameHash);
    EXPECT_EQ(back.Failure, rec.Failure);
    ASSERT_TRUE(back.Reload);
    EXPECT_EQ(back.Reload->ReloadPercent, rec.Reload->ReloadPercent);
    EXPECT_EQ(back.Reload->Honesty, analysis::Verdict::Average);
    EXPECT_EQ(back.Reload->MaxReloads, 6);
    EXPECT_EQ(back.Flags, rec.Flags);
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
