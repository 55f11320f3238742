#include "export/XlsxReport.h"

#include <locale.h>
#include <stdlib.h>
#include <xlsxwriter.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "export/AtomicFile.h"
#include "export/ReportFields.h"
#include "load/Windows1251.h"
#include "view/CellTexts.h"
#include "view/Columns.h"
#include "view/RowLook.h"

namespace quillmere::exporting {

namespace {

using view::Grid;

// How a cell is written: its value's type and the number format that shows it.
enum class Kind { Empty, Text, Integer, Decimal, Year, Duration, DateTime };

struct Cell {
    Kind kind = Kind::Empty;
    double number = 0;
    std::string text;
};

constexpr double kSecondsPerDay = 86400;
// Spreadsheets count days from 30 December 1899 as file dates do, but take 1900 for a leap year:
// before 1 March 1900 (day 61) their dates are a day off. After 9999 they have none.
constexpr double kFirstSpreadsheetDate = 61;
constexpr double kPastLastSpreadsheetDate = 2958466;
// Days from 30 December 1899 to 1 January 1970.
constexpr double kUnixEpochDay = 25569;
// The creation time of a workbook whose records have no file date: 27 November 2005, UTC.
constexpr std::time_t kNoDateCreated = 1133049600;
// The longest text a cell holds, in bytes (a spreadsheet's limit is in characters).
constexpr std::size_t kLongestText = 32767;
// The grids' widths are for the window's font; a spreadsheet's default font is larger.
constexpr int kWidthPercent = 130;

Cell integer(std::int64_t value) { return {Kind::Integer, static_cast<double>(value), {}}; }

Cell text(std::string value) { return {Kind::Text, 0, std::move(value)}; }

Cell duration(std::int32_t seconds) { return {Kind::Duration, seconds / kSecondsPerDay, {}}; }

// The value to two decimals that the CSV and the grid show, so that sums agree with what is read.
Cell decimal(long double value) {
    const std::string shown = Decimal2(value);
    double number = 0;
    std::from_chars(shown.data(), shown.data() + shown.size(), number);
    return {Kind::Decimal, number, {}};
}

// `text` cut to at most kLongestText bytes, at a character's start.
std::string bounded(std::string text) {
    if (text.size() <= kLongestText) return text;
    std::size_t end = kLongestText;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    text.resize(end);
    return text;
}

// The columns a sheet has: the grid's, without the Reloads grid's "Penalty", which is never written.
std::size_t sheetColumns(Grid grid) {
    const auto count = view::ColumnsOf(grid).size();
    return grid == Grid::Reload ? count - 1 : count;
}

Cell baseCell(const analysis::SaveRecord& rec, view::BaseColumn column) {
    using enum view::BaseColumn;
    switch (column) {
        case NickName:
            return text(NickNameUtf8(rec));
        case Leader:
            return text(view::LeaderText(rec.leaderType));
        case Civilization:
            return text(view::CivText(rec.civType));
        case Turn:
            return integer(rec.turn);
        case Year:
            return {Kind::Year, static_cast<double>(rec.year), {}};
        case PlayTime:
            return duration(rec.playTime);
        case Score:
            return integer(rec.score);
        case FinalScore:
            return integer(rec.finalScore);
        case Level:
            return text(view::LevelText(rec.level));
        case Victory:
            return text(view::VictoryText(rec.gameOver, rec.victoryType));
        case Number:
        case FileName:
            break;
    }
    return {};
}

Cell reloadCell(const analysis::SaveRecord& rec, view::ReloadColumn column) {
    using enum view::ReloadColumn;
    switch (column) {
        case Turn:
            return baseCell(rec, view::BaseColumn::Turn);
        case Year:
            return baseCell(rec, view::BaseColumn::Year);
        case PlayTime:
            return baseCell(rec, view::BaseColumn::PlayTime);
        default:
            break;
    }
    if (!rec.reload) return {};
    const auto& judged = *rec.reload;
    switch (column) {
        case PlayDays:
            return integer(judged.playDays);
        case Reloads:
            return integer(judged.reloads);
        case Percent:
            return decimal(judged.reloadPercent);
        case SessionTime:
            return duration(judged.sessionTime);
        case MaxReloads:
            return integer(judged.maxReloads);
        case Honesty:
            return text(view::VerdictText(judged.honesty));
        default:
            break;
    }
    return {};
}

Cell additionalCell(const analysis::SaveRecord& rec, view::AdditionalColumn column) {
    using enum view::AdditionalColumn;
    switch (column) {
        case Cities:
            return integer(rec.cities);
        case Units:
            return integer(rec.units);
        case Techs:
            return integer(rec.techs);
        case Land:
            return integer(rec.land);
        case LandPercent:
            return decimal(rec.landPercent);
        case Population:
            return integer(rec.population);
        case PopulationPercent:
            return decimal(rec.populationPercent);
        case Culture1:
            return integer(rec.culture1);
        case Culture2:
            return integer(rec.culture2);
        case Culture3:
            return integer(rec.culture3);
        case Number:
        case FileName:
            break;
    }
    return {};
}

// What the grid shows in `column` of row `row` (1-based), as a typed value: a record without
// details has only its number, file name, file date and flags, as in the grids.
Cell cellOf(const analysis::SaveRecord& rec, std::size_t row, Grid grid, std::size_t column) {
    if (column == view::kNumberColumn) return integer(static_cast<std::int64_t>(row));
    if (column == view::kFileNameColumn) return text(FileNameUtf8(rec));
    if (grid == Grid::Flags) return text(FlagsText(rec));
    if (grid == Grid::Reload && column == view::IndexOf(view::ReloadColumn::FileDate)) {
        if (!rec.fileDate || !(*rec.fileDate >= kFirstSpreadsheetDate && *rec.fileDate < kPastLastSpreadsheetDate))
            return {};
        return {Kind::DateTime, *rec.fileDate, {}};
    }
    if (!analysis::ShowsDetails(rec)) return {};
    switch (grid) {
        case Grid::Base:
            return baseCell(rec, static_cast<view::BaseColumn>(column));
        case Grid::Reload:
            return reloadCell(rec, static_cast<view::ReloadColumn>(column));
        case Grid::Additional:
            return additionalCell(rec, static_cast<view::AdditionalColumn>(column));
        case Grid::Flags:
            break;
    }
    return {};
}

// The number format of each kind; a text cell has none.
const char* numberFormat(Kind kind) {
    switch (kind) {
        case Kind::Integer:
            return "0";
        case Kind::Decimal:
            return "0.00";
        case Kind::Year:
            return "0\"AD\";0\"BC\"";
        case Kind::Duration:
            return "[h]:mm:ss";
        case Kind::DateTime:
            return "dd-mm-yyyy hh:mm:ss";
        case Kind::Empty:
        case Kind::Text:
            break;
    }
    return nullptr;
}

// "#rrggbb" as the number a format takes.
lxw_color_t colourOf(std::string_view hex) {
    unsigned value = 0;
    if (hex.size() == 7) std::from_chars(hex.data() + 1, hex.data() + hex.size(), value, 16);
    return value;
}

void check(lxw_error error) {
    if (error == LXW_NO_ERROR) return;
    std::string message = "cannot write the workbook (";
    message += lxw_strerror(error);
    message += ")";
    throw ExportError(message);
}

// The workbook's formats, one per kind of value and mark, made when first asked for.
class Formats {
public:
    explicit Formats(lxw_workbook* workbook) : m_workbook(workbook) {}

    lxw_format* header() {
        if (m_header == nullptr) {
            m_header = workbook_add_format(m_workbook);
            format_set_bold(m_header);
            format_set_bottom(m_header, LXW_BORDER_THIN);
        }
        return m_header;
    }

    // Null for a text without a mark: the default format.
    lxw_format* of(Kind kind, view::CellMark mark) {
        const char* number = numberFormat(kind);
        if (number == nullptr && mark == view::CellMark::None) return nullptr;
        auto& format = m_formats[{number == nullptr ? Kind::Text : kind, mark}];
        if (format == nullptr) {
            format = workbook_add_format(m_workbook);
            if (number != nullptr) format_set_num_format(format, number);
            if (mark != view::CellMark::None) {
                format_set_pattern(format, LXW_PATTERN_SOLID);
                format_set_bg_color(format, colourOf(view::MarkColour(mark)));
            }
        }
        return format;
    }

private:
    lxw_workbook* m_workbook;
    lxw_format* m_header = nullptr;
    std::map<std::pair<Kind, view::CellMark>, lxw_format*> m_formats;
};

void writeSheet(lxw_workbook* workbook, Formats& formats, const analysis::ResultTable& table, Grid grid) {
    const std::string name(view::GridName(grid));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, name.c_str());
    if (sheet == nullptr) {
        // Appended piece by piece: GCC 12 at -O3 takes literal + string for overlapping copies.
        std::string message = "cannot write the workbook (no sheet ";
        message += name;
        message += ")";
        throw ExportError(message);
    }
    const auto columns = view::ColumnsOf(grid);
    const auto count = sheetColumns(grid);
    for (std::size_t c = 0; c < count; ++c) {
        const auto column = static_cast<lxw_col_t>(c);
        check(worksheet_set_column_pixels(sheet, column, column, columns[c].width * kWidthPercent / 100, nullptr));
        const std::string caption = load::Windows1251ToUtf8(columns[c].caption);
        check(worksheet_write_string(sheet, 0, column, caption.c_str(), formats.header()));
    }
    for (std::size_t r = 0; r < table.size(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (std::size_t c = 0; c < count; ++c) {
            const auto column = static_cast<lxw_col_t>(c);
            const auto cell = cellOf(table[r], r + 1, grid, c);
            auto* format = formats.of(cell.kind, view::MarkOf(table[r], grid, c));
            switch (cell.kind) {
                case Kind::Empty:
                    if (format != nullptr) check(worksheet_write_blank(sheet, row, column, format));
                    break;
                case Kind::Text:
                    // Always a string: a name such as "=1+1" stays the text it is.
                    if (!cell.text.empty() || format != nullptr)
                        check(worksheet_write_string(sheet, row, column, bounded(cell.text).c_str(), format));
                    break;
                default:
                    check(worksheet_write_number(sheet, row, column, cell.number, format));
                    break;
            }
        }
    }
    worksheet_freeze_panes(sheet, 1, static_cast<lxw_col_t>(view::kSharedColumnCount));
    check(worksheet_autofilter(sheet, 0, 0, static_cast<lxw_row_t>(table.size()), static_cast<lxw_col_t>(count - 1)));
}

// The newest file date of the table as a time, or a fixed one: the same table, the same time.
std::time_t createdTime(const analysis::ResultTable& table) {
    std::optional<double> newest;
    for (const auto& rec : table) {
        if (!rec.fileDate || !std::isfinite(*rec.fileDate)) continue;
        const double utc = (*rec.fileDate - kUnixEpochDay) * kSecondsPerDay - rec.fileDateUtcOffset;
        if (!newest || utc > *newest) newest = utc;
    }
    // Before 1970 or beyond 9999 a spreadsheet's properties hold no such time.
    if (!newest || *newest < 1 || *newest > (kPastLastSpreadsheetDate - kUnixEpochDay) * kSecondsPerDay)
        return kNoDateCreated;
    return static_cast<std::time_t>(std::llround(*newest));
}

// A folder of the temporary folder that only this process uses, removed with all in it.
class PrivateFolder {
public:
    PrivateFolder() {
        std::error_code error;
        auto base = std::filesystem::temp_directory_path(error);
        if (error) base = "/tmp";
        std::string pattern = (base / "quillmere-xlsx-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::string message = "cannot make a temporary folder in ";
            message += base.string();
            message += " for the workbook (";
            message += std::strerror(errno);
            message += ")";
            throw ExportError(message);
        }
        m_path = std::move(pattern);
    }
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The C locale on this thread while it lives: the library prints numbers with the
// thread's locale, and a window runs in the user's, where "4.42" may print as "4,42".
class ClassicNumbers {
public:
    ClassicNumbers() : m_classic(::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))) {
        if (m_classic == nullptr) throw ExportError("cannot write the workbook (no C locale)");
        m_before = ::uselocale(m_classic);
    }
    ~ClassicNumbers() {
        ::uselocale(m_before);
        ::freelocale(m_classic);
    }
    ClassicNumbers(const ClassicNumbers&) = delete;
    ClassicNumbers& operator=(const ClassicNumbers&) = delete;

private:
    locale_t m_classic;
    locale_t m_before = nullptr;
};

struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};

}  // namespace

std::string BuildXlsxReport(const analysis::ResultTable& table) {
    const ClassicNumbers numbers;
    const PrivateFolder folder;
    const std::string path = folder.path() + "/report.xlsx";
    lxw_workbook_options options{};
    // Rows go to the folder's files as they are written: memory does not grow with the batch.
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(folder.path().c_str());
    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(workbook_new_opt(path.c_str(), &options));
    if (!workbook) throw ExportError("cannot write the workbook (out of memory)");
    lxw_doc_properties properties{};
    properties.created = createdTime(table);
    check(workbook_set_properties(workbook.get(), &properties));
    Formats formats(workbook.get());
    for (const auto grid : {Grid::Base, Grid::Reload, Grid::Additional, Grid::Flags})
        writeSheet(workbook.get(), formats, table, grid);
    check(workbook_close(workbook.release()));

    std::ifstream file(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!file.is_open() || file.bad()) {
        std::string message = "cannot read back the workbook written in ";
        message += folder.path();
        throw ExportError(message);
    }
    return bytes;
}

}  // namespace quillmere::exporting
