// The teams and players of the game state: the second half of the save walk (see SaveWalker.cpp
// for the whole layout).

#include <algorithm>
#include <utility>

#include "analysis/SaveWalker.h"

namespace quillmere::analysis::walk {

void SaveWalker::readTeams() {
    m_reader.skip(kTeamBeforeFutureTechBytes);
    m_futureTechCount = m_reader.readInt();
    m_reader.skipInts(9);
    for (auto& known : m_known) known = m_reader.readBool() != 0;
    m_reader.skip(kTeamAfterKnownBytes);
    m_reader.skip(kSides - 1, kTeamBytes);
}

void SaveWalker::readPlayer(bool human) {
    const std::int32_t flags = m_reader.readInt();
    m_reader.skipInts(2);
    const std::int32_t population = m_reader.readInt();
    m_populationTotal += population;
    m_reader.skip(kInt + ((flags & 0x02) ? kInt : 0) + 17 * kInt + ((flags & 0x10) ? kInt : 0) + 53 * kInt);
    std::array<std::int32_t, 4> scoreStat{};
    for (auto& stat : scoreStat) stat = m_reader.readInt();
    m_reader.skip(5 * kBool + ((flags & 0x08) ? kBool : 0) + 3 * kBool + 62 * kInt + 28 * kBool +
                  ((flags & 0x01) ? 18 : 17) * kBool);
    m_reader.skipUStr();
    m_reader.skip(667 * kInt + 86 * kBool + ((flags & 0x20) ? 5 : 15) * kInt + 33 * kInt +
                  ((flags & 0x04) ? 72 * kInt : 0));
    m_reader.skipInts(m_reader.readInt());
    m_reader.skipInts(m_reader.readInt());
    skipTexts(m_reader.readInt());
    skipIntList();
    readPairGroups();
    skipIntList();
    const std::int32_t cities = readCount(kCityBytes);
    for (std::int32_t i = 0; i < cities; ++i) readCity(human);
    skipIntList();
    const std::int32_t units = readCount(kUnitBytes);
    for (std::int32_t i = 0; i < units; ++i) readUnit();
    skipIntList();
    readItems(kOrderBytes, [&] { readOrder(); });
    if (human) m_techTurn.fill(-1);
    readItems(kMessageBytes, [&] { readMessage(human); });
    if (human) {
        // A technology the side knows that no message names was had from the start.
        for (int i = 0; i < kTechCount; ++i) {
            if (m_techTurn[i] == -1 && m_known[i]) m_techTurn[i] = 0;
        }
    }
    readItems(kNoteBytes, [&] { readNote(); });
    readItems(kScriptBytes, [&] { readScript(); });
    readHistories(human);
    m_reader.skip(227 * kInt + 19 * kBool + 798 * kInt);

    if (human) {
        m_rec.population = population;
        m_scoreStat = scoreStat;
        m_rec.cities = cities;
        m_rec.units = units;
    }
}

void SaveWalker::readPairGroups() {
    readItems(kPairGroupBytes, [&] {
        m_reader.skipInts(38);
        m_reader.skip(m_reader.readInt(), kPairBytes);
    });
}

void SaveWalker::readCity(bool human) {
    const std::int32_t flags = m_reader.readInt();
    m_reader.skip((flags & 0x01 ? 70 : 69) * kInt + kCityBeforeCultureBytes);
    // One culture value per player index; the human player's is the first.
    const std::int32_t culture = m_reader.readInt();
    m_reader.skip((kSides - 1) * kInt + kCityAfterCultureBytes);
    skipTexts(2);
    m_reader.skip(kCityMiddleBytes);
    m_reader.skip(m_reader.readInt(), kCityItemBytes);
    m_reader.skip(kCityTailBytes);
    if (human && culture > m_culture[2]) {
        m_culture[2] = culture;
        if (m_culture[2] > m_culture[1]) std::swap(m_culture[2], m_culture[1]);
        if (m_culture[1] > m_culture[0]) std::swap(m_culture[1], m_culture[0]);
    }
}

void SaveWalker::readUnit() {
    m_reader.skip(kUnitHeadBytes);
    skipTexts(2);
    m_reader.skip(kUnitTailBytes);
}

void SaveWalker::readOrder() {
    m_reader.skip(3 * kInt + kBool + 3 * kInt);
    m_reader.skip(m_reader.readInt(), kPairBytes);
    m_reader.skip(m_reader.readInt(), 5 * kInt);
    m_reader.skip(3 * kInt + kBool + 3 * kInt);
}

void SaveWalker::readMessage(bool human) {
    if (human) {
        m_reader.readUStr(m_text);
    } else {
        m_reader.skipUStr();
    }
    skipTexts(2);
    m_reader.skip(4 * kInt + 2 * kBool);
    const std::int32_t turn = m_reader.readInt();
    m_reader.skip(3 * kInt + kBool);
    // Only the human player's technology turns are reported, so only its messages are matched.
    if (human) {
        load::CutMacros(m_text, m_cleaned);
        m_techNames.forEachNamedIn(m_cleaned, [&](int tech) { m_techTurn[tech] = turn; });
    }
}

void SaveWalker::readNote() {
    m_reader.skip(4 * kInt + 2 * kBool + kInt);
    skipTexts(3);
    skipTexts(2 * std::int64_t{readCount(2 * kEmptyText)});
}

void SaveWalker::readScript() {
    m_reader.skipInts(3);
    m_reader.skip(m_reader.readInt(), kScriptStepBytes);
    m_reader.skip(m_reader.readInt(), kScriptStepBytes);
    m_reader.skip(2 * kBool + kInt + 3 * kBool);
    m_reader.skipUStr();
    readItems(kScriptEntryBytes, [&] {
        const std::int32_t kind = m_reader.readInt();
        if (kind == 9 || kind == 10) {
            m_reader.skipUStr();
        } else {
            m_reader.skipInts(2);
        }
    });
}

void SaveWalker::readHistories(bool human) {
    for (int list = 0; list < kHistoryLists; ++list) {
        const std::int32_t pairs = readCount(kPairBytes);
        if (!human) {
            m_reader.skip(pairs, kPairBytes);
            continue;
        }
        auto& series = m_history[static_cast<std::size_t>(list)];
        for (std::int32_t i = 0; i < pairs; ++i) {
            const std::int32_t turn = m_reader.readInt();
            const std::int32_t value = m_reader.readInt();
            if (turn >= 0 && turn < kLastTurn) series[static_cast<std::size_t>(turn)] = value;
        }
        // A series holds as many turns as the list has pairs; a pair stored past that is dropped.
        const auto kept = static_cast<std::size_t>(std::clamp(pairs, 0, kHistoryTurns));
        std::fill(series.begin() + static_cast<std::ptrdiff_t>(kept), series.end(), 0);
    }
}

}  // namespace quillmere::analysis::walk
