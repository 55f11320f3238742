#include "view/RowLook.h"

#include "load/Windows1251.h"
#include "view/CellTexts.h"

namespace quillmere::view {

RowLook LookOf(const analysis::SaveRecord& rec, Grid grid) {
    RowLook look;
    switch (analysis::StatusOf(rec)) {
        case analysis::SaveStatus::NotLoaded:
            look.tint = RowTint::NotLoaded;
            break;
        case analysis::SaveStatus::Failed:
            look.tint = RowTint::Failed;
            break;
        case analysis::SaveStatus::Blocked:
            look.tint = RowTint::Blocked;
            break;
        case analysis::SaveStatus::Analysed:
            if (grid == Grid::Flags && !rec.flags.empty()) look.tint = RowTint::Flagged;
            break;
    }
    if (!analysis::ShowsDetails(rec)) {
        look.toolTip = RowReason(rec);
    } else if (grid == Grid::Flags) {
        for (const auto& flag : rec.flags) look.toolTip += (look.toolTip.empty() ? "" : "\n") + flag;
    }
    return look;
}

std::string CellToolTip(const analysis::SaveRecord& rec, Grid grid, std::size_t column) {
    auto look = LookOf(rec, grid);
    if (!look.toolTip.empty()) return std::move(look.toolTip);
    if (grid == Grid::Reload && column == IndexOf(ReloadColumn::Honesty) && rec.reload)
        return VerdictExplanation(*rec.reload, rec.loadCount);
    return {};
}

std::string_view TintName(RowTint tint) {
    switch (tint) {
        case RowTint::NotLoaded:
            return "notLoaded";
        case RowTint::Failed:
            return "failed";
        case RowTint::Blocked:
            return "blocked";
        case RowTint::Flagged:
            return "flagged";
        case RowTint::None:
            break;
    }
    return {};
}

std::vector<SortShows> SortButtonMarks(std::optional<SortKey> last, const SortDirections& directions) {
    std::vector<SortShows> marks;
    for (const auto key : {SortKey::FileName, SortKey::Turn, SortKey::Score, SortKey::FinalScore}) {
        // The click flipped the key's direction: the rows stand in the other one.
        marks.push_back(!last || *last != key ? SortShows::Key
                        : directions.of(key)  ? SortShows::Descending
                                              : SortShows::Ascending);
    }
    return marks;
}

std::string_view SortMarkText(SortShows shows) {
    switch (shows) {
        case SortShows::Ascending:
            return "\u25B2";
        case SortShows::Descending:
            return "\u25BC";
        case SortShows::Key:
            break;
    }
    return "\u2022";
}

std::string_view SortMarkTitle(SortShows shows) {
    switch (shows) {
        case SortShows::Ascending:
            return "Sorted by this column, smallest first; click to reverse";
        case SortShows::Descending:
            return "Sorted by this column, largest first; click to reverse";
        case SortShows::Key:
            break;
    }
    return "Sort by this column";
}

std::string FoldedCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 'A' && byte <= 'Z') {
            folded += static_cast<char>(byte + 32);
            continue;
        }
        if (byte < 0xC0 || i + 1 == text.size()) {
            folded += static_cast<char>(byte);
            continue;
        }
        // Two-byte sequences: U+00C0-U+00DE (but the sign U+00D7), U+0400-U+042F.
        const auto next = static_cast<unsigned char>(text[i + 1]);
        unsigned point = (byte & 0x1FU) << 6 | (next & 0x3FU);
        if ((byte & 0xE0) != 0xC0 || (next & 0xC0) != 0x80) {
            folded += static_cast<char>(byte);
            continue;
        }
        if ((point >= 0xC0 && point <= 0xDE && point != 0xD7) || (point >= 0x410 && point <= 0x42F)) {
            point += 0x20;
        } else if (point >= 0x400 && point <= 0x40F) {
            point += 0x50;
        }
        folded += static_cast<char>(0xC0 | point >> 6);
        folded += static_cast<char>(0x80 | (point & 0x3F));
        ++i;
    }
    return folded;
}

RowFilter FilterRows(const analysis::ResultTable& table, std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    const std::string wanted = first == std::string_view::npos
                                   ? std::string()
                                   : FoldedCase(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
    RowFilter filter;
    filter.shown.assign(table.size(), true);
    if (wanted.empty()) return filter;
    for (std::size_t row = 0; row < table.size(); ++row) {
        const auto& rec = table[row];
        const bool match = FoldedCase(load::FileNameToUtf8(rec.fileName)).find(wanted) != std::string::npos ||
                           FoldedCase(load::Windows1251ToUtf8(rec.nickName)).find(wanted) != std::string::npos;
        filter.shown[row] = match;
        filter.hidden += match ? 0 : 1;
    }
    filter.note = std::to_string(filter.hidden) + " of " + std::to_string(table.size()) + " rows hidden";
    return filter;
}

}  // namespace quillmere::view
