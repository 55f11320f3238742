#include "export/CsvReport.h"

#include <array>

#include "export/ReportFields.h"
#include "export/SafeText.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"
#include "view/CellTexts.h"

namespace quillmere::exporting {

namespace {

enum class Column {
    Row,
    FileName,
    Status,
    NickName,
    Leader,
    Civilization,
    Turn,
    Year,
    PlayTime,
    Score,
    FinalScore,
    Level,
    Victory,
    FileDate,
    PlayDays,
    Reloads,
    ReloadPercent,
    SessionTime,
    MaxReloads,
    Honesty,
    ReloadsToNextVerdict,
    Cities,
    Units,
    Techs,
    Land,
    LandPercent,
    Population,
    PopulationPercent,
    Culture1,
    Culture2,
    Culture3,
    Blocked,
    Failure,
    Flags,
};

// A column's header, and whether it holds texts from a save or a file system rather than numbers,
// dates and fixed words.
struct ColumnSpec {
    std::string_view header;
    bool text = false;
};

constexpr auto kColumns = std::to_array<ColumnSpec>({
    {"Row"},
    {"File Name", true},
    {"Status"},
    {"Nickname", true},
    {"Leader", true},
    {"Civilization", true},
    {"Turn"},
    {"Year"},
    {"Play Time (s)"},
    {"Score"},
    {"Final"},
    {"Level", true},
    {"Victory", true},
    {"File Date"},
    {"Play Days"},
    {"Reloads"},
    {"Reload %"},
    {"Session (s)"},
    {"Max Reloads"},
    {"Honesty"},
    {"Reloads To Next Verdict"},
    {"Cities"},
    {"Units"},
    {"Techs"},
    {"Land"},
    {"Land %"},
    {"Population"},
    {"Population %"},
    {"Culture 1"},
    {"Culture 2"},
    {"Culture 3"},
    {"Blocked", true},
    {"Failure", true},
    {"Flags", true},
});
static_assert(kColumns.size() == static_cast<std::size_t>(Column::Flags) + 1);

// One row's fields, indexed by column.
struct Fields {
    std::array<std::string, kColumns.size()> texts;

    std::string& operator[](Column column) { return texts[static_cast<std::size_t>(column)]; }
};

void appendField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

template <typename Texts>
void appendRow(std::string& out, const Texts& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        appendField(out, fields[i]);
    }
    out += "\r\n";
}

Fields fieldsOf(const analysis::SaveRecord& rec, std::size_t row) {
    using enum Column;
    const auto status = StatusOf(rec);
    Fields f;
    f[Row] = std::to_string(row);
    f[FileName] = FileNameUtf8(rec);
    f[Status] = StatusText(status);
    if (rec.fileDate) f[FileDate] = SpreadsheetDateTime(*rec.fileDate).value_or("");
    f[Blocked] = status == SaveStatus::Blocked ? load::Windows1251ToUtf8(rec.blockText) : "";
    f[Failure] = status == SaveStatus::Failed || status == SaveStatus::NotLoaded ? rec.failure : "";
    f[Flags] = FlagsText(rec);
    if (status != SaveStatus::Analysed) return f;
    f[NickName] = NickNameUtf8(rec);
    f[Leader] = view::LeaderText(rec.leaderType);
    f[Civilization] = view::CivText(rec.civType);
    f[Turn] = std::to_string(rec.turn);
    f[Year] = std::to_string(rec.year);
    f[PlayTime] = std::to_string(rec.playTime);
    f[Score] = std::to_string(rec.score);
    f[FinalScore] = std::to_string(rec.finalScore);
    f[Level] = view::LevelText(rec.level);
    f[Victory] = view::VictoryText(rec.gameOver, rec.victoryType);
    if (const auto& judged = rec.reload) {
        f[PlayDays] = std::to_string(judged->playDays);
        f[Reloads] = std::to_string(judged->reloads);
        f[ReloadPercent] = Decimal2(judged->reloadPercent);
        f[SessionTime] = std::to_string(judged->sessionTime);
        f[MaxReloads] = std::to_string(judged->maxReloads);
        f[Honesty] = view::VerdictText(judged->honesty);
        if (const auto next = reload::ReloadsToNextVerdict(*judged)) f[ReloadsToNextVerdict] = std::to_string(*next);
    }
    f[Cities] = std::to_string(rec.cities);
    f[Units] = std::to_string(rec.units);
    f[Techs] = std::to_string(rec.techs);
    f[Land] = std::to_string(rec.land);
    f[LandPercent] = Decimal2(rec.landPercent);
    f[Population] = std::to_string(rec.population);
    f[PopulationPercent] = Decimal2(rec.populationPercent);
    f[Culture1] = std::to_string(rec.culture1);
    f[Culture2] = std::to_string(rec.culture2);
    f[Culture3] = std::to_string(rec.culture3);
    return f;
}

}  // namespace

std::string BuildCsvReport(const analysis::ResultTable& table, bool byteOrderMark) {
    std::string out = byteOrderMark ? "\xEF\xBB\xBF" : "";
    std::array<std::string_view, kColumns.size()> headers;
    for (std::size_t c = 0; c < kColumns.size(); ++c) headers[c] = kColumns[c].header;
    appendRow(out, headers);
    for (std::size_t i = 0; i < table.size(); ++i) {
        auto fields = fieldsOf(table[i], i + 1);
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            if (kColumns[c].text) fields.texts[c] = CsvTextCell(fields.texts[c]);
        }
        appendRow(out, fields.texts);
    }
    return out;
}

}  // namespace quillmere::exporting
