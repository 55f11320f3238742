#include "export/CsvReport.h"

#include <array>
#include <vector>

#include "export/ReportFields.h"
#include "export/SafeText.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"
#include "view/CellTexts.h"

namespace quillmere::exporting {

namespace {

constexpr std::array<std::string_view, 34> kColumns = {
    "Row",       "File Name",     "Status",    "Nickname",    "Leader",      "Civilization", "Turn",
    "Year",      "Play Time (s)", "Score",     "Final",       "Level",       "Victory",      "File Date",
    "Play Days", "Reloads",       "Reload %",  "Session (s)", "Max Reloads", "Honesty",      "Reloads To Next Verdict",
    "Cities",    "Units",         "Techs",     "Land",        "Land %",      "Population",   "Population %",
    "Culture 1", "Culture 2",     "Culture 3", "Blocked",     "Failure",     "Flags"};

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

void appendRow(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        appendField(out, fields[i]);
    }
    out += "\r\n";
}

// The columns that hold texts from a save or a file system; the others hold numbers, dates and
// fixed words.
constexpr std::array<std::size_t, 9> kTextColumns = {1, 3, 4, 5, 11, 12, 31, 32, 33};

std::vector<std::string> fieldsOf(const analysis::SaveRecord& rec, std::size_t row) {
    const auto status = StatusOf(rec);
    std::vector<std::string> f(kColumns.size());
    f[0] = std::to_string(row);
    f[1] = FileNameUtf8(rec);
    f[2] = StatusText(status);
    if (rec.FileDate) f[13] = SpreadsheetDateTime(*rec.FileDate).value_or("");
    f[31] = status == SaveStatus::Blocked ? load::Windows1251ToUtf8(rec.BlockText) : "";
    f[32] = status == SaveStatus::Failed || status == SaveStatus::NotLoaded ? rec.Failure : "";
    f[33] = FlagsText(rec);
    if (status != SaveStatus::Analysed) return f;
    f[3] = NickNameUtf8(rec);
    f[4] = view::LeaderText(rec.LeaderType);
    f[5] = view::CivText(rec.CivType);
    f[6] = std::to_string(rec.Turn);
    f[7] = std::to_string(rec.Year);
    f[8] = std::to_string(rec.PlayTime);
    f[9] = std::to_string(rec.Score);
    f[10] = std::to_string(rec.FinalScore);
    f[11] = view::LevelText(rec.Level);
    f[12] = view::VictoryText(rec.GameOver, rec.VictoryType);
    if (const auto& judged = rec.Reload) {
        f[14] = std::to_string(judged->PlayDays);
        f[15] = std::to_string(judged->Reloads);
        f[16] = Decimal2(judged->ReloadPercent);
        f[17] = std::to_string(judged->SessionTime);
        f[18] = std::to_string(judged->MaxReloads);
        f[19] = view::VerdictText(judged->Honesty);
        if (const auto next = reload::ReloadsToNextVerdict(*judged)) f[20] = std::to_string(*next);
    }
    f[21] = std::to_string(rec.Cities);
    f[22] = std::to_string(rec.Units);
    f[23] = std::to_string(rec.Techs);
    f[24] = std::to_string(rec.Land);
    f[25] = Decimal2(rec.LandPercent);
    f[26] = std::to_string(rec.Population);
    f[27] = Decimal2(rec.PopulationPercent);
    f[28] = std::to_string(rec.Culture1);
    f[29] = std::to_string(rec.Culture2);
    f[30] = std::to_string(rec.Culture3);
    return f;
}

}  // namespace

std::string BuildCsvReport(const analysis::ResultTable& table) {
    std::string out;
    appendRow(out, std::vector<std::string>(kColumns.begin(), kColumns.end()));
    for (std::size_t i = 0; i < table.size(); ++i) {
        auto fields = fieldsOf(table[i], i + 1);
        for (const auto column : kTextColumns) fields[column] = CsvTextCell(fields[column]);
        appendRow(out, fields);
    }
    return out;
}

}  // namespace quillmere::exporting
