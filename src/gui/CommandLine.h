#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::gui {

// The window's command line: the help, the version, --profile FILE, --tournament FILE,
// --quit-after-load and the saves to load, declared once for QCommandLineParser.
class CommandLine {
public:
    CommandLine();

    // Whether `argv` asks for the help or the version, which are printed without a display. Needs
    // no application (it is asked before one exists) and stops at "--".
    [[nodiscard]] bool asksOnlyForText(int argc, const char* const* argv);
    // Parses `arguments` (the application's, its own options taken out); the help, the version or
    // an error is printed and the program exits, as QCommandLineParser::process does.
    void process(const QStringList& arguments);

    [[nodiscard]] bool quitsAfterLoad() const { return m_parser.isSet(m_quitAfterLoad); }
    // The profile to open, if one is given.
    [[nodiscard]] std::optional<QString> profile() const;
    // The tournament archive to open, if one is given.
    [[nodiscard]] std::optional<QString> tournament() const;
    // The saves given, as the file system names them: Qt's text of an argument loses a name that is
    // not valid UTF-8, so each comes from the entry of `argv` (the arguments process() had, program
    // name first) that it was parsed from. Relative paths are made absolute against `folder` (when
    // not empty), so that the Path box names the folder.
    [[nodiscard]] std::vector<std::string> savePaths(int argc, const char* const* argv,
                                                     const std::string& folder) const;

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_quitAfterLoad;
    QCommandLineOption m_profile;
    QCommandLineOption m_tournament;
};

}  // namespace quillmere::gui
