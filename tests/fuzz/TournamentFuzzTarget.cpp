#include "fuzz/TournamentFuzzTarget.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>
#include <numeric>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "session/Profile.h"
#include "session/Session.h"
#include "view/CellTexts.h"

namespace quillmere::fuzz {

namespace {

void require(bool invariant) {
    if (!invariant) std::abort();
}

// The records' bytes, read as the grammar in the header says; past the end every byte is 0.
class ByteSource {
public:
    explicit ByteSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    [[nodiscard]] bool empty() const { return m_pos >= m_bytes.size(); }

    std::uint8_t byte() { return empty() ? 0 : m_bytes[m_pos++]; }

    std::int32_t number() {
        const std::uint8_t first = byte();
        if (first < 0xF8) return static_cast<std::int32_t>(first) - 8;
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8) value |= static_cast<std::uint32_t>(byte()) << shift;
        return static_cast<std::int32_t>(value);
    }

    std::string text() {
        std::string text(byte() % 64, '\0');
        for (auto& c : text) c = static_cast<char>(byte());
        return text;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

// A save's texts end at their first zero byte, as the save reader cuts them.
std::string cutAtZero(std::string text) {
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

// A base name as a file system can hold it: no '/', no zero byte.
std::string fileNameOf(std::string text) {
    std::erase_if(text, [](char c) { return c == '/' || c == '\0'; });
    return text.empty() ? "save" : text;
}

analysis::SaveRecord recordOf(ByteSource& in) {
    analysis::SaveRecord rec;
    const int kind = in.byte() % 4;
    rec.fileName = fileNameOf(in.text());
    rec.path = "uploads/" + rec.fileName + ".sav";
    if (in.byte() != 0) {
        // Whole days of any 32-bit count: a file-system date reaches millions of years either way.
        const std::int32_t days = in.number();
        rec.fileDate = static_cast<double>(days) + in.byte() / 256.0;
    }
    rec.nickName = cutAtZero(in.text());
    const std::string text = in.text();
    std::int32_t* const numbers[] = {&rec.leaderType,  &rec.civType, &rec.level,      &rec.speedIndex, &rec.turn,
                                     &rec.turnLimit,   &rec.year,    &rec.playTime,   &rec.loadCount,  &rec.gameOver,
                                     &rec.victoryType, &rec.score,   &rec.finalScore, &rec.cities,     &rec.units,
                                     &rec.techs,       &rec.land};
    for (auto* number : numbers) *number = in.number();
    rec.landPercent = in.number() / 100.0L;
    rec.population = in.number();
    rec.populationPercent = in.number() / 100.0L;
    for (auto* number : {&rec.culture1, &rec.culture2, &rec.culture3, &rec.mapWidth, &rec.mapHeight, &rec.landTotal})
        *number = in.number();
    // Few distinct hashes, so that duplicates are common.
    rec.gameLength = 1;
    rec.gameHash = {0, in.byte() % 4u};
    // Series as the walk stores them: each up to its last value, of any length up to the longest game.
    for (int entries = in.byte() % 16; entries > 0; --entries) {
        if (rec.history.empty()) rec.history.resize(analysis::kHistoryCategories);
        auto& series = rec.history[in.byte() % analysis::kHistoryCategories];
        const auto turn = static_cast<std::uint32_t>(in.number()) % analysis::kHistoryTurns;
        if (series.size() <= turn) series.resize(turn + 1);
        series[turn] = in.number();
    }
    switch (kind) {
        case 1:
            rec.blockText = cutAtZero(text);
            break;
        case 2:
        case 3: {
            // A record that failed keeps only its file's name and date.
            analysis::SaveRecord failed;
            failed.path = rec.path;
            failed.fileName = rec.fileName;
            failed.fileDate = rec.fileDate;
            failed.failure = kind == 3 ? std::string(analysis::kNotLoaded) : text.empty() ? "damaged" : text;
            return failed;
        }
        default:
            break;
    }
    return rec;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const auto end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + separator.size();
    }
}

// The results file: the header and one line per row, CR LF between them, each line 32 cells with
// "; " after each but the very last (so 33 parts), whatever the names hold.
void ResultsFileKeepsOneLineOfEveryCellPerRow(const std::string& text, std::size_t rows) {
    const auto lines = split(text + "; ", "\r\n");
    require(lines.size() == rows + 1);
    for (const auto& line : lines) require(split(line, "; ").size() == 33);
}

// No cell of the results file holds a control character but tab: no line break, no escape sequence.
void ResultsFileCellsHoldNoControlCharacters(const std::string& text) {
    for (const auto& line : split(text, "\r\n")) {
        for (const unsigned char c : line) require((c >= 0x20 && c != 0x7F) || c == '\t');
    }
}

// RFC 4180 fields, or nothing when the text is not RFC 4180 with CR LF line ends.
std::optional<std::vector<std::vector<std::string>>> csvRecordsOf(std::string_view text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::string field;
        if (text[pos] == '"') {
            for (++pos;; ++pos) {
                if (pos >= text.size()) return std::nullopt;
                if (text[pos] == '"') {
                    if (pos + 1 < text.size() && text[pos + 1] == '"') {
                        field += '"';
                        ++pos;
                        continue;
                    }
                    ++pos;
                    break;
                }
                field += text[pos];
            }
        } else {
            const auto end = std::min(text.find_first_of(",\r\n\"", pos), text.size());
            field.assign(text.substr(pos, end - pos));
            pos = end;
        }
        fields.push_back(std::move(field));
        if (text.substr(pos, 1) == ",") {
            ++pos;
        } else if (text.substr(pos, 2) == "\r\n") {
            pos += 2;
            records.push_back(std::move(fields));
            fields.clear();
        } else {
            return std::nullopt;
        }
    }
    if (!fields.empty()) return std::nullopt;
    return records;
}

// The CSV parses as RFC 4180: the header and one record per row, each with the header's field count.
void CsvHasOneRecordPerRowWithTheHeadersFields(const std::string& text, std::size_t rows) {
    const auto records = csvRecordsOf(text);
    require(records && records->size() == rows + 1);
    for (const auto& record : *records) require(record.size() == records->front().size());
}

bool isPlainNumber(std::string_view cell) {
    if (cell.starts_with('-')) cell.remove_prefix(1);
    const auto digits = std::min(cell.find_first_not_of("0123456789"), cell.size());
    if (digits == 0) return false;
    cell.remove_prefix(digits);
    if (cell.empty()) return true;
    return cell.size() > 1 && cell[0] == '.' && cell.find_first_not_of("0123456789", 1) == std::string_view::npos;
}

// No text cell starts what a spreadsheet takes for a formula; numbers stay plain numbers.
void CsvTextCellsStartNoFormula(const std::string& text) {
    const auto records = csvRecordsOf(text);
    require(records.has_value());
    for (const auto& record : *records) {
        for (const auto& cell : record) {
            require(cell.empty() || isPlainNumber(cell) ||
                    std::string_view("=+-@\t\r").find(cell[0]) == std::string_view::npos);
        }
    }
}

// Counts the objects of the top-level "saves" array while a parser checks the syntax; no document is
// built, for the histories make it the largest output by far.
class SaveCounter : public nlohmann::json_sax<nlohmann::json> {
public:
    std::size_t saves = 0;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override {
        if (m_depth == 2 && m_topKey == "saves") ++saves;
        ++m_depth;
        return true;
    }
    bool key(string_t& key) override {
        if (m_depth == 1) m_topKey = key;
        return true;
    }
    bool end_object() override { return --m_depth >= 0; }
    bool start_array(std::size_t) override { return ++m_depth > 0; }
    bool end_array() override { return --m_depth >= 0; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    int m_depth = 0;
    std::string m_topKey;
};

// The JSON is one document with one save per row.
void JsonParsesWithOneSavePerRow(const std::string& text, std::size_t rows) {
    SaveCounter counter;
    require(nlohmann::json::sax_parse(text, &counter) && counter.saves == rows);
}

// Every '<' of the page opens one of the writer's own elements: no text from a save becomes markup.
// The one script, the sort's, stands after the table and the charts, just before the body ends.
void HtmlTagsAreTheWritersOwn(const std::string& html) {
    static const std::set<std::string, std::less<>> kTags = {
        "!DOCTYPE", "html", "head",   "meta",       "title", "style", "body",     "h1",  "h2",
        "p",        "div",  "table",  "thead",      "tbody", "tr",    "th",       "td",  "span",
        "ul",       "li",   "figure", "figcaption", "svg",   "line",  "polyline", "text"};
    const auto script = html.find("<script>");
    require(script != std::string::npos && html.find("<script", script + 1) == std::string::npos);
    const auto scriptEnd = html.find("</script>\n</body>\n</html>\n", script);
    require(scriptEnd != std::string::npos && scriptEnd + 26 == html.size());
    for (auto open = html.find('<'); open != std::string::npos && open < script; open = html.find('<', open + 1)) {
        const auto start = open + (html.compare(open + 1, 1, "/") == 0 ? 2 : 1);
        const auto end = html.find_first_of(" >\n", start);
        require(end != std::string::npos && kTags.contains(std::string_view(html).substr(start, end - start)));
    }
}

// A profile the reader took is written back to the same text.
void ProfileReadsBackAsWritten(const session::Profile& profile) {
    const auto text = session::ProfileJson(profile);
    require(session::ProfileJson(session::ParseProfile(text)) == text);
}

}  // namespace

int FuzzTournamentInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(data, size);
    const auto profileEnd = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    std::optional<session::Profile> profile;
    try {
        profile = session::ParseProfile(std::string(bytes.begin(), profileEnd));
        ProfileReadsBackAsWritten(*profile);
    } catch (const session::ProfileError&) {
        // Refusing a profile is a result, not a failure.
    }

    ByteSource in(profileEnd == bytes.end() ? bytes.subspan(size) : bytes.subspan(profileEnd - bytes.begin() + 1));
    const auto sortKey = static_cast<view::SortKey>(in.byte() % 4);
    analysis::ResultTable records;
    while (!in.empty() && records.size() < kMostRecords) records.push_back(recordOf(in));

    session::Session session(2026);
    session.setProfile(profile);
    session.adopt(std::move(records));
    session.sortBy(sortKey);
    const std::size_t rows = session.size();

    std::vector<std::size_t> all(rows);
    std::iota(all.begin(), all.end(), std::size_t{0});
    for (const auto encoding : {view::TextEncoding::Windows1251, view::TextEncoding::Utf8}) {
        const view::FormatOptions options{encoding == view::TextEncoding::Utf8 ? '.' : ',', encoding};
        for (std::size_t i = 0; i < rows; ++i)
            require(session.rowTexts(i, options).reload[view::ReloadColumn::Penalty].empty());
        require(!view::TabSeparatedRows(session.records(), all, options).empty());
        const auto results = session.report(session::ReportFormat::Results, options);
        ResultsFileKeepsOneLineOfEveryCellPerRow(results, rows);
        ResultsFileCellsHoldNoControlCharacters(results);
    }
    HtmlTagsAreTheWritersOwn(session.report(session::ReportFormat::Html, {',', view::TextEncoding::Utf8}));
    const auto csv = session.report(session::ReportFormat::Csv, {});
    CsvHasOneRecordPerRowWithTheHeadersFields(csv, rows);
    CsvTextCellsStartNoFormula(csv);
    // The histories dominate the document's size; one save's are enough to cover them.
    std::string json;
    session.writeReport(session::ReportFormat::Json, {}, {.histories = rows <= 1},
                        [&](std::string_view part) { json += part; });
    JsonParsesWithOneSavePerRow(json, rows);
    return 0;
}

}  // namespace quillmere::fuzz

#ifdef QUILLMERE_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillmere::fuzz::FuzzTournamentInput(data, size);
}
#endif
