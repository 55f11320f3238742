// Writes a seed corpus for quillmere-fuzz-tournament: the example tournament's profile and others,
// each with the records of the sample batches, encoded as TournamentFuzzTarget.h describes.
//   quillmere-fuzz-tournament-corpus DIR

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "analysis/SaveWalk.h"
#include "load/Container.h"
#include "load/LoadError.h"
#include "savewriter/SampleGames.h"
#include "session/Profile.h"

namespace {

using quillmere::analysis::SaveRecord;

constexpr double kDefaultStart = 38683;  // 27-11-2005, the sample batches' tournament start

void putNumber(std::string& out, std::int32_t value) {
    if (value >= -8 && value < 0xF8 - 8) {
        out += static_cast<char>(value + 8);
        return;
    }
    out += '\xFF';
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(static_cast<std::uint32_t>(value) >> shift);
}

void putText(std::string& out, std::string text) {
    text.resize(std::min<std::size_t>(text.size(), 63));
    out += static_cast<char>(text.size());
    out += text;
}

// The record's bytes, its turn cut to a tenth: every report writes each turn's history, and a seed
// that runs fast leaves the fuzzer more runs. The order of a game's saves stays as it was.
std::string recordBytes(SaveRecord rec, std::uint8_t hashIndex) {
    rec.turn /= 10;
    std::string out;
    const int kind = rec.failure == quillmere::analysis::kNotLoaded ? 3
                     : !rec.failure.empty()                         ? 2
                     : !rec.blockText.empty()                       ? 1
                                                                    : 0;
    out += static_cast<char>(kind);
    putText(out, rec.fileName);
    if (rec.fileDate) {
        out += '\x01';
        const double days = std::floor(*rec.fileDate);
        putNumber(out, static_cast<std::int32_t>(days));
        out += static_cast<char>(static_cast<std::uint8_t>((*rec.fileDate - days) * 256));
    } else {
        out += '\0';
    }
    putText(out, rec.nickName);
    putText(out, kind == 1 ? rec.blockText : rec.failure);
    for (const auto number : {rec.leaderType, rec.civType, rec.level, rec.speedIndex, rec.turn, rec.turnLimit, rec.year,
                              rec.playTime, rec.loadCount, rec.gameOver, rec.victoryType, rec.score, rec.finalScore,
                              rec.cities, rec.units, rec.techs, rec.land})
        putNumber(out, number);
    putNumber(out, static_cast<std::int32_t>(std::lround(static_cast<double>(rec.landPercent) * 100)));
    putNumber(out, rec.population);
    putNumber(out, static_cast<std::int32_t>(std::lround(static_cast<double>(rec.populationPercent) * 100)));
    for (const auto number : {rec.culture1, rec.culture2, rec.culture3, rec.mapWidth, rec.mapHeight, rec.landTotal})
        putNumber(out, number);
    out += static_cast<char>(hashIndex);
    // A few points of the score history, enough for a chart's line.
    std::string history;
    int entries = 0;
    for (std::int32_t turn = 0; turn < std::min(rec.turn, 1200) && entries < 15; turn += std::max(1, rec.turn / 14)) {
        history += '\0';
        putNumber(history, turn);
        putNumber(history, quillmere::analysis::HistoryValue(rec, 0, turn));
        ++entries;
    }
    out += static_cast<char>(entries);
    return out + history;
}

std::vector<SaveRecord> recordsOf(const std::vector<quillmere::savewriter::ExampleSave>& batch) {
    std::vector<SaveRecord> records;
    for (const auto& save : batch) {
        SaveRecord rec;
        try {
            rec = quillmere::analysis::AnalyseSave(quillmere::load::AssembleWorkBuffer(save.bytes));
        } catch (const quillmere::load::LoadError& error) {
            rec.failure = error.what();
        }
        rec.fileName = save.fileName.substr(0, save.fileName.rfind('.'));
        rec.fileDate = kDefaultStart + save.daysAfterStart;
        records.push_back(std::move(rec));
    }
    return records;
}

// The records' part of an input: the sort key, then the records `chosen`.
std::string recordsBytes(const std::vector<SaveRecord>& records, std::initializer_list<std::size_t> chosen,
                         char sortKey) {
    std::string out(1, sortKey);
    std::map<quillmere::analysis::GameDigest, std::uint8_t> hashes;
    for (const auto i : chosen) {
        const auto hash = hashes.try_emplace(records[i].gameHash, static_cast<std::uint8_t>(hashes.size() % 4)).first;
        out += recordBytes(records[i], hash->second);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillmere-fuzz-tournament-corpus DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const auto write = [&](const std::string& name, const std::string& profile, const std::string& records) {
        std::ofstream out(dir / name, std::ios::binary);
        out << profile;
        if (!records.empty()) out << '\0' << records;
    };
    using namespace quillmere;
    const auto tournament = recordsOf(savewriter::TournamentBatch());
    const auto example = recordsOf(savewriter::ExampleBatch());
    const std::string cup = savewriter::TournamentProfile();
    session::Profile every = session::ParseProfile(cup);
    every.leaders = {1, 6, 16};
    every.civilizations = {0, 5, 7};
    every.levels = {3, 4};
    const std::string everyField = session::ProfileJson(every);

    // No more records than the target reads (four): a save chain and a duplicate pair among them.
    write("cup-chain", cup, recordsBytes(tournament, {0, 1, 2, 5}, '\0'));
    write("cup-duplicate", cup, recordsBytes(tournament, {3, 7, 4, 6}, '\1'));
    write("cup-example", cup, recordsBytes(example, {0, 1, 2, 3}, '\2'));
    write("every-field-example", everyField, recordsBytes(example, {4, 5, 6, 7}, '\3'));
    write("every-field-blocked-failed", everyField, recordsBytes(example, {8, 9, 10}, '\0'));
    write("every-field-tournament", everyField, recordsBytes(tournament, {3, 4, 5, 7}, '\1'));
    write("empty-profile-chain", "{}", recordsBytes(tournament, {0, 1, 2, 3}, '\2'));
    write("no-profile-duplicate", "", recordsBytes(tournament, {7, 3}, '\3'));
    write("cup-alone", cup, "");
    write("every-field-alone", everyField, "");
    return 0;
}
