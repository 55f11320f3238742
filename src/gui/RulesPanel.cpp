#include "gui/RulesPanel.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStringList>
#include <algorithm>

#include "gui/QtText.h"
#include "view/CellTexts.h"

namespace quillmere::gui {

namespace {

constexpr int kDesignFontPixels = 11;
constexpr int kSmallestCaptionPixels = 7;
constexpr int kSmallestErrorPixels = 6;
const QColor kRuleTextColour(Qt::blue);
const QColor kWrongRuleColour(255, 190, 190);
// The rules stand in three columns of two rows, right of the errors, at the panel's drawn width;
// a narrower panel wraps the columns that do not fit under the first ones, in bands of two rows.
constexpr int kDrawnWidth = 961;
constexpr int kColumnLefts[] = {120, 434, 648};
constexpr int kBandHeight = 66;
constexpr int kBottomMargin = 8;
constexpr int kColumnGap = 24;
constexpr int kRightMargin = 4;

struct LabelSpec {
    const char* name;
    QRect place;
    const char* caption;  // UTF-8
};

// English and Russian captions, word-wrapped in fixed boxes; their leading and inner blanks are part
// of the text.
const LabelSpec kRuleLabels[] = {
    {"Label6", QRect(120, 5, 141, 29), "   Turnamet start date    (Дата начала турнира)"},
    {"Label7", QRect(344, 5, 65, 27), "dd.mm.yyyy (чч.мм.гггг)"},
    {"Label8", QRect(434, 5, 151, 27), "     Max session per day     (Макс. число сессий в день)"},
    {"Label9", QRect(656, 5, 113, 28), "  Min session time   (Мин. время сессии)"},
    {"Label10", QRect(816, 5, 49, 27), "minutes (минут)"},
    {"Label2", QRect(144, 37, 89, 29), "   Presessions    (Пресессии)"},
    {"Label11", QRect(434, 37, 151, 27), "    Max reloads percent     (Макс. % перезагрузок)"},
    {"Label12", QRect(648, 37, 129, 28), "  Penalty for reloads   (Штраф за перезагрузки)"},
    {"Label13", QRect(816, 37, 129, 27), "%, for each % of reloads (%, за каждый % пер-к)"},
};

}  // namespace

RulesPanel::RulesPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("RulesPanel");
    for (const auto& label : kRuleLabels) createLabel(label.name, label.place, QString::fromUtf8(label.caption));
    const reload::RuleTexts defaults;
    m_dayEdit = createEdit("Edit6", QRect(264, 8, 20, 21), QString::fromStdString(defaults.day), true);
    m_monthEdit = createEdit("Edit2", QRect(287, 8, 20, 21), QString::fromStdString(defaults.month), true);
    m_yearEdit = createEdit("Edit3", QRect(310, 8, 32, 21), QString::fromStdString(defaults.year), true);
    m_sessionsPerDayEdit =
        createEdit("Edit7", QRect(584, 8, 33, 21), QString::fromStdString(defaults.sessionsPerDay), true);
    m_minSessionEdit =
        createEdit("Edit8", QRect(784, 8, 33, 21), QString::fromStdString(defaults.minSessionMinutes), true);
    m_presessionsEdit = createEdit("Edit4", QRect(264, 40, 20, 21), QString::fromStdString(defaults.presessions), true);
    createEdit("Edit5", QRect(584, 40, 33, 21), "10,0", false);
    createEdit("Edit9", QRect(784, 40, 33, 21), "5,0", false);

    m_errorLabel = new QLabel(this);
    m_errorLabel->setObjectName("RuleError");
    m_errorLabel->setGeometry(8, 5, 108, 62);
    m_errorLabel->setWordWrap(true);
    m_errorLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = m_errorLabel->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    m_errorLabel->setPalette(palette);

    // Each rule box and caption belongs to the column its drawn place starts in.
    for (const int left : kColumnLefts) m_columns.push_back({left, left, {}});
    for (auto* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child == m_errorLabel) continue;
        const QRect place = child->geometry();
        auto column = std::find_if(m_columns.rbegin(), m_columns.rend(),
                                   [&](const Column& candidate) { return place.left() >= candidate.left; });
        if (column == m_columns.rend()) continue;
        column->right = std::max(column->right, place.right() + 1);
        column->places.push_back({child, place});
    }
    arrange(kDrawnWidth);
}

QSize RulesPanel::arrange(int width) {
    int bands = 1;
    bool wrapped = false;
    int next = 0;  // where the next wrapped column starts
    int widest = width;
    for (const auto& column : m_columns) {
        const int columnWidth = column.right - column.left;
        int shift = 0;
        // The first column stays beside the errors even when it does not fit: wrapping it gains nothing.
        const bool fits = column.right <= width - kRightMargin || &column == &m_columns.front();
        if (wrapped || !fits) {
            if (!wrapped || next + columnWidth > width - kRightMargin) {
                ++bands;
                next = kColumnLefts[0];
                wrapped = true;
            }
            shift = next - column.left;
            next += columnWidth + kColumnGap;
        }
        const int down = (bands - 1) * kBandHeight;
        for (const auto& [widget, place] : column.places) widget->setGeometry(place.translated(shift, down));
        widest = std::max(widest, column.right + shift + kRightMargin);
    }
    const QSize size(widest, bands * kBandHeight + kBottomMargin);
    setFixedSize(size);
    return size;
}

QLineEdit* RulesPanel::createEdit(const char* name, const QRect& place, const QString& text, bool enabled) {
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(name);
    edit->setGeometry(place);
    edit->setTextMargins(0, 0, 0, 0);
    edit->setEnabled(enabled);
    if (enabled) {
        paintEdit(edit, {});
        connect(edit, &QLineEdit::textChanged, this, [this] { Q_EMIT rulesEdited(texts()); });
    }
    return edit;
}

void RulesPanel::createLabel(const char* name, const QRect& place, const QString& caption) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    // Fonts differ between platforms: shrink the caption until it fits its fixed box.
    QFont captionFont = label->font();
    for (int pixels = kDesignFontPixels; pixels > kSmallestCaptionPixels; --pixels) {
        captionFont.setPixelSize(pixels);
        label->setFont(captionFont);
        const QFontMetrics metrics(captionFont);
        const QStringList words = caption.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const bool wordsFit = std::all_of(words.begin(), words.end(), [&](const QString& word) {
            return metrics.horizontalAdvance(word) <= place.width();
        });
        if (wordsFit && label->heightForWidth(place.width()) <= place.height() + 1) break;
    }
}

void RulesPanel::paintEdit(QLineEdit* edit, const QString& error) {
    QPalette palette = edit->parentWidget()->palette();
    palette.setColor(QPalette::Text, kRuleTextColour);
    if (!error.isEmpty()) palette.setColor(QPalette::Base, kWrongRuleColour);
    edit->setPalette(palette);
    edit->setToolTip(error);
}

reload::RuleTexts RulesPanel::texts() const {
    reload::RuleTexts texts;
    texts.day = m_dayEdit->text().toStdString();
    texts.month = m_monthEdit->text().toStdString();
    texts.year = m_yearEdit->text().toStdString();
    texts.sessionsPerDay = m_sessionsPerDayEdit->text().toStdString();
    texts.minSessionMinutes = m_minSessionEdit->text().toStdString();
    texts.presessions = m_presessionsEdit->text().toStdString();
    return texts;
}

void RulesPanel::setTexts(const reload::RuleTexts& texts) {
    const std::pair<QLineEdit*, const std::string*> boxes[] = {
        {m_dayEdit, &texts.day},
        {m_monthEdit, &texts.month},
        {m_yearEdit, &texts.year},
        {m_sessionsPerDayEdit, &texts.sessionsPerDay},
        {m_minSessionEdit, &texts.minSessionMinutes},
        {m_presessionsEdit, &texts.presessions},
    };
    for (const auto& [edit, text] : boxes) {
        const QSignalBlocker quiet(edit);
        edit->setText(QString::fromStdString(*text));
    }
}

void RulesPanel::showCheck(const reload::RuleCheck& check) {
    for (auto* edit : {m_dayEdit, m_monthEdit, m_yearEdit, m_sessionsPerDayEdit, m_minSessionEdit, m_presessionsEdit})
        paintEdit(edit, {});
    QStringList messages;
    for (const auto& error : check.errors) {
        const QString message = FromUtf8(view::WithFullStop(error.message));
        messages << message;
        switch (error.field) {
            case reload::RuleField::StartDate:
                for (auto* edit : {m_dayEdit, m_monthEdit, m_yearEdit}) paintEdit(edit, message);
                break;
            case reload::RuleField::SessionsPerDay:
                paintEdit(m_sessionsPerDayEdit, message);
                break;
            case reload::RuleField::MinSessionMinutes:
                paintEdit(m_minSessionEdit, message);
                break;
            case reload::RuleField::Presessions:
                paintEdit(m_presessionsEdit, message);
                break;
        }
    }
    m_errorLabel->setText(messages.join(QLatin1Char('\n')));
    m_errorLabel->setToolTip(m_errorLabel->text());
    // Every message stays readable: several shrink the text until all of them fit the label.
    QFont errorFont = m_errorLabel->font();
    for (int pixels = kDesignFontPixels; pixels >= kSmallestErrorPixels && !messages.isEmpty(); --pixels) {
        errorFont.setPixelSize(pixels);
        m_errorLabel->setFont(errorFont);
        if (m_errorLabel->heightForWidth(m_errorLabel->width()) <= m_errorLabel->height()) break;
    }
}

}  // namespace quillmere::gui
