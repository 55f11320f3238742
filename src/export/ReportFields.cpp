#include "export/ReportFields.h"

#include <algorithm>
#include <cmath>

#include "load/Windows1251.h"
#include "view/CellTexts.h"

namespace quillmere::exporting {

std::string_view StatusText(SaveStatus status) {
    switch (status) {
        case SaveStatus::Analysed:
            return "ok";
        case SaveStatus::Blocked:
            return "blocked";
        case SaveStatus::Failed:
            return "failed";
        default:
            return "not loaded";
    }
}

std::string FileNameUtf8(const analysis::SaveRecord& rec) { return load::FileNameToUtf8(rec.FileName); }

std::string NickNameUtf8(const analysis::SaveRecord& rec) { return load::Windows1251ToUtf8(rec.NickName); }

std::optional<std::string> IsoDateTime(double dateTime) {
    // The grid's text of the same value, "29-11-2005 14:00:00" or "29-11-2005", rearranged.
    const std::string text = view::DateTimeText(dateTime);
    if (text.size() < 10) return std::nullopt;
    std::string iso = text.substr(6, 4) + "-" + text.substr(3, 2) + "-" + text.substr(0, 2) + "T";
    iso += text.size() >= 19 ? text.substr(11, 8) : "00:00:00";
    return iso;
}

std::string Decimal2(long double value) {
    std::string text = view::Fixed2(value, '.');
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

std::string FlagsText(const analysis::SaveRecord& rec) {
    std::string text;
    for (const auto& flag : rec.Flags) text += (text.empty() ? "" : "; ") + flag;
    return text;
}

int HistoryTurns(const analysis::SaveRecord& rec) { return std::clamp(rec.Turn, 0, analysis::kHistoryTurns); }

}  // namespace quillmere::exporting
