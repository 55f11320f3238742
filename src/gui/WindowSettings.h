#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

#include "reload/Rules.h"

namespace quillmere::gui {

// What the window remembers between runs: the rule texts, the last folder of each dialog, its
// geometry and the graph category.
class WindowSettings {
public:
    // Keeps to `settings`, or to the user's own settings of the program when it is null.
    explicit WindowSettings(std::unique_ptr<QSettings> settings = nullptr);

    // The rule texts last set; empty before any were stored.
    [[nodiscard]] std::optional<reload::RuleTexts> rules() const;
    void setRules(const reload::RuleTexts& texts);

    // The last folder a dialog of this purpose ("load", "save", "export"...) showed.
    [[nodiscard]] QString folder(const QString& purpose) const;
    void setFolder(const QString& purpose, const QString& folder);

    [[nodiscard]] QByteArray geometry() const;
    void setGeometry(const QByteArray& geometry);

    // The tournament profile last opened or saved; empty when none.
    [[nodiscard]] QString profilePath() const;
    void setProfilePath(const QString& path);

    [[nodiscard]] QString graphCategory() const;
    void setGraphCategory(const QString& category);

    // Writes what changed to its store now.
    void sync();

private:
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace quillmere::gui
