#include "view/RowLook.h"

#include <algorithm>

#include "load/Windows1251.h"
#include "view/CellTexts.h"

namespace quillmere::view {

namespace {

std::string FlagLines(const analysis::SaveRecord& rec) {
    std::string lines;
    for (const auto& flag : rec.flags) lines += (lines.empty() ? "" : "\n") + flag;
    return lines;
}

}  // namespace

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
        look.toolTip = FlagLines(rec);
    }
    return look;
}

std::string CellToolTip(const analysis::SaveRecord& rec, Grid grid, std::size_t column) {
    auto look = LookOf(rec, grid);
    if (!look.toolTip.empty()) return std::move(look.toolTip);
    switch (MarkOf(rec, grid, column)) {
        case CellMark::Fair:
        case CellMark::Average:
        case CellMark::Cheat:
            return VerdictExplanation(*rec.reload, rec.loadCount);
        case CellMark::Flagged:
            return FlagLines(rec);
        case CellMark::None:
            break;
    }
    if (grid == Grid::Base && column == IndexOf(BaseColumn::FinalScore) && analysis::ShowsDetails(rec))
        return FinalScoreExplanation(rec);
    return {};
}

CellMark MarkOf(const analysis::SaveRecord& rec, Grid grid, std::size_t column) {
    if (!analysis::ShowsDetails(rec)) return CellMark::None;
    if (column == kFileNameColumn) return rec.flags.empty() ? CellMark::None : CellMark::Flagged;
    if (grid != Grid::Reload || column != IndexOf(ReloadColumn::Honesty) || !rec.reload) return CellMark::None;
    switch (rec.reload->honesty) {
        case analysis::Verdict::Fair:
            return CellMark::Fair;
        case analysis::Verdict::Average:
            return CellMark::Average;
        case analysis::Verdict::Cheat:
            return CellMark::Cheat;
    }
    return CellMark::None;
}

namespace {

struct MarkLook {
    std::string_view sign, colour, name;
};

MarkLook LookOfMark(CellMark mark) {
    switch (mark) {
        case CellMark::Fair:
            return {"\u2713", "#ddffdd", "fair"};
        case CellMark::Average:
            return {"!", "#ffffcc", "average"};
        case CellMark::Cheat:
            return {"\u2717", "#ffbbbb", "cheat"};
        case CellMark::Flagged:
            return {"\u2691", "#ffcc99", "flagged"};
        case CellMark::None:
            break;
    }
    return {};
}

}  // namespace

std::string_view MarkSign(CellMark mark) { return LookOfMark(mark).sign; }
std::string_view MarkColour(CellMark mark) { return LookOfMark(mark).colour; }
std::string_view MarkName(CellMark mark) { return LookOfMark(mark).name; }

std::string MarkedText(CellMark mark, std::string_view text) {
    const auto sign = MarkSign(mark);
    if (sign.empty()) return std::string(text);
    std::string marked(sign);
    marked += ' ';
    marked += text;
    return marked;
}

bool NeedsAttention(const analysis::SaveRecord& rec) {
    switch (analysis::StatusOf(rec)) {
        case analysis::SaveStatus::Failed:
            return true;
        case analysis::SaveStatus::Analysed:
            return !rec.flags.empty() || (rec.reload && rec.reload->honesty == analysis::Verdict::Cheat);
        case analysis::SaveStatus::Blocked:
        case analysis::SaveStatus::NotLoaded:
            break;
    }
    return false;
}

std::string AttentionFilterText(const analysis::ResultTable& table) {
    const auto count = std::count_if(table.begin(), table.end(), NeedsAttention);
    return "Needs attention (" + std::to_string(count) + ")";
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

RowFilter FilterRows(const analysis::ResultTable& table, std::string_view text, bool attentionOnly) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    const std::string wanted = first == std::string_view::npos
                                   ? std::string()
                                   : FoldedCase(text.substr(first, text.find_last_not_of(kBlanks) - first + 1));
    RowFilter filter;
    filter.shown.assign(table.size(), true);
    if (wanted.empty() && !attentionOnly) return filter;
    for (std::size_t row = 0; row < table.size(); ++row) {
        const auto& rec = table[row];
        const bool match =
            (!attentionOnly || NeedsAttention(rec)) &&
            (wanted.empty() || FoldedCase(load::FileNameToUtf8(rec.fileName)).find(wanted) != std::string::npos ||
             FoldedCase(load::Windows1251ToUtf8(rec.nickName)).find(wanted) != std::string::npos);
        filter.shown[row] = match;
        filter.hidden += match ? 0 : 1;
    }
    filter.note = std::to_string(filter.hidden) + " of " + std::to_string(table.size()) + " rows hidden";
    return filter;
}

}  // namespace quillmere::view
