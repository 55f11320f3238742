#include "session/RecordCodec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "load/ByteOrder.h"

namespace quillmere::session {

namespace {

using analysis::SaveRecord;

constexpr std::string_view kMagic = "QRC2";
// Records written before the Final score's inputs were kept: the same without them.
constexpr std::string_view kFirstMagic = "QRC1";
constexpr int kLongDoubleDigits = std::numeric_limits<long double>::digits;

class Writer {
public:
    void raw(std::string_view text) { m_bytes.insert(m_bytes.end(), text.begin(), text.end()); }
    void u64(std::uint64_t value) {
        for (int i = 0; i < 8; ++i) m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void u32(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) m_bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void i64(std::int64_t value) { u64(static_cast<std::uint64_t>(value)); }
    void byte(std::uint8_t value) { m_bytes.push_back(value); }
    void f64(double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        u64(bits);
    }
    // Sign, class, exponent and the fraction's first 128 bits: the same bytes for the same value
    // whatever the long double format.
    void extended(long double value) {
        byte(std::signbit(value) ? 1 : 0);
        if (std::isnan(value) || std::isinf(value) || value == 0) {
            byte(std::isnan(value) ? 3 : std::isinf(value) ? 2 : 0);
            return;
        }
        byte(1);
        int exponent = 0;
        const long double scaled = std::ldexp(std::frexp(std::fabs(value), &exponent), 64);
        const long double high = std::floor(scaled);
        i32(exponent);
        u64(static_cast<std::uint64_t>(high));
        u64(static_cast<std::uint64_t>(std::ldexp(scaled - high, 64)));
    }
    void text(const std::string& value) {
        u32(static_cast<std::uint32_t>(value.size()));
        raw(value);
    }

    std::vector<std::uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    [[nodiscard]] bool atEnd() const { return m_pos == m_bytes.size(); }
    [[noreturn]] void fail(const std::string& what) const {
        throw RecordCodecError("not an encoded record: " + what + " at byte " + std::to_string(m_pos));
    }
    std::span<const std::uint8_t> take(std::size_t count) {
        if (count > m_bytes.size() - m_pos) fail("it ends early");
        const auto piece = m_bytes.subspan(m_pos, count);
        m_pos += count;
        return piece;
    }
    std::uint64_t u64() { return load::DecodeUint64LE(take(8).first<8>()); }
    std::uint32_t u32() { return load::DecodeUint32LE(take(4).first<4>()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    std::uint8_t byte() { return take(1)[0]; }
    bool flag() {
        const std::uint8_t value = byte();
        if (value > 1) fail("a flag reads " + std::to_string(value));
        return value == 1;
    }
    double f64() {
        const std::uint64_t bits = u64();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    long double extended() {
        const bool negative = flag();
        const std::uint8_t kind = byte();
        long double magnitude = 0;
        if (kind == 1) {
            const std::int32_t exponent = i32();
            const std::uint64_t high = u64();
            const std::uint64_t low = u64();
            if (exponent < std::numeric_limits<long double>::min_exponent - kLongDoubleDigits ||
                exponent > std::numeric_limits<long double>::max_exponent) {
                fail("an exponent reads " + std::to_string(exponent));
            }
            magnitude = std::ldexp(static_cast<long double>(high), exponent - 64) +
                        std::ldexp(static_cast<long double>(low), exponent - 128);
        } else if (kind == 2) {
            magnitude = std::numeric_limits<long double>::infinity();
        } else if (kind == 3) {
            magnitude = std::numeric_limits<long double>::quiet_NaN();
        } else if (kind != 0) {
            fail("a number's kind reads " + std::to_string(kind));
        }
        return negative ? -magnitude : magnitude;
    }
    // A count of items of at least `minItemBytes` each that the bytes left can hold, and at most `most`.
    std::size_t count(std::size_t minItemBytes, std::size_t most = std::numeric_limits<std::size_t>::max()) {
        const std::uint32_t n = u32();
        if (n > most || n > (m_bytes.size() - m_pos) / minItemBytes) fail("a count reads " + std::to_string(n));
        return n;
    }
    std::string text() {
        const auto piece = take(count(1));
        return {piece.begin(), piece.end()};
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

// Every int32 field of a record in declaration order, so that the writer and the reader cannot
// disagree on them.
template <typename Record>
auto int32Fields(Record& rec) {
    return std::array{&rec.fileDateUtcOffset,
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
                      &rec.landTotal};
}

}  // namespace

std::vector<std::uint8_t> EncodeRecord(const SaveRecord& rec) {
    Writer out;
    out.raw(kMagic);
    out.text(rec.path);
    out.text(rec.fileName);
    out.byte(rec.fileDate ? 1 : 0);
    if (rec.fileDate) out.f64(*rec.fileDate);
    out.text(rec.nickName);
    out.text(rec.blockText);
    for (const std::int32_t* field : int32Fields(rec)) out.i32(*field);
    out.extended(rec.landPercent);
    out.extended(rec.populationPercent);
    out.u32(static_cast<std::uint32_t>(rec.history.size()));
    for (const auto& series : rec.history) {
        out.u32(static_cast<std::uint32_t>(series.size()));
        for (const std::int32_t value : series) out.i32(value);
    }
    out.i64(rec.gameLength);
    out.u64(rec.gameHash.high);
    out.u64(rec.gameHash.low);
    out.text(rec.failure);
    out.byte(rec.reload ? 1 : 0);
    if (const auto& judged = rec.reload) {
        out.i32(judged->playDays);
        out.i32(judged->reloads);
        out.extended(judged->reloadPercent);
        out.i32(judged->sessionTime);
        out.i32(judged->maxReloads);
        out.byte(static_cast<std::uint8_t>(judged->honesty));
    }
    out.u32(static_cast<std::uint32_t>(rec.flags.size()));
    for (const auto& flag : rec.flags) out.text(flag);
    out.byte(rec.scoreInputs ? 1 : 0);
    if (const auto& score = rec.scoreInputs) {
        for (const auto* values : {&score->stat, &score->start, &score->end})
            for (const std::int32_t value : *values) out.i32(value);
        out.i32(score->turn);
        out.i32(score->turnLimit);
        out.f64(score->difficultyFactor);
    }
    return out.take();
}

SaveRecord DecodeRecord(std::span<const std::uint8_t> bytes) {
    Reader in(bytes);
    const auto magic = in.take(std::min(bytes.size(), kMagic.size()));
    const bool first = std::equal(magic.begin(), magic.end(), kFirstMagic.begin(), kFirstMagic.end());
    if (!first && !std::equal(magic.begin(), magic.end(), kMagic.begin(), kMagic.end())) in.fail("no \"QRC2\"");
    SaveRecord rec;
    rec.path = in.text();
    rec.fileName = in.text();
    if (in.flag()) rec.fileDate = in.f64();
    rec.nickName = in.text();
    rec.blockText = in.text();
    for (std::int32_t* field : int32Fields(rec)) *field = in.i32();
    rec.landPercent = in.extended();
    rec.populationPercent = in.extended();
    rec.history.resize(in.count(4, analysis::kHistoryCategories));
    for (auto& series : rec.history) {
        series.resize(in.count(4, analysis::kHistoryTurns));
        for (auto& value : series) value = in.i32();
    }
    rec.gameLength = in.i64();
    rec.gameHash.high = in.u64();
    rec.gameHash.low = in.u64();
    rec.failure = in.text();
    if (in.flag()) {
        analysis::ReloadJudgement judged;
        judged.playDays = in.i32();
        judged.reloads = in.i32();
        judged.reloadPercent = in.extended();
        judged.sessionTime = in.i32();
        judged.maxReloads = in.i32();
        const std::uint8_t honesty = in.byte();
        if (honesty > static_cast<std::uint8_t>(analysis::Verdict::Fair)) {
            in.fail("a verdict reads " + std::to_string(honesty));
        }
        judged.honesty = static_cast<analysis::Verdict>(honesty);
        rec.reload = judged;
    }
    rec.flags.resize(in.count(4));
    for (auto& flag : rec.flags) flag = in.text();
    if (!first && in.flag()) {
        analysis::ScoreInputs score;
        for (auto* values : {&score.stat, &score.start, &score.end})
            for (std::int32_t& value : *values) value = in.i32();
        score.turn = in.i32();
        score.turnLimit = in.i32();
        score.difficultyFactor = in.f64();
        rec.scoreInputs = score;
    }
    if (!in.atEnd()) in.fail("bytes follow the record");
    return rec;
}

}  // namespace quillmere::session
