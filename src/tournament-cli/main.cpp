#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ReportOptions.h"
#include "export/AtomicFile.h"
#include "export/SafeText.h"
#include "load/FileList.h"
#include "session/Profile.h"
#include "session/Session.h"
#include "tournament-cli/TournamentOptions.h"
#include "tournament/Archive.h"
#include "tournament/Referee.h"
#include "tournament/SeasonMessages.h"
#include "tournament/StandingsReport.h"

namespace {

using namespace quillmere;
using tournamentcli::Command;
using tournamentcli::TournamentOptions;

constexpr int kDone = 0;
constexpr int kSomeFailed = 1;
constexpr int kRefused = 2;
constexpr int kSomeFlagged = 3;

std::string shown(std::string_view text) { return exporting::EscapedForTerminal(text); }

int fail(const std::string& message) {
    std::fprintf(stderr, "quillmere-tournament: %s\n", shown(message).c_str());
    return kRefused;
}

void say(const std::string& line) { std::printf("%s\n", shown(line).c_str()); }

std::int64_t now() { return static_cast<std::int64_t>(std::time(nullptr)); }

bool progressTerminal() {
    const char* term = std::getenv("TERM");
    return ::isatty(STDERR_FILENO) == 1 && term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

std::string localeCodeset() {
    if (std::setlocale(LC_CTYPE, "") == nullptr) return "ANSI_X3.4-1968";
    std::string codeset = ::nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, "C");
    return codeset;
}

// Writes `text` to standard output or, replacing it only once complete, to `path`.
int writeOutput(const std::string& path, std::string_view text) {
    if (path == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
            return fail("cannot write to standard output");
        return kDone;
    }
    try {
        exporting::WriteFileAtomically(path, text);
    } catch (const exporting::ExportError& error) {
        return fail("cannot write '" + path + "': " + error.what());
    }
    return kDone;
}

int runNew(const TournamentOptions& options) {
    const auto archive =
        tournament::Archive::Create(options.archive, *options.name, options.scoring, now(), options.wait);
    say("made " + options.archive + ": " + *options.name + " (" + tournament::ScoringText(options.scoring) + ")");
    return kDone;
}

std::string roundLine(const tournament::RoundInfo& round) {
    std::string line = "round " + std::to_string(round.number) + ": " + round.title + " (" +
                       std::to_string(round.submissions) + " submissions; start " +
                       reload::StartDateText(round.profile.rules);
    if (round.profile.deadlineDay) line += ", deadline day " + std::to_string(*round.profile.deadlineDay);
    if (!round.profileName.empty()) line += "; profile " + round.profileName;
    if (round.acceptsLate) line += "; late uploads kept";
    return line + ")";
}

int runRound(const TournamentOptions& options) {
    const std::string& action = options.operands.front();
    if (action == "list") {
        const auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadOnly, options.wait);
        for (const auto& round : archive.rounds()) say(roundLine(round));
        return kDone;
    }
    auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadWrite, options.wait);
    const int number = [&] {
        try {
            return std::stoi(options.operands[1]);
        } catch (const std::exception&) {
            return -1;
        }
    }();
    if (number < 1) return fail("a round's number is 1 or more, not '" + options.operands[1] + "'");
    tournament::RoundInfo round;
    round.number = number;
    if (action == "set") round = archive.round(number);
    if (options.title) round.title = *options.title;
    if (options.profile) {
        const auto rules = round.profile.rules;
        round.profile = session::ReadProfile(*options.profile);
        round.profileName = session::ProfileNameOf(round.profile, *options.profile);
    }
    if (options.start && !reload::SetStartDateText(round.profile.rules, *options.start))
        return fail("--start wants a date DD-MM-YYYY, not '" + *options.start + "'");
    if (options.deadlineDay) round.profile.deadlineDay = *options.deadlineDay;
    if (options.acceptLate) round.acceptsLate = *options.acceptLate;
    if (action == "add") {
        archive.addRound(round);
        say("added " + roundLine(archive.round(number)));
        return kDone;
    }
    archive.changeRound(round);
    const auto table = archive.roundTable(number);
    std::size_t flagged = 0;
    for (const auto& row : table.rows) flagged += row.flags.empty() ? 0 : 1;
    say("changed " + roundLine(table.round) + ": " + std::to_string(table.rows.size()) + " submissions judged again, " +
        std::to_string(flagged) + " flagged");
    return kDone;
}

int runPlayer(const TournamentOptions& options) {
    const std::string& action = options.operands.front();
    if (action == "list") {
        const auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadOnly, options.wait);
        for (const auto& player : archive.players()) {
            std::string line = player.name + ": plays as ";
            for (std::size_t i = 0; i < player.playsAs.size(); ++i)
                line += (i == 0 ? "'" : ", '") + player.playsAs[i] + "'";
            line += "; " + std::to_string(player.submissions) + " submissions";
            if (!player.playedAs.empty()) {
                line += ", played as ";
                for (std::size_t i = 0; i < player.playedAs.size(); ++i)
                    line += (i == 0 ? "'" : ", '") + player.playedAs[i] + "'";
            }
            say(line);
        }
        return kDone;
    }
    auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadWrite, options.wait);
    const std::string& name = options.operands[1];
    if (action == "add") {
        archive.addPlayer(name, options.playsAs, now());
        say("registered " + name + "; their private link: " + options.baseUrl +
            "/submit#token=" + archive.addLink(name, now()));
    } else if (action == "link") {
        say(name + "'s new private link: " + options.baseUrl + "/submit#token=" + archive.addLink(name, now()));
    } else if (action == "revoke") {
        const int revoked = archive.revokeLinks(name, now());
        say(name + ": " + std::to_string(revoked) + (revoked == 1 ? " link" : " links") + " revoked");
    } else {
        archive.addPlaysAs(options.operands[1], options.operands[2]);
        say(options.operands[1] + " plays as '" + options.operands[2] + "'");
    }
    return kDone;
}

std::optional<std::vector<std::string>> savePaths(const TournamentOptions& options) {
    std::vector<std::string> given = options.operands;
    if (options.filesFrom) {
        try {
            auto listed = session::ReadPathList(*options.filesFrom, std::cin);
            given.insert(given.end(), listed.begin(), listed.end());
        } catch (const session::PathListError& error) {
            fail(error.what());
            return std::nullopt;
        }
    }
    // Folders as quillmere-report reads them, so that each save keeps the path it would have there.
    auto expanded = load::ExpandPaths(given, options.recursive);
    for (const auto& [path, reason] : expanded.skipped) {
        fail(path + ": " + reason + ": not added");
        return std::nullopt;
    }
    return expanded.files;
}

int runSubmit(const TournamentOptions& options) {
    auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadWrite, options.wait);
    const auto paths = savePaths(options);
    if (!paths) return kRefused;
    if (paths->empty()) return fail("no save files in the folders given");
    tournament::SubmitOptions submit;
    submit.round = *options.round;
    submit.player = options.player;
    submit.registerPlayers = options.registerPlayers;
    submit.receivedAt = options.received.value_or(now());
    submit.by = options.by.value_or(tournament::LoginName());
    submit.jobs = options.jobs;
    const bool showProgress = progressTerminal();
    if (showProgress) {
        submit.onProgress = [](std::size_t done, std::size_t total) {
            std::fprintf(stderr, "\rquillmere-tournament: %zu of %zu files stored", done, total);
            std::fflush(stderr);
        };
    }
    const auto summary = archive.submitFiles(*paths, submit);
    if (showProgress) std::fputs("\r\033[K", stderr);
    if (!summary.committed) {
        for (const auto& outcome : summary.outcomes) {
            if (outcome.result != tournament::SubmitResult::Refused) continue;
            std::string message = tournament::RefusedLine(outcome);
            if (message.ends_with(": name its player")) message += " with --player NAME";
            std::fprintf(stderr, "%s\n", shown(message).c_str());
        }
        return fail(tournament::RefusedSummary(summary));
    }
    for (const auto& outcome : summary.outcomes) {
        say(tournament::SubmittedLine(outcome, *options.round));
        if (outcome.result == tournament::SubmitResult::Added && !outcome.failure.empty())
            std::fprintf(stderr, "%s\n", shown(tournament::KeptFailureLine(outcome)).c_str());
    }
    return summary.failed() > 0 ? kSomeFailed : kDone;
}

int runRule(const TournamentOptions& options) {
    const std::string& verb = options.operands[1];
    std::optional<tournament::RulingState> state;
    if (verb == "accept")
        state = tournament::RulingState::Accepted;
    else if (verb == "reject")
        state = tournament::RulingState::Rejected;
    else if (verb == "disqualify")
        state = tournament::RulingState::Disqualified;
    else if (verb == "pending")
        state = tournament::RulingState::Pending;
    else
        return fail("a ruling is accept, reject, disqualify or pending, not '" + verb + "'");
    std::int64_t submission = 0;
    try {
        std::size_t used = 0;
        submission = std::stoll(options.operands[0], &used);
        if (used != options.operands[0].size()) submission = 0;
    } catch (const std::exception&) {
    }
    if (submission < 1) return fail("a submission is given by its number, not '" + options.operands[0] + "'");
    auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadWrite, options.wait);
    archive.rule(submission, *state, options.reason.value_or(""), options.by.value_or(tournament::LoginName()), now());
    say(tournament::RuledLine(submission, *state, options.reason.value_or("")));
    return kDone;
}

int runStandings(const TournamentOptions& options) {
    const auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadOnly, options.wait);
    if (options.round)
        return writeOutput(options.output, RoundStandings(archive.roundTable(*options.round), options.standingsFormat));
    const auto season = archive.seasonTable();
    if (options.flagsOnly) {
        const int status = writeOutput(options.output, tournament::FlaggedLines(season));
        return status != kDone ? status : season.flagged.empty() ? kDone : kSomeFlagged;
    }
    return writeOutput(options.output, SeasonStandings(season, options.standingsFormat));
}

int runExport(const TournamentOptions& options) {
    const auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadOnly, options.wait);
    std::optional<exporting::AtomicFileWriter> file;
    try {
        if (options.output != "-") file.emplace(options.output);
    } catch (const exporting::ExportError& error) {
        return fail("cannot write '" + options.output + "': " + error.what());
    }
    cli::ReportOptions report;
    report.encoding = options.encoding;
    const bool toTerminal = options.output == "-" && ::isatty(STDOUT_FILENO) == 1;
    const auto encoding = cli::ResultsEncoding(report, toTerminal, toTerminal ? localeCodeset() : "");
    bool written = true;
    exporting::LostCharacters lost;
    try {
        lost = archive.writeRoundReport(
            *options.round, options.reportFormat, {options.decimalSeparator, encoding},
            {options.histories, options.byteOrderMark}, options.sort, [&](std::string_view part) {
                if (!written) return;
                if (file) {
                    file->write(part);
                } else if (std::fwrite(part.data(), 1, part.size(), stdout) != part.size()) {
                    written = false;
                }
            });
        if (file) file->commit();
    } catch (const exporting::ExportError& error) {
        return fail("cannot write '" + options.output + "': " + error.what());
    }
    if (!written || std::fflush(stdout) != 0) return fail("cannot write to standard output");
    if (lost.names > 0)
        std::fprintf(stderr, "quillmere-tournament: %s\n", shown(exporting::LostCharactersMessage(lost)).c_str());
    return kDone;
}

int runCheck(const TournamentOptions& options) {
    const auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadOnly, options.wait);
    const auto report = archive.check();
    for (const auto& problem : report.problems)
        std::fprintf(stderr, "%s: %s\n", shown(options.archive).c_str(), shown(problem).c_str());
    say(options.archive + ": " +
        (report.problems.empty() ? "ok" : std::to_string(report.problems.size()) + " problems") + " (" +
        std::to_string(report.files) + " stored files, " + std::to_string(report.bytes) +
        " bytes, checked against their SHA-256)");
    return report.problems.empty() ? kDone : kSomeFailed;
}

int runBackup(const TournamentOptions& options) {
    const auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadOnly, options.wait);
    archive.backup(options.operands.front());
    say("wrote " + options.operands.front() + ", a copy of " + options.archive);
    return kDone;
}

int runRefereeLink(const TournamentOptions& options) {
    auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadWrite, options.wait);
    if (options.revoke) {
        const int revoked = archive.revokeLinks(std::nullopt, now());
        say("the referee: " + std::to_string(revoked) + (revoked == 1 ? " link" : " links") + " revoked");
        return kDone;
    }
    say("the referee's private link: " + options.baseUrl + "/referee#token=" + archive.addLink(std::nullopt, now()));
    return kDone;
}

int runPublish(const TournamentOptions& options) {
    auto archive = tournament::Archive::Open(options.archive, tournament::OpenMode::ReadWrite, options.wait);
    const bool published = options.operands.front() == "on";
    archive.publishStandings(published);
    say(published ? "the standings are public: quillmere-server shows them at /standings"
                  : "the standings are not public: only the referee sees them");
    return kDone;
}

int run(const std::vector<std::string>& arguments) {
    TournamentOptions options;
    try {
        options = tournamentcli::ParseTournamentArguments(arguments);
    } catch (const tournamentcli::UsageError& error) {
        fail(error.what());
        std::fputs("Try 'quillmere-tournament --help'.\n", stderr);
        return kRefused;
    }
    if (options.action == TournamentOptions::Action::Help) {
        std::fputs(tournamentcli::TournamentUsage(options.command).c_str(), stdout);
        return kDone;
    }
    if (options.action == TournamentOptions::Action::Version) {
        std::puts("quillmere-tournament " QUILLMERE_VERSION);
        return kDone;
    }
    try {
        switch (*options.command) {
            case Command::New:
                return runNew(options);
            case Command::Round:
                return runRound(options);
            case Command::Player:
                return runPlayer(options);
            case Command::Submit:
                return runSubmit(options);
            case Command::Rule:
                return runRule(options);
            case Command::Standings:
                return runStandings(options);
            case Command::Export:
                return runExport(options);
            case Command::Check:
                return runCheck(options);
            case Command::Backup:
                return runBackup(options);
            case Command::RefereeLink:
                return runRefereeLink(options);
            case Command::Publish:
                return runPublish(options);
        }
    } catch (const tournament::ArchiveError& error) {
        return fail(error.what());
    } catch (const session::ProfileError& error) {
        return fail(error.what());
    } catch (const std::bad_alloc&) {
        return fail("insufficient memory");
    }
    return kRefused;
}

}  // namespace

int main(int argc, char** argv) { return run(std::vector<std::string>(argv + 1, argv + argc)); }
