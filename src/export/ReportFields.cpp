#include "export/ReportFields.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "load/DateTime.h"
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
        case SaveStatus::NotLoaded:
            break;
    }
    return "not loaded";
}

std::string FileNameUtf8(const analysis::SaveRecord& rec) { return load::FileNameToUtf8(rec.fileName); }

std::string NickNameUtf8(const analysis::SaveRecord& rec) { return load::Windows1251ToUtf8(rec.nickName); }

std::optional<std::string> IsoDateTime(double dateTime) {
    const auto parts = load::SplitDateTime(dateTime);
    if (!parts) return std::nullopt;
    char text[24];
    std::snprintf(text, sizeof text, "%.4d-%.2u-%.2uT%.2d:%.2d:%.2d", static_cast<int>(parts->date.year()),
                  static_cast<unsigned>(parts->date.month()), static_cast<unsigned>(parts->date.day()), parts->hour,
                  parts->minute, parts->second);
    return text;
}

std::optional<std::string> IsoDateTime(double dateTime, std::int32_t utcOffset) {
    auto iso = IsoDateTime(dateTime);
    if (!iso) return iso;
    // Offsets are whole minutes in every time zone in use; seconds beyond them are dropped.
    const auto minutes = static_cast<int>(std::abs(static_cast<std::int64_t>(utcOffset)) / 60 % 6000);
    char offset[8];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", utcOffset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return *iso + offset;
}

std::optional<std::string> SpreadsheetDateTime(double dateTime) {
    auto text = IsoDateTime(dateTime);
    if (text) (*text)[10] = ' ';
    return text;
}

std::string Decimal2(long double value) {
    std::string text = view::Fixed2(value, '.');
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

}  // namespace quillmere::exporting
