#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "session/Session.h"
#include "tournament/Archive.h"
#include "tournament/StandingsReport.h"
#include "view/CellTexts.h"
#include "view/Sorting.h"

namespace quillmere::tournamentcli {

enum class Command { New, Round, Player, Submit, Rule, Standings, Export, Check, Backup, RefereeLink, Publish };

// Where a private link points when --base-url does not say: the server as it starts by default.
inline constexpr std::string_view kDefaultBaseUrl = "http://127.0.0.1:8080";

// The subcommand named `name`, if there is one.
[[nodiscard]] std::optional<Command> CommandNamed(std::string_view name);
[[nodiscard]] std::string_view CommandName(Command command);

// What one run of quillmere-tournament is asked to do.
struct TournamentOptions {
    enum class Action { Run, Help, Version } action = Action::Run;
    std::optional<Command> command;  // none for the program's own --help and --version
    std::string archive;             // FILE
    std::vector<std::string> operands;

    std::optional<std::string> name;       // new
    tournament::Scoring scoring;           // new
    std::optional<std::string> title;      // round
    std::optional<std::string> profile;    // round: a profile file
    std::optional<std::string> start;      // round: DD-MM-YYYY over the profile's
    std::optional<int> deadlineDay;        // round
    std::optional<bool> acceptLate;        // round: --late accept|refuse
    std::vector<std::string> playsAs;      // player add
    std::string baseUrl{kDefaultBaseUrl};  // player add, referee-link: the server's address
    bool revoke = false;                   // referee-link
    std::optional<int> round;              // submit, standings, export
    std::optional<std::string> player;     // submit
    bool registerPlayers = false;          // submit
    std::optional<std::int64_t> received;  // submit: Unix seconds
    std::optional<std::string> by;         // submit, rule
    std::optional<std::string> reason;     // rule
    unsigned jobs = 0;                     // submit
    bool recursive = false;                // submit
    std::optional<std::string> filesFrom;  // submit
    std::string output = "-";              // standings, export
    tournament::StandingsFormat standingsFormat = tournament::StandingsFormat::Text;
    session::ReportFormat reportFormat = session::ReportFormat::Results;
    bool flagsOnly = false;                      // standings
    std::optional<view::TextEncoding> encoding;  // export
    char decimalSeparator = '.';                 // export
    bool histories = true;                       // export
    bool byteOrderMark = true;                   // export (CSV)
    std::optional<view::SortKey> sort;           // export
    std::chrono::milliseconds wait = tournament::kDefaultBusyTimeout;
};

// The command line does not make sense; what() says why, without the program's name.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the arguments after the program's name: COMMAND, then FILE and what the command takes, its
// options anywhere after COMMAND ("--name=X" or "--name X"; "-j2", "-o out"); "--" ends the options.
// "--help" and "--version" end the parse. Throws UsageError.
[[nodiscard]] TournamentOptions ParseTournamentArguments(std::span<const std::string> arguments);

// A time as the referee writes it: "2005-12-28", "2005-12-28 14:30", "2005-12-28T14:30:05", local
// time unless it ends with "Z" or an offset ("+03:00"). Throws UsageError.
[[nodiscard]] std::int64_t ParseTime(std::string_view text);

// The text of "--help": the program's, or one command's.
[[nodiscard]] std::string TournamentUsage(std::optional<Command> command);

}  // namespace quillmere::tournamentcli
