#include "gui/WindowSettings.h"

namespace quillmere::gui {

namespace {

constexpr std::pair<const char*, std::string reload::RuleTexts::*> kRuleKeys[] = {
    {"rules/day", &reload::RuleTexts::day},
    {"rules/month", &reload::RuleTexts::month},
    {"rules/year", &reload::RuleTexts::year},
    {"rules/sessionsPerDay", &reload::RuleTexts::sessionsPerDay},
    {"rules/minSessionMinutes", &reload::RuleTexts::minSessionMinutes},
    {"rules/presessions", &reload::RuleTexts::presessions},
};

}  // namespace

WindowSettings::WindowSettings(std::unique_ptr<QSettings> settings)
    : m_settings(settings ? std::move(settings) : std::make_unique<QSettings>("Quillmere", "Quillmere")) {}

std::optional<reload::RuleTexts> WindowSettings::rules() const {
    if (!m_settings->contains(kRuleKeys[0].first)) return std::nullopt;
    reload::RuleTexts texts;
    for (const auto& [key, field] : kRuleKeys) texts.*field = m_settings->value(key).toString().toStdString();
    return texts;
}

void WindowSettings::setRules(const reload::RuleTexts& texts) {
    for (const auto& [key, field] : kRuleKeys) m_settings->setValue(key, QString::fromStdString(texts.*field));
}

QString WindowSettings::folder(const QString& purpose) const {
    return m_settings->value("folders/" + purpose).toString();
}

void WindowSettings::setFolder(const QString& purpose, const QString& folder) {
    m_settings->setValue("folders/" + purpose, folder);
}

QByteArray WindowSettings::geometry() const { return m_settings->value("window/geometry").toByteArray(); }

void WindowSettings::setGeometry(const QByteArray& geometry) { m_settings->setValue("window/geometry", geometry); }

QString WindowSettings::profilePath() const { return m_settings->value("profile/path").toString(); }

void WindowSettings::setProfilePath(const QString& path) { m_settings->setValue("profile/path", path); }

QString WindowSettings::graphCategory() const { return m_settings->value("graph/category").toString(); }

void WindowSettings::setGraphCategory(const QString& category) { m_settings->setValue("graph/category", category); }

void WindowSettings::sync() { m_settings->sync(); }

}  // namespace quillmere::gui
