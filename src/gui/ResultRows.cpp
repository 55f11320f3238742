#include "gui/ResultRows.h"

#include <algorithm>

#include "gui/QtText.h"

namespace quillmere::gui {

namespace {

template <std::size_t N>
void convert(const std::array<std::string, N>& texts, std::array<QString, N>& strings) {
    for (std::size_t c = 0; c < N; ++c) {
        // Column 1 is the file name, as the file system has it; the rest are UTF-8 texts.
        strings[c] = c == 1 ? FromFileSystem(texts[c]) : FromUtf8(texts[c]);
    }
}

}  // namespace

void ResultRows::invalidate() {
    m_rows.assign(m_session.size(), std::nullopt);
    m_shownRows = std::max(m_shownRows, recordCount());
}

void ResultRows::clearShown() {
    m_clearedRows = std::max(m_clearedRows, m_shownRows);
    invalidate();
}

void ResultRows::setDecimalSeparator(char separator) {
    if (separator == m_options.decimalSeparator) return;
    m_options.decimalSeparator = separator;
    invalidate();
}

const RowStrings& ResultRows::row(int index) {
    auto& cached = m_rows.at(static_cast<std::size_t>(index));
    if (!cached) {
        const auto texts = m_session.rowTexts(static_cast<std::size_t>(index), m_options);
        cached.emplace();
        convert(texts.base, cached->base);
        convert(texts.reload, cached->reload);
        convert(texts.additional, cached->additional);
        convert(texts.flags, cached->flags);
        // The reload grid's "Penalty" column is never written: it shows what clearing left.
        cached->reload.back() = index < m_clearedRows ? QStringLiteral(" ") : QString();
    }
    return *cached;
}

QString ResultRows::cellText(GridKind grid, int index, int column) {
    if (index < 0 || column < 0) return {};
    if (index < recordCount()) {
        const auto& strings = row(index);
        const auto pick = [column](const auto& cells) {
            return column < static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(column)] : QString();
        };
        switch (grid) {
            case GridKind::Base:
                return pick(strings.base);
            case GridKind::Reload:
                return pick(strings.reload);
            case GridKind::Flags:
                return pick(strings.flags);
            default:
                return pick(strings.additional);
        }
    }
    return index < std::max(m_shownRows, m_clearedRows) ? QStringLiteral(" ") : QString();
}

}  // namespace quillmere::gui
