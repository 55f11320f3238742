#include "gui/CommandLine.h"

namespace quillmere::gui {

CommandLine::CommandLine()
    : m_help(m_parser.addHelpOption()),
      m_version(m_parser.addVersionOption()),
      m_quitAfterLoad("quit-after-load",
                      "Close the window once the files given are loaded and shown (for scripted checks); the exit "
                      "status is 1 when some file failed."),
      m_profile("profile", "Open a tournament profile, as File > Open Profile does.", "FILE"),
      m_tournament("tournament", "Open a tournament archive, as File > Open Tournament does.", "FILE") {
    m_parser.setApplicationDescription("Reads tournament save files and judges every player's game.");
    m_parser.addPositionalArgument("FILE", "Save files to load at start-up, as Load File does.", "[FILE...]");
    m_parser.addOption(m_quitAfterLoad);
    m_parser.addOption(m_profile);
    m_parser.addOption(m_tournament);
}

bool CommandLine::asksOnlyForText(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // Options of Qt's own (-platform, -style) are unknown here, which fails the parse but still
    // finds the help and the version.
    m_parser.parse(arguments);
    return m_parser.isSet(m_help) || m_parser.isSet("help-all") || m_parser.isSet(m_version);
}

std::optional<QString> CommandLine::profile() const {
    if (!m_parser.isSet(m_profile)) return std::nullopt;
    return m_parser.value(m_profile);
}

std::optional<QString> CommandLine::tournament() const {
    if (!m_parser.isSet(m_tournament)) return std::nullopt;
    return m_parser.value(m_tournament);
}

void CommandLine::process(const QStringList& arguments) { m_parser.process(arguments); }

std::vector<std::string> CommandLine::savePaths(int argc, const char* const* argv, const std::string& folder) const {
    // The saves are argv's entries in their order, among the options and their values: each is the
    // next entry with its text. Two entries of the same text have the same bytes, unless both are
    // invalid UTF-8 in the same way.
    std::vector<std::string> paths;
    int next = 1;
    for (const auto& save : m_parser.positionalArguments()) {
        while (next < argc && QString::fromLocal8Bit(argv[next]) != save) ++next;
        if (next == argc) break;  // not from argv: nothing to take the bytes from
        const std::string path = argv[next++];
        paths.push_back(path.starts_with('/') || folder.empty() ? path : folder + "/" + path);
    }
    return paths;
}

}  // namespace quillmere::gui
