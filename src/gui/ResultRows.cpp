#include "gui/ResultRows.h"

#include <algorithm>

#include "gui/QtText.h"

namespace quillmere::gui {

namespace {

template <typename Column>
void convert(const view::Cells<Column>& texts, view::Cells<Column, QString>& strings) {
    for (std::size_t c = 0; c < texts.texts.size(); ++c) {
        // The file name is as the file system has it; the rest are UTF-8 texts.
        strings.texts[c] = c == view::kFileNameColumn ? FromFileSystem(texts.texts[c]) : FromUtf8(texts.texts[c]);
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
        cached->reload[view::ReloadColumn::Penalty] = index < m_clearedRows ? QStringLiteral(" ") : QString();
    }
    return *cached;
}

QString ResultRows::cellText(view::Grid grid, int index, int column) {
    if (index < 0 || column < 0) return {};
    if (index < recordCount()) {
        const auto* text = row(index).cell(grid, static_cast<std::size_t>(column));
        return text != nullptr ? *text : QString();
    }
    return index < std::max(m_shownRows, m_clearedRows) ? QStringLiteral(" ") : QString();
}

}  // namespace quillmere::gui
