#include "savewriter/SaveContent.h"

#include <string_view>

namespace quillmere::savewriter {

namespace {

// Filler for skipped values: never zero, and 5A bytes never form the 78 9C stream marker.
constexpr std::int32_t kFillInt = 0x5A5A5A5A;
constexpr std::int16_t kFillShort = 0x5A5A;
constexpr std::uint8_t kFillByte = 0x5A;
constexpr std::string_view kFillText = "filler";

std::size_t countOf(std::int32_t n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

// The layouts below mirror, field for field, what the save walk reads.
class LayoutWriter {
public:
    // A non-zero `fillerSeed` varies the filler, as a real game's values vary.
    explicit LayoutWriter(ByteWriter& w, std::uint32_t fillerSeed = 0, bool emptyTexts = false)
        : m_w(w), m_state(fillerSeed), m_fillText(emptyTexts ? "" : kFillText) {}

    void Header(const HeaderContent& h);
    void Game(const GameContent& g);
    void Team(const TeamContent& t);
    void Player(const PlayerContent& p, int index);

private:
    void ints(std::size_t n) {
        if (m_state == 0) {
            m_w.Ints(n, kFillInt);
            return;
        }
        for (std::size_t i = 0; i < n; ++i) m_w.Int(static_cast<std::int32_t>(0x5A5A5A00u | (next() & 0x03u)));
    }
    void shorts(std::size_t n) {
        if (m_state == 0) {
            m_w.Shorts(n, kFillShort);
            return;
        }
        for (std::size_t i = 0; i < n; ++i) m_w.Short(static_cast<std::int16_t>(0x5A00 | (next() & 0x03)));
    }
    void bools(std::size_t n) {
        if (m_state == 0) {
            m_w.Bools(n, kFillByte);
            return;
        }
        for (std::size_t i = 0; i < n; ++i) m_w.Bool(static_cast<std::uint8_t>(1 + ((next() & 3) == 0)));
    }
    // xorshift: the same seed gives the same bytes on every platform.
    std::uint32_t next() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    void texts(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) m_w.UStr(m_fillText);
    }
    void intList(std::int32_t n) {
        m_w.Int(n);
        ints(4);
        ints(countOf(n));
    }
    void plot(const PlotContent& plot);
    void city(const CityContent& c, int owner);
    void unit();

    ByteWriter& m_w;
    std::uint32_t m_state;
    std::string_view m_fillText;
};

void LayoutWriter::Header(const HeaderContent& h) {
    m_w.Int(h.saveVersion);
    for (int i = 0; i < 2; ++i) m_w.Str(kFillText);
    ints(1);
    for (int i = 0; i < 5; ++i) m_w.Str(kFillText);
    m_w.Int(h.headerFlags);
    ints(1);
    texts(4);
    bools(1);
    m_w.Int(h.costSetting);
    ints(3);
    m_w.Int(h.speedIndex);
    ints(2);
    m_w.Int(h.intCount);
    ints(countOf(h.intCount));
    m_w.Int(h.boolCount);
    bools(countOf(h.boolCount));
    bools(13 + ((h.headerFlags & 2) != 0) + ((h.headerFlags & 8) != 0) + ((h.headerFlags & 16) != 0));
    bools(4);
    ints(5);
    // The slots are stored by column.
    for (const auto& slot : h.slots) m_w.UStr(slot.name);
    texts(3 * kSides);
    for (const auto& slot : h.slots) m_w.UStr(slot.block);
    texts(2 * kSides);
    bools(kSides);
    texts(kSides);
    for (const auto& slot : h.slots) m_w.Int(slot.civ);
    for (const auto& slot : h.slots) m_w.Int(slot.leader);
    ints(4 * kSides);
    ints(2 * kSides);
    bools(2 * kSides);
}

void LayoutWriter::Game(const GameContent& g) {
    std::array<std::int32_t, 25> head;
    head.fill(kFillInt);
    head[2] = g.turn;
    head[5] = g.turnLimit;
    head[6] = g.rawPlayTime;
    for (std::size_t k = 0; k < 4; ++k) {
        head[16 + k] = g.scoreEnd[k];
        head[20 + k] = g.scoreStart[k];
    }
    for (const auto v : head) m_w.Int(v);
    bools(5);
    m_w.Int(g.level).Ints(3, kFillInt).Int(g.victoryType).Int(g.gameOver);
    m_w.UStr(g.title);
    // Seven arrays of 19; the score is the first entry of the fourth.
    ints(3 * kSides);
    m_w.Int(g.score);
    ints(4 * kSides - 1 + 83 + 65 + 100 + 11 + 25 + 10 + 7);
    bools(3 + 4 + 10);
    ints(7 * 2 + 18 * 10);
    m_w.Int(g.texts);
    texts(countOf(g.texts));
    intList(g.ints);
    m_w.Int(static_cast<std::int32_t>(g.groups.size()));
    for (const auto& [k1, k2] : g.groups) {
        ints(5);
        m_w.Int(k1);
        ints(3 * countOf(k1));
        m_w.Int(k2);
        ints(3 * countOf(k2));
    }
    ints(2);
    m_w.Int(g.replayCount.value_or(g.replayMessages));
    for (std::int32_t i = 0; i < g.replayMessages; ++i) {
        ints(5);
        m_w.UStr(m_fillText.empty() ? "" : "a replay message");
        ints(1);
    }
    m_w.Int(g.loadCount);
    ints(3);
    m_w.Int(g.width).Int(g.height).Int(g.landTotal);
    ints(4);
    bools(2);
    ints(70);
    for (const auto& p : g.plots) plot(p);
    intList(g.intsF);
    m_w.Int(g.tailBlocks);
    for (std::int32_t i = 0; i < g.tailBlocks; ++i) {
        ints(9);
        bools(1);
        ints(13 * 19 + 19 * 2 + 19 * 3 + 2 * 19 * 35 + 35 + 24);
    }
}

void LayoutWriter::plot(const PlotContent& p) {
    m_w.Int(p.flags);
    shorts(2);
    ints(1);
    shorts(1 + ((p.flags & 4) != 0) + ((p.flags & 2) != 0) + 3);
    ints(1);
    shorts(3);
    bools(6);
    m_w.Char(p.owner).Short(p.kind);
    shorts(5);
    bools(2);
    ints(6);
    shorts(3);
    ints(19);
    shorts(19);
    bools(19);
    ints(19);
    shorts(2 * 19);
    bools(19 + 8 + 19);
    shorts(2 * 19);
    texts((p.flags & 1) != 0 ? 1 : 2);
    shorts(22);
    bools(19 * 7);
    shorts(19);
    m_w.Int(p.pairs);
    ints(2 * countOf(p.pairs));
}

void LayoutWriter::Team(const TeamContent& t) {
    ints(20);
    bools(1);
    ints(65);
    bools(114);
    ints(289 + 86 + 85);
    m_w.Int(t.futureTechCount);
    ints(9);
    for (std::size_t i = 0; i < kTechs; ++i) m_w.Bool(t.known[i] ? 1 : 0);
    bools(86);
    ints(282);
}

void LayoutWriter::Player(const PlayerContent& p, int index) {
    const std::int32_t f = p.flags;
    m_w.Int(f);
    ints(2);
    m_w.Int(p.population);
    ints(1 + ((f & 0x02) != 0) + 17 + ((f & 0x10) != 0) + 53);
    for (const auto stat : p.scoreStat) m_w.Int(stat);
    bools(5 + ((f & 0x08) != 0) + 3);
    ints(62);
    bools(28 + ((f & 0x01) != 0 ? 18 : 17));
    texts(1);
    ints(667);
    bools(86);
    ints((f & 0x20) != 0 ? 5 : 15);
    ints(33 + ((f & 0x04) != 0 ? 72 : 0));
    m_w.Int(p.intsA);
    ints(countOf(p.intsA));
    m_w.Int(p.intsB);
    ints(countOf(p.intsB));
    m_w.Int(p.texts);
    texts(countOf(p.texts));
    intList(p.indexedLists[0]);
    m_w.Int(static_cast<std::int32_t>(p.pairGroups.size()));
    for (const auto pairs : p.pairGroups) {
        ints(38);
        m_w.Int(pairs);
        ints(2 * countOf(pairs));
    }
    intList(p.indexedLists[1]);
    m_w.Int(static_cast<std::int32_t>(p.cities.size()));
    for (const auto& c : p.cities) city(c, index);
    intList(p.indexedLists[2]);
    m_w.Int(p.units);
    for (std::int32_t i = 0; i < p.units; ++i) unit();
    intList(p.indexedLists[3]);
    m_w.Int(static_cast<std::int32_t>(p.orders.size()));
    for (const auto& order : p.orders) {
        ints(3);
        bools(1);
        ints(3);
        m_w.Int(order.pairs);
        ints(2 * countOf(order.pairs));
        m_w.Int(order.steps);
        ints(5 * countOf(order.steps));
        ints(3);
        bools(1);
        ints(3);
    }
    m_w.Int(static_cast<std::int32_t>(p.messages.size()));
    for (const auto& message : p.messages) {
        m_w.UStr(message.text, message.wide);
        texts(2);
        ints(4);
        bools(2);
        m_w.Int(message.turn);
        ints(3);
        bools(1);
    }
    m_w.Int(static_cast<std::int32_t>(p.notes.size()));
    for (const auto pairs : p.notes) {
        ints(4);
        bools(2);
        ints(1);
        texts(3);
        m_w.Int(pairs);
        texts(2 * countOf(pairs));
    }
    m_w.Int(static_cast<std::int32_t>(p.scripts.size()));
    for (const auto& script : p.scripts) {
        ints(3);
        for (const auto steps : {script.steps, script.moreSteps}) {
            m_w.Int(steps);
            for (std::size_t i = 0; i < countOf(steps); ++i) {
                ints(2);
                bools(4);
            }
        }
        bools(2);
        ints(1);
        bools(3);
        texts(1);
        m_w.Int(static_cast<std::int32_t>(script.entryKinds.size()));
        for (const auto kind : script.entryKinds) {
            m_w.Int(kind);
            if (kind == 9 || kind == 10) {
                texts(1);
            } else {
                ints(2);
            }
        }
    }
    for (const auto& list : p.history) {
        m_w.Int(static_cast<std::int32_t>(list.size()));
        for (const auto& [turn, value] : list) m_w.Int(turn).Int(value);
    }
    ints(227);
    bools(19);
    ints(798);
}

void LayoutWriter::city(const CityContent& c, int owner) {
    m_w.Int(c.flags);
    ints(69 + ((c.flags & 1) != 0) + 2);
    bools(8);
    ints(54);
    for (int i = 0; i < kSides; ++i) m_w.Int(i == owner ? c.culture : kFillInt);
    ints(19);
    bools(57);
    texts(2);
    ints(921);
    bools(228);
    ints(16);
    m_w.Int(c.items);
    for (std::size_t i = 0; i < countOf(c.items); ++i) {
        ints(3);
        bools(4);
    }
    ints(3);
    bools(2);
    ints(50);
    bools(6);
}

void LayoutWriter::unit() {
    ints(46);
    bools(5);
    ints(11);
    texts(2);
    bools(41);
    ints(42);
}

// A generous guess of the game state's size, so that big saves are written without regrowing.
std::size_t sizeGuess(const SaveContent& content) {
    std::size_t bytes = 64 * 1024 + content.game.plots.size() * 800 + countOf(content.game.replayMessages) * 64 +
                        countOf(content.game.tailBlocks) * 7000;
    for (const auto& p : content.players) {
        bytes += 16 * 1024 + p.cities.size() * 5200 + countOf(p.units) * 512;
        for (const auto& m : p.messages) bytes += 96 + 2 * m.text.size();
        for (const auto& list : p.history) bytes += 8 * list.size();
    }
    return bytes;
}

}  // namespace

Container ToContainer(const SaveContent& content) {
    ByteWriter header;
    LayoutWriter(header).Header(content.header);
    ByteWriter game;
    game.Reserve(sizeGuess(content));
    LayoutWriter writer(game, content.fillerSeed, content.emptyTexts);
    writer.Game(content.game);
    for (const auto& team : content.teams) writer.Team(team);
    for (int k = 0; k < kSides; ++k) writer.Player(content.players[static_cast<std::size_t>(k)], k);
    Container container;
    container.header = header.take();
    container.gameState = game.take();
    return container;
}

std::vector<std::uint8_t> BuildSave(const SaveContent& content) { return BuildContainer(ToContainer(content)); }

}  // namespace quillmere::savewriter
