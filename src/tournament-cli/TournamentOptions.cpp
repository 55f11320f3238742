#include "tournament-cli/TournamentOptions.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>

namespace quillmere::tournamentcli {

namespace {

using C = Command;

struct OptionSpec {
    std::string_view name;
    bool takesValue;
    std::initializer_list<Command> commands;  // empty: every command
};

constexpr std::initializer_list<Command> kEvery = {};
constexpr std::initializer_list<Command> kOutputs = {C::Standings, C::Export};

const OptionSpec kOptions[] = {
    {"--help", false, kEvery},
    {"--wait", true, kEvery},
    {"--name", true, {C::New}},
    {"--points", true, {C::New}},
    {"--best", true, {C::New}},
    {"--title", true, {C::Round}},
    {"--profile", true, {C::Round}},
    {"--start", true, {C::Round}},
    {"--deadline-day", true, {C::Round}},
    {"--late", true, {C::Round}},
    {"--plays-as", true, {C::Player}},
    {"--base-url", true, {C::Player, C::RefereeLink}},
    {"--revoke", false, {C::RefereeLink}},
    {"--round", true, {C::Submit, C::Standings, C::Export}},
    {"--player", true, {C::Submit}},
    {"--register", false, {C::Submit}},
    {"--received", true, {C::Submit}},
    {"--by", true, {C::Submit, C::Rule}},
    {"--reason", true, {C::Rule}},
    {"--jobs", true, {C::Submit}},
    {"--recursive", false, {C::Submit}},
    {"--files-from", true, {C::Submit}},
    {"--output", true, kOutputs},
    {"--format", true, kOutputs},
    {"--flags-only", false, {C::Standings}},
    {"--encoding", true, {C::Export}},
    {"--decimal-separator", true, {C::Export}},
    {"--no-histories", false, {C::Export}},
    {"--no-bom", false, {C::Export}},
    {"--sort", true, {C::Export}},
};

const OptionSpec* optionNamed(std::string_view name) {
    for (const auto& option : kOptions) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

std::string_view longNameOf(char shortName) {
    switch (shortName) {
        case 'h':
            return "--help";
        case 'o':
            return "--output";
        case 'j':
            return "--jobs";
        case 'r':
            return "--recursive";
        default:
            return {};
    }
}

template <typename Number>
Number numberOf(std::string_view option, std::string_view text, Number low, Number high) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
        throw UsageError(std::string(option) + " wants a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + std::string(text) + "'");
    }
    return value;
}

std::vector<std::int64_t> pointsOf(std::string_view text) {
    std::vector<std::int64_t> points;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        points.push_back(numberOf<std::int64_t>("--points", text.substr(start, comma - start), 0, 1'000'000'000));
        start = comma + 1;
    }
    if (points.size() > tournament::kMostPoints)
        throw UsageError("--points takes at most " + std::to_string(tournament::kMostPoints) + " values");
    return points;
}

void setValue(TournamentOptions& options, std::string_view name, const std::string& value) {
    if (name == "--wait") {
        options.wait = std::chrono::milliseconds(numberOf<int>(name, value, 0, 3600) * 1000);
    } else if (name == "--name") {
        options.name = value;
    } else if (name == "--points") {
        options.scoring.method = tournament::ScoringMethod::RankPoints;
        options.scoring.points = pointsOf(value);
    } else if (name == "--best") {
        options.scoring.bestRounds = numberOf<int>(name, value, 1, tournament::kMostRounds);
    } else if (name == "--title") {
        options.title = value;
    } else if (name == "--profile") {
        options.profile = value;
    } else if (name == "--start") {
        options.start = value;
    } else if (name == "--deadline-day") {
        options.deadlineDay = numberOf<int>(name, value, 1, 100000);
    } else if (name == "--late") {
        if (value != "accept" && value != "refuse")
            throw UsageError("--late wants accept (keep a late upload, flagged) or refuse, not '" + value + "'");
        options.acceptLate = value == "accept";
    } else if (name == "--plays-as") {
        options.playsAs.push_back(value);
    } else if (name == "--base-url") {
        if (!(value.starts_with("http://") || value.starts_with("https://")) ||
            value.find_first_of("#?") != std::string::npos)
            throw UsageError("--base-url wants the server's address, such as https://example.org, not '" + value + "'");
        options.baseUrl = value;
        while (options.baseUrl.ends_with('/')) options.baseUrl.pop_back();
    } else if (name == "--round") {
        options.round = numberOf<int>(name, value, 1, tournament::kMostRounds);
    } else if (name == "--player") {
        options.player = value;
    } else if (name == "--received") {
        options.received = ParseTime(value);
    } else if (name == "--by") {
        options.by = value;
    } else if (name == "--reason") {
        options.reason = value;
    } else if (name == "--jobs") {
        options.jobs = numberOf<unsigned>(name, value, 1, 256);
    } else if (name == "--files-from") {
        options.filesFrom = value;
    } else if (name == "--output") {
        options.output = value;
    } else if (name == "--format") {
        if (options.command == Command::Standings) {
            if (value == "text")
                options.standingsFormat = tournament::StandingsFormat::Text;
            else if (value == "csv")
                options.standingsFormat = tournament::StandingsFormat::Csv;
            else if (value == "json")
                options.standingsFormat = tournament::StandingsFormat::Json;
            else if (value == "html")
                options.standingsFormat = tournament::StandingsFormat::Html;
            else
                throw UsageError("unknown format '" + value + "' (use text, csv, json or html)");
        } else {
            if (value == "res")
                options.reportFormat = session::ReportFormat::Results;
            else if (value == "csv")
                options.reportFormat = session::ReportFormat::Csv;
            else if (value == "json")
                options.reportFormat = session::ReportFormat::Json;
            else if (value == "html")
                options.reportFormat = session::ReportFormat::Html;
            else
                throw UsageError("unknown format '" + value + "' (use res, csv, json or html)");
        }
    } else if (name == "--encoding") {
        if (value == "windows-1251")
            options.encoding = view::TextEncoding::Windows1251;
        else if (value == "utf-8")
            options.encoding = view::TextEncoding::Utf8;
        else
            throw UsageError("unknown encoding '" + value + "' (use windows-1251 or utf-8)");
    } else if (name == "--decimal-separator") {
        if (value != "." && value != ",") throw UsageError("the decimal separator is ',' or '.', not '" + value + "'");
        options.decimalSeparator = value.front();
    } else if (name == "--sort") {
        if (value == "name")
            options.sort = view::SortKey::FileName;
        else if (value == "turn")
            options.sort = view::SortKey::Turn;
        else if (value == "score")
            options.sort = view::SortKey::Score;
        else if (value == "final")
            options.sort = view::SortKey::FinalScore;
        else
            throw UsageError("unknown sort key '" + value + "' (use name, turn, score or final)");
    }
}

void setFlag(TournamentOptions& options, std::string_view name) {
    if (name == "--register")
        options.registerPlayers = true;
    else if (name == "--recursive")
        options.recursive = true;
    else if (name == "--flags-only")
        options.flagsOnly = true;
    else if (name == "--no-histories")
        options.histories = false;
    else if (name == "--no-bom")
        options.byteOrderMark = false;
    else if (name == "--revoke")
        options.revoke = true;
}

// The operands each command takes after FILE: at least `least`, at most `most` (-1: any number).
struct Operands {
    int least;
    int most;
    std::string_view what;
};

Operands operandsOf(Command command) {
    switch (command) {
        case C::Round:
            return {1, 2, "add NUMBER, set NUMBER or list"};
        case C::Player:
            return {1, 3, "add NAME, plays-as NAME IN-GAME-NAME, link NAME, revoke NAME or list"};
        case C::Submit:
            return {0, -1, "SAVE|FOLDER..."};
        case C::Rule:
            return {2, 2, "SUBMISSION accept|reject|disqualify|pending"};
        case C::Backup:
            return {1, 1, "DESTINATION"};
        case C::Publish:
            return {1, 1, "on|off"};
        default:
            return {0, 0, ""};
    }
}

void checkOperands(const TournamentOptions& options) {
    const auto command = *options.command;
    const auto expected = operandsOf(command);
    const int count = static_cast<int>(options.operands.size());
    const std::string name(CommandName(command));
    if (count < expected.least || (expected.most >= 0 && count > expected.most)) {
        throw UsageError(expected.most == 0 ? name + " takes nothing after FILE but options"
                                            : name + " wants FILE " + std::string(expected.what));
    }
    const auto& first = count > 0 ? options.operands.front() : std::string();
    if (command == C::Round) {
        if (first == "list" ? count != 1 : (first != "add" && first != "set") || count != 2)
            throw UsageError("round wants FILE add NUMBER, set NUMBER or list");
    }
    if (command == C::Player) {
        const bool fits = (first == "list" && count == 1) ||
                          ((first == "add" || first == "link" || first == "revoke") && count == 2) ||
                          (first == "plays-as" && count == 3);
        if (!fits)
            throw UsageError("player wants FILE add NAME, plays-as NAME IN-GAME-NAME, link NAME, revoke NAME or list");
    }
    if (command == C::Submit) {
        if (!options.round) throw UsageError("submit needs --round NUMBER");
        if (options.operands.empty() && !options.filesFrom) throw UsageError("no save files given");
    }
    if (command == C::Publish && first != "on" && first != "off") throw UsageError("publish wants FILE on|off");
    if (command == C::Export && !options.round) throw UsageError("export needs --round NUMBER");
    if (command == C::New && !options.name) throw UsageError("new needs --name NAME");
    if (command == C::Standings && options.flagsOnly && options.round)
        throw UsageError("--flags-only lists the flags of the whole season: leave --round out");
}

}  // namespace

std::optional<Command> CommandNamed(std::string_view name) {
    for (const auto command : {C::New, C::Round, C::Player, C::Submit, C::Rule, C::Standings, C::Export, C::Check,
                               C::Backup, C::RefereeLink, C::Publish}) {
        if (CommandName(command) == name) return command;
    }
    return std::nullopt;
}

std::string_view CommandName(Command command) {
    switch (command) {
        case C::New:
            return "new";
        case C::Round:
            return "round";
        case C::Player:
            return "player";
        case C::Submit:
            return "submit";
        case C::Rule:
            return "rule";
        case C::Standings:
            return "standings";
        case C::Export:
            return "export";
        case C::Check:
            return "check";
        case C::RefereeLink:
            return "referee-link";
        case C::Publish:
            return "publish";
        case C::Backup:
            break;
    }
    return "backup";
}

std::int64_t ParseTime(std::string_view text) {
    const auto bad = [&] {
        return UsageError(
            "--received wants a time such as 2005-12-28 14:30 (local) or 2005-12-28T14:30:00+03:00, not '" +
            std::string(text) + "'");
    };
    const auto digits = [&](std::size_t at, std::size_t count) {
        if (at + count > text.size()) throw bad();
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            if (text[i] < '0' || text[i] > '9') throw bad();
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    std::tm tm{};
    tm.tm_year = digits(0, 4) - 1900;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') throw bad();
    tm.tm_mon = digits(5, 2) - 1;
    tm.tm_mday = digits(8, 2);
    std::size_t at = 10;
    if (at < text.size() && (text[at] == ' ' || text[at] == 'T')) {
        tm.tm_hour = digits(at + 1, 2);
        if (at + 3 >= text.size() || text[at + 3] != ':') throw bad();
        tm.tm_min = digits(at + 4, 2);
        at += 6;
        if (at < text.size() && text[at] == ':') {
            tm.tm_sec = digits(at + 1, 2);
            at += 3;
        }
    }
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 ||
        tm.tm_sec > 59) {
        throw bad();
    }
    const int day = tm.tm_mday;
    std::time_t time = 0;
    if (at == text.size()) {
        tm.tm_isdst = -1;
        time = std::mktime(&tm);
    } else {
        int offset = 0;
        if (text.substr(at) != "Z") {
            if (text.size() != at + 6 || (text[at] != '+' && text[at] != '-') || text[at + 3] != ':') throw bad();
            offset = (digits(at + 1, 2) * 60 + digits(at + 4, 2)) * 60 * (text[at] == '-' ? -1 : 1);
        }
        time = ::timegm(&tm) - offset;
    }
    // mktime and timegm carry 31 February into March: such a day is no date.
    if (tm.tm_mday != day) throw bad();
    return static_cast<std::int64_t>(time);
}

TournamentOptions ParseTournamentArguments(std::span<const std::string> arguments) {
    TournamentOptions options;
    if (arguments.empty()) throw UsageError("no command given");
    const std::string& first = arguments.front();
    if (first == "--help" || first == "-h") {
        options.action = TournamentOptions::Action::Help;
        return options;
    }
    if (first == "--version") {
        options.action = TournamentOptions::Action::Version;
        return options;
    }
    options.command = CommandNamed(first);
    if (!options.command) throw UsageError("unknown command '" + first + "'");
    const Command command = *options.command;
    const auto allowed = [&](const OptionSpec& option) {
        return option.commands.size() == 0 ||
               std::find(option.commands.begin(), option.commands.end(), command) != option.commands.end();
    };
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name;
        std::optional<std::string> value;
        if (argument.starts_with("--")) {
            const auto equals = argument.find('=');
            name = argument.substr(0, equals);
            if (equals != std::string::npos) value = argument.substr(equals + 1);
        } else {
            name = std::string(longNameOf(argument[1]));
            if (name.empty()) throw UsageError("unknown option '" + argument.substr(0, 2) + "'");
            if (argument.size() > 2) value = argument.substr(2);
        }
        const OptionSpec* known = optionNamed(name);
        if (known == nullptr) throw UsageError("unknown option '" + argument + "'");
        if (!allowed(*known))
            throw UsageError(std::string(CommandName(command)) + " takes no option " + std::string(known->name));
        if (known->name == "--help") {
            options.action = TournamentOptions::Action::Help;
            return options;
        }
        if (!known->takesValue) {
            if (value) throw UsageError("option '" + name + "' takes no value");
            setFlag(options, name);
            continue;
        }
        if (!value) {
            if (i + 1 == arguments.size()) throw UsageError("option '" + name + "' needs a value");
            value = arguments[++i];
        }
        setValue(options, name, *value);
    }
    if (positional.empty()) throw UsageError(std::string(CommandName(command)) + " needs the archive FILE");
    options.archive = positional.front();
    options.operands.assign(positional.begin() + 1, positional.end());
    checkOperands(options);
    return options;
}

std::string TournamentUsage(std::optional<Command> command) {
    if (!command) {
        return "Usage: quillmere-tournament COMMAND FILE [ARGUMENTS] [OPTIONS]\n"
               "Keeps a tournament's rounds, players, submitted saves and rulings in one archive FILE.\n"
               "\n"
               "Commands:\n"
               "  new FILE --name NAME        make a new archive\n"
               "  round FILE add|set|list     add or change a round (its profile, start and deadline)\n"
               "  player FILE add|plays-as|link|revoke|list  register players, the names they play under,\n"
               "                              and their private links to the server\n"
               "  submit FILE --round N SAVE...  analyse saves and add them to a round\n"
               "  rule FILE SUBMISSION STATE  accept, reject, disqualify or reopen a submission\n"
               "  standings FILE              the season's standings, or one round's (--round N)\n"
               "  export FILE --round N       a round's results as quillmere-report writes them\n"
               "  check FILE                  check the archive and every stored save's SHA-256\n"
               "  backup FILE DESTINATION     write a consistent copy, also while the archive is in use\n"
               "  referee-link FILE           a new private link to the server's referee page\n"
               "  publish FILE on|off         show the season's standings on the server to anyone, or not\n"
               "\n"
               "'quillmere-tournament COMMAND --help' says more of each. Every command waits up to\n"
               "--wait SECONDS (default 10) for another program using the archive.\n"
               "\n"
               "Exit status: 0 when done, 1 when some saves could not be analysed (submit) or the archive\n"
               "has problems (check), 2 for a usage error or a refused command (nothing written), 3 with\n"
               "standings --flags-only when some submission that stands is flagged.\n";
    }
    switch (*command) {
        case C::New:
            return "Usage: quillmere-tournament new FILE --name NAME [--points P1,P2,...] [--best N]\n"
                   "Makes a new archive FILE (refused when FILE exists).\n"
                   "  --name NAME          the tournament's name\n"
                   "  --points P1,P2,...   score the season by points per round rank (rank 1 gets P1...)\n"
                   "                       instead of the sum of Final scores\n"
                   "  --best N             only each player's best N rounds count\n";
        case C::Round:
            return "Usage: quillmere-tournament round FILE add|set NUMBER [--title TEXT] [--profile FILE]\n"
                   "                                     [--start DD-MM-YYYY] [--deadline-day N]\n"
                   "                                     [--late accept|refuse]\n"
                   "       quillmere-tournament round FILE list\n"
                   "Adds a round, or changes one: its submissions are judged again by the new profile.\n"
                   "  --title TEXT         the round's title (default \"Round NUMBER\")\n"
                   "  --profile FILE       the round's tournament profile (JSON): rules, settings, deadline\n"
                   "  --start DD-MM-YYYY   the round's start date, over the profile's\n"
                   "  --deadline-day N     the last day of the round (the start is day 1), over the profile's\n"
                   "  --late accept|refuse what quillmere-server does with an upload after the deadline: keep\n"
                   "                       it, flagged late, or refuse it naming the deadline (the default)\n";
        case C::Player:
            return "Usage: quillmere-tournament player FILE add NAME [--plays-as IN-GAME-NAME]... [--base-url URL]\n"
                   "       quillmere-tournament player FILE plays-as NAME IN-GAME-NAME\n"
                   "       quillmere-tournament player FILE link|revoke NAME [--base-url URL]\n"
                   "       quillmere-tournament player FILE list\n"
                   "Registers a player, who plays under NAME unless --plays-as says otherwise; a save whose\n"
                   "in-game name one player plays under is theirs. add and link print the player's private\n"
                   "link to quillmere-server's page (a new one each time; the archive keeps only a hash of\n"
                   "it, so it cannot be printed again); revoke ends every link of the player.\n"
                   "  --base-url URL       the server's address as players reach it (default http://127.0.0.1:8080)\n";
        case C::Submit:
            return "Usage: quillmere-tournament submit FILE --round N [options] SAVE|FOLDER...\n"
                   "Analyses the saves as quillmere-report does and adds them to round N, all of them or,\n"
                   "when one cannot be read or its player cannot be told, none. The same file sent again by\n"
                   "the same player in the round is not added twice; a newer save replaces the player's\n"
                   "earlier one, which is kept.\n"
                   "  --player NAME        every save is this player's (default: the player who plays under\n"
                   "                       the save's in-game name)\n"
                   "  --register           register a player for a save whose in-game name nobody plays under\n"
                   "  --received TIME      when the saves came in (default: now), e.g. \"2005-12-28 14:30\"\n"
                   "  --by NAME            who adds them (default: the login name)\n"
                   "  -r, --recursive      read the folders inside folders too\n"
                   "  --files-from FILE|-  more saves, one path a line\n"
                   "  -j, --jobs N         analyse on N workers (default: one per core)\n";
        case C::Rule:
            return "Usage: quillmere-tournament rule FILE SUBMISSION accept|reject|disqualify|pending\n"
                   "                                [--reason TEXT] [--by NAME]\n"
                   "Records a ruling; earlier ones are kept. A rejected submission does not count (a later\n"
                   "save of the player may); a disqualified one takes the player's round out; pending ones\n"
                   "count as provisional.\n"
                   "  --reason TEXT        why (needed to reject or disqualify)\n"
                   "  --by NAME            who rules (default: the login name)\n";
        case C::Standings:
            return "Usage: quillmere-tournament standings FILE [--round N] [--format text|csv|json|html]\n"
                   "                                     [-o FILE] [--flags-only]\n"
                   "Writes the season's standings by the tournament's scoring, or with --round one round's\n"
                   "submissions, ranks, rulings and flags.\n"
                   "  --round N            one round's table\n"
                   "  --format FORMAT      text (default), csv, json (docs/standings.schema.json) or html\n"
                   "  -o, --output FILE    write there, replacing it (default: standard output)\n"
                   "  --flags-only         list only the flagged submissions that stand; exit status 3\n"
                   "                       when there are any\n";
        case C::Export:
            return "Usage: quillmere-tournament export FILE --round N [--format res|csv|json|html] [-o FILE]\n"
                   "                                  [--encoding windows-1251|utf-8] [--decimal-separator ,|.]\n"
                   "                                  [--no-histories] [--no-bom] [--sort name|turn|score|final]\n"
                   "Writes round N's saves as quillmere-report writes them for the same files and profile,\n"
                   "with the season's flags after each save's own.\n";
        case C::Check:
            return "Usage: quillmere-tournament check FILE\n"
                   "Checks the archive (SQLite's integrity check, its links) and every stored save against\n"
                   "its SHA-256; exit status 1 when it finds a problem.\n";
        case C::RefereeLink:
            return "Usage: quillmere-tournament referee-link FILE [--base-url URL] [--revoke]\n"
                   "Prints a new private link to quillmere-server's referee page, whose holder may rule,\n"
                   "list every submission and revoke links. Keep it to yourself.\n"
                   "  --base-url URL       the server's address (default http://127.0.0.1:8080)\n"
                   "  --revoke             end every referee link instead\n";
        case C::Publish:
            return "Usage: quillmere-tournament publish FILE on|off\n"
                   "Shows the season's standings to anyone at quillmere-server's /standings (on), without a\n"
                   "link, or to the referee only (off, the default).\n";
        case C::Backup:
            break;
    }
    return "Usage: quillmere-tournament backup FILE DESTINATION\n"
           "Writes a consistent copy of the archive to DESTINATION (replacing it only once complete),\n"
           "also while another program writes to the archive.\n";
}

}  // namespace quillmere::tournamentcli
