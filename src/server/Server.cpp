#include "server/Server.h"

#include <httplib.h>

#include <algorithm>
#include <charconv>
#include <condition_variable>
#include <ctime>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "load/SaveFile.h"
#include "load/Windows1251.h"
#include "reload/ReloadControl.h"
#include "server/Pages.h"
#include "server/Tls.h"
#include "session/Profile.h"
#include "session/RecordCodec.h"
#include "tournament/Archive.h"
#include "tournament/SeasonMessages.h"
#include "tournament/Sha256.h"
#include "tournament/Signing.h"
#include "tournament/StandingsReport.h"

namespace quillmere::server {

namespace {

using nlohmann::json;
using tournament::Archive;
using tournament::ArchiveError;
using tournament::ArchiveProblem;
using tournament::LinkHolder;

std::int64_t now() { return static_cast<std::int64_t>(std::time(nullptr)); }

// How long the public standings are shown as they were made; the referee's page's switch shows at once.
constexpr std::chrono::seconds kPublicStandingsAge{2};

// A request's answer that ends its handling: a status and a message a person can act on.
struct Refusal {
    int status;
    std::string message;
    std::optional<int> retryAfter;  // seconds
};

[[noreturn]] void refuse(int status, std::string message, std::optional<int> retryAfter = std::nullopt) {
    throw Refusal{status, std::move(message), retryAfter};
}

// A fixed set of connections to the archive, each used by one thread at a time: SQLite's WAL lets
// them read at once, and IMMEDIATE transactions line their writes up.
class ArchivePool {
public:
    ArchivePool(const std::string& path, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            m_free.push_back(std::make_unique<Archive>(Archive::Open(path, tournament::OpenMode::ReadWrite)));
    }

    class Lease {
    public:
        Lease(ArchivePool& pool, std::unique_ptr<Archive> archive) : m_pool(pool), m_archive(std::move(archive)) {}
        ~Lease() { m_pool.giveBack(std::move(m_archive)); }
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Archive* operator->() const { return m_archive.get(); }
        Archive& operator*() const { return *m_archive; }

    private:
        ArchivePool& m_pool;
        std::unique_ptr<Archive> m_archive;
    };

    [[nodiscard]] Lease lease() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_free.empty(); });
        auto archive = std::move(m_free.back());
        m_free.pop_back();
        return {*this, std::move(archive)};
    }

private:
    void giveBack(std::unique_ptr<Archive> archive) {
        {
            const std::lock_guard lock(m_mutex);
            m_free.push_back(std::move(archive));
        }
        m_changed.notify_one();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::unique_ptr<Archive>> m_free;
};

// Uploads in hand and analyses at once: at most `jobs + queue` uploads are taken (their bodies read
// or being read, so that memory stays within that many times the cap), and of those at most `jobs`
// are analysed at once while the rest wait. A further upload is turned away at once rather than held,
// and a client that sends its body slowly holds a place in the queue, never an analysis.
class AnalysisGate {
public:
    AnalysisGate(unsigned jobs, unsigned queue) : m_jobs(jobs), m_most(jobs + queue) {}

    // A place taken by admit(), given back when destroyed.
    class Place {
    public:
        explicit Place(AnalysisGate& gate) : m_gate(gate) {}
        ~Place() {
            {
                const std::lock_guard lock(m_gate.m_mutex);
                --m_gate.m_admitted;
                if (m_analysing) --m_gate.m_analysing;
            }
            m_gate.m_changed.notify_all();
        }
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;

        // Waits for one of the analyses; the place keeps it until it is destroyed.
        void analyse() {
            std::unique_lock lock(m_gate.m_mutex);
            m_gate.m_changed.wait(lock, [&] { return m_gate.m_analysing < m_gate.m_jobs; });
            ++m_gate.m_analysing;
            m_analysing = true;
        }

    private:
        AnalysisGate& m_gate;
        bool m_analysing = false;
    };

    // Takes a place for one more upload; false, without waiting, when every place is taken.
    [[nodiscard]] bool admit() {
        const std::lock_guard lock(m_mutex);
        if (m_admitted >= m_most) return false;
        ++m_admitted;
        return true;
    }

private:
    unsigned m_jobs;
    unsigned m_most;
    unsigned m_admitted = 0;
    unsigned m_analysing = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

// Requests per link per minute, in fixed one-minute windows. Links are few (one a player), so the
// map stays small; it is emptied of old windows whenever it grows.
class RateLimiter {
public:
    explicit RateLimiter(unsigned perMinute) : m_perMinute(perMinute) {}

    // Whether link `link` may make one more request at `at`; otherwise the seconds until it may.
    [[nodiscard]] std::optional<int> refusal(std::int64_t link, std::int64_t at) {
        const std::lock_guard lock(m_mutex);
        const std::int64_t window = at / 60;
        if (m_counts.size() > 4096)
            std::erase_if(m_counts, [&](const auto& entry) { return entry.second.first != window; });
        auto& [seen, count] = m_counts[link];
        if (seen != window) {
            seen = window;
            count = 0;
        }
        if (count >= m_perMinute) return static_cast<int>(60 - at % 60);
        ++count;
        return std::nullopt;
    }

private:
    unsigned m_perMinute;
    std::mutex m_mutex;
    std::map<std::int64_t, std::pair<std::int64_t, unsigned>> m_counts;
};

int statusOf(const ArchiveError& error) {
    switch (error.problem()) {
        case ArchiveProblem::Refused:
            return 409;
        case ArchiveProblem::Busy:
        case ArchiveProblem::Full:
            return 503;
        default:
            return 500;
    }
}

std::optional<std::int64_t> numberIn(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 1) return std::nullopt;
    return value;
}

// The round `number` of the archive; 404 when there is none.
tournament::RoundInfo roundNumbered(const Archive& archive, std::int64_t number) {
    for (auto& round : archive.rounds())
        if (round.number == number) return round;
    refuse(404, "there is no round " + std::to_string(number));
}

// The file name an upload gives in X-File-Name: its last component, as plain one-line UTF-8 text. It is
// only ever a name in the archive, never a path on disk.
std::string uploadFileName(const httplib::Request& request) {
    if (!request.has_header("X-File-Name")) refuse(400, "the upload names no file (header X-File-Name)");
    // A header holds Latin-1 only: the pages send the name percent-encoded, as UTF-8.
    const std::string header = request.get_header_value("X-File-Name");
    std::string name;
    for (std::size_t i = 0; i < header.size(); ++i) {
        unsigned value = 0;
        if (header[i] == '%' && i + 2 < header.size() &&
            std::from_chars(header.data() + i + 1, header.data() + i + 3, value, 16).ptr == header.data() + i + 3) {
            name += static_cast<char>(value);
            i += 2;
        } else {
            name += header[i];
        }
    }
    if (const auto slash = name.find_last_of("/\\"); slash != std::string::npos) name.erase(0, slash + 1);
    const bool control =
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    if (name.empty() || name.size() > 255 || control || load::FileNameToUtf8(name) != name)
        refuse(400, "X-File-Name must be a file name of 1 to 255 bytes of UTF-8 text");
    return name;
}

// The report a request's ?format= names: res (the results file, by default), csv, json or html, as
// quillmere-tournament export names them.
session::ReportFormat reportFormatOf(const httplib::Request& request) {
    if (!request.has_param("format")) return session::ReportFormat::Results;
    const auto name = request.get_param_value("format");
    if (name == "res") return session::ReportFormat::Results;
    if (name == "csv") return session::ReportFormat::Csv;
    if (name == "json") return session::ReportFormat::Json;
    if (name == "html") return session::ReportFormat::Html;
    refuse(400, "format wants res, csv, json or html");
}

// The last moment of a round's deadline day, or none when the round has no deadline (or no valid start).
struct Deadline {
    std::int32_t day;
    std::string date;  // DD-MM-YYYY of that day
};

std::optional<Deadline> deadlineOf(const tournament::RoundInfo& round) {
    if (!round.profile.deadlineDay) return std::nullopt;
    const auto rules = reload::CheckRules(round.profile.rules, reload::CurrentYear());
    if (!rules.startDate) return std::nullopt;
    // Day 1 is the start date: the deadline day is start + day - 1, in days since 30 December 1899.
    const auto unixDay = static_cast<std::time_t>(*rules.startDate + *round.profile.deadlineDay - 1 - 25569) * 86400;
    std::tm date{};
    ::gmtime_r(&unixDay, &date);
    char text[16];
    std::strftime(text, sizeof text, "%d-%m-%Y", &date);
    return Deadline{*round.profile.deadlineDay, text};
}

bool isLate(const tournament::RoundInfo& round, std::int64_t at) {
    if (!round.profile.deadlineDay) return false;
    const auto rules = reload::CheckRules(round.profile.rules, reload::CurrentYear());
    const auto date = load::LocalFileDate(static_cast<std::time_t>(at));
    if (!rules.startDate || !date) return false;
    return reload::CalendarDay(*date, *rules.startDate) > *round.profile.deadlineDay;
}

// A round that takes no late uploads refuses one, naming its deadline.
void refuseLate(const tournament::RoundInfo& round) {
    const auto deadline = deadlineOf(round);
    refuse(409, "round " + std::to_string(round.number) + " is closed: its deadline was the end of day " +
                    std::to_string(deadline->day) + " (" + deadline->date + ", the server's time)");
}

json rowJson(const tournament::SubmissionRow& row) {
    json out = {{"submission", row.id},
                {"round", row.round},
                {"player", row.playerName},
                {"fileName", row.path},
                {"receivedAt", UtcText(row.receivedAt)},
                {"sha256", row.sha256},
                {"standing", tournament::StandingName(row.place.standing)},
                {"ruling", row.ruling ? tournament::StateName(row.ruling->state) : "pending"},
                {"late", row.late},
                {"flags", row.flags}};
    if (row.status == analysis::SaveStatus::Analysed) out["finalScore"] = row.finalScore;
    if (row.ruling && !row.ruling->reason.empty()) out["reason"] = row.ruling->reason;
    if (row.place.rank) out["rank"] = *row.place.rank;
    if (!row.failure.empty()) out["failure"] = row.failure;
    return out;
}

json receiptJson(const tournament::StoredReceipt& receipt) {
    json out = json::parse(receipt.body);
    out["signed"] = receipt.body;
    out["signature"] = tournament::HexText(receipt.signature);
    return out;
}

// Plain HTTP, or HTTPS when the options name a certificate and its key (checked first, so that a
// wrong file is named and said what is wrong with it).
std::unique_ptr<httplib::Server> makeHttp(const ServerOptions& options) {
    if (options.tlsCertificate.empty()) return std::make_unique<httplib::Server>();
    CheckTlsFiles(options.tlsCertificate, options.tlsKey);
    auto https = std::make_unique<httplib::SSLServer>(options.tlsCertificate.c_str(), options.tlsKey.c_str());
    if (!https->is_valid())
        throw std::runtime_error("cannot serve HTTPS with " + options.tlsCertificate + " and " + options.tlsKey);
    return https;
}

}  // namespace

struct Server::State {
    State(const ServerOptions& given, Log& sink, std::optional<PageCore> givenCore)
        : options(given),
          log(sink),
          core(std::move(givenCore)),
          jobs(given.limits.analysisJobs > 0 ? given.limits.analysisJobs
                                             : std::max(1u, std::thread::hardware_concurrency())),
          pool(given.archive, jobs + 2),
          gate(jobs, given.limits.analysisQueue),
          rate(given.limits.requestsPerMinute),
          http(makeHttp(given)) {
        {
            auto archive = pool.lease();
            key = archive->signingKey(now());
            tournamentName = archive->tournamentName();
        }
        setUp();
    }

    void setUp();
    void respond(httplib::Response& response, int status, const json& body) const;
    LinkHolder holderOf(const httplib::Request& request);
    LinkHolder refereeOf(const httplib::Request& request);
    // The public standings' JSON; refused (404) while the tournament does not publish them. No link
    // bounds a stranger's requests, so they are made again at most every kPublicStandingsAge.
    std::string publicStandings();
    [[nodiscard]] tournament::StoredReceipt makeReceipt(const Archive& archive, std::int64_t submission) const;
    tournament::StoredReceipt receiptFor(Archive& archive, std::int64_t submission);
    // The round an upload of `request` goes to: the one its ?round= names, else the latest.
    tournament::RoundInfo uploadRound(const httplib::Request& request);
    void upload(const httplib::Request& request, httplib::Response& response, const httplib::ContentReader& reader);
    void handle(httplib::Response& response, const std::function<void()>& handler);

    ServerOptions options;
    Log& log;
    std::optional<PageCore> core;
    unsigned jobs;
    ArchivePool pool;
    AnalysisGate gate;
    RateLimiter rate;
    tournament::SigningKey key;
    std::string tournamentName;
    std::unique_ptr<httplib::Server> http;
    int port = 0;
    struct {
        std::mutex mutex;
        std::optional<std::chrono::steady_clock::time_point> made;  // none: to be made at the next request
        std::string text;                                           // empty: not published
    } shown;
};

void Server::State::respond(httplib::Response& response, int status, const json& body) const {
    response.status = status;
    response.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace), "application/json");
}

// Runs a handler, turning its refusal or an archive's failure into the answer; nothing escapes.
void Server::State::handle(httplib::Response& response, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const Refusal& refusal) {
        if (refusal.retryAfter) response.set_header("Retry-After", std::to_string(*refusal.retryAfter));
        respond(response, refusal.status, {{"error", refusal.message}});
    } catch (const ArchiveError& error) {
        const int status = statusOf(error);
        if (status == 503) response.set_header("Retry-After", "5");
        // An archive's message names its file; a client sees only what it can act on.
        std::string message = error.what();
        if (message.starts_with(options.archive + ": ")) message.erase(0, options.archive.size() + 2);
        respond(response, status, {{"error", status == 500 ? "the server cannot use its archive" : message}});
        if (status == 500) log.write("archive-error", {{"message", error.what()}});
    } catch (const std::bad_alloc&) {
        respond(response, 503, {{"error", "the server is short of memory: try again later"}});
    }
}

LinkHolder Server::State::holderOf(const httplib::Request& request) {
    const std::string header = request.get_header_value("Authorization");
    constexpr std::string_view kBearer = "Bearer ";
    if (!header.starts_with(kBearer)) refuse(401, "this needs your private link's token (Authorization: Bearer ...)");
    std::optional<LinkHolder> holder;
    {
        auto archive = pool.lease();
        holder = archive->linkHolder(std::string_view(header).substr(kBearer.size()));
    }
    if (!holder) refuse(401, "this link is not valid (mistyped, or revoked): ask the referee for a new one");
    if (const auto wait = rate.refusal(holder->link, now()))
        refuse(429, "too many requests from this link: wait a minute", *wait);
    return *holder;
}

std::string Server::State::publicStandings() {
    const std::lock_guard lock(shown.mutex);
    const auto at = std::chrono::steady_clock::now();
    if (!shown.made || at - *shown.made >= kPublicStandingsAge) {
        auto archive = pool.lease();
        shown.text.clear();
        if (archive->standingsPublic()) {
            const auto grid = tournament::SeasonGrid(archive->seasonTable());
            shown.text = json{{"tournament", tournamentName}, {"heading", grid.heading},
                              {"header", grid.header},        {"rows", grid.rows},
                              {"numeric", grid.numeric},      {"note", grid.note}}
                             .dump(-1, ' ', false, json::error_handler_t::replace);
        }
        shown.made = at;
    }
    if (shown.text.empty()) refuse(404, "this tournament does not publish its standings");
    return shown.text;
}

LinkHolder Server::State::refereeOf(const httplib::Request& request) {
    const auto holder = holderOf(request);
    if (!holder.referee()) refuse(403, "only the referee may do this");
    return holder;
}

// A new receipt of a stored submission, signed now: its flags are those of the submission in its round,
// judged against only the submissions they depend on.
tournament::StoredReceipt Server::State::makeReceipt(const Archive& archive, std::int64_t submission) const {
    const auto row = archive.judgedSubmission(submission);
    const json body = {{"tournament", tournamentName},
                       {"submission", row.id},
                       {"round", row.round},
                       {"player", row.playerName},
                       {"fileName", row.path},
                       {"sha256", row.sha256},
                       {"receivedAt", UtcText(row.receivedAt)},
                       {"late", row.late},
                       {"flags", row.flags}};
    tournament::StoredReceipt receipt;
    receipt.submission = submission;
    receipt.body = body.dump(-1, ' ', false, json::error_handler_t::replace);
    receipt.signature = tournament::SignMessage(receipt.body, key.secretKey);
    return receipt;
}

// The receipt given for a submission; one stored before receipts were kept with their submission
// gets its receipt now.
tournament::StoredReceipt Server::State::receiptFor(Archive& archive, std::int64_t submission) {
    if (auto kept = archive.receipt(submission)) return *kept;
    return archive.keepReceipt(makeReceipt(archive, submission));
}

tournament::RoundInfo Server::State::uploadRound(const httplib::Request& request) {
    auto archive = pool.lease();
    if (request.has_param("round")) {
        const auto number = numberIn(request.get_param_value("round"));
        if (!number || number > 9999) refuse(400, "round wants a round's number");
        return roundNumbered(*archive, *number);
    }
    auto rounds = archive->rounds();
    if (rounds.empty()) refuse(409, "the tournament has no round open yet");
    return std::move(rounds.back());
}

void Server::State::upload(const httplib::Request& request, httplib::Response& response,
                           const httplib::ContentReader& reader) {
    const auto holder = holderOf(request);
    if (holder.referee()) refuse(403, "the referee's link does not submit saves: use a player's link");
    const std::string fileName = uploadFileName(request);
    const auto limit = options.limits.uploadBytes;
    if (request.has_header("Content-Length")) {
        const auto declared = numberIn(request.get_header_value("Content-Length"));
        if (declared && *declared > limit)
            refuse(413,
                   "the save is larger than this tournament takes (" + std::to_string(limit / 1024 / 1024) + " MiB)");
    }
    const auto round = uploadRound(request);
    // Refused before its body is read, and again if the deadline passed while it was.
    if (!round.acceptsLate && isLate(round, now())) refuseLate(round);
    if (!gate.admit()) refuse(503, "the server is busy analysing other saves: try again in a few seconds", 5);
    AnalysisGate::Place place(gate);

    // The body, read here so that its size and time are this server's to bound, not the client's.
    std::vector<std::uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + options.limits.requestTime;
    bool tooLarge = false;
    bool tooSlow = false;
    const bool read = reader([&](const char* data, std::size_t length) {
        if (std::chrono::steady_clock::now() > deadline) {
            tooSlow = true;
            return false;
        }
        if (length > static_cast<std::size_t>(limit) - bytes.size()) {
            tooLarge = true;
            return false;
        }
        bytes.insert(bytes.end(), reinterpret_cast<const std::uint8_t*>(data),
                     reinterpret_cast<const std::uint8_t*>(data) + length);
        return true;
    });
    if (tooLarge)
        refuse(413, "the save is larger than this tournament takes (" + std::to_string(limit / 1024 / 1024) + " MiB)");
    if (tooSlow || !read) refuse(408, "the upload took too long or was cut off: send it again");
    if (bytes.empty()) refuse(422, "the upload is empty");

    const std::int64_t receivedAt = now();
    if (!round.acceptsLate && isLate(round, receivedAt)) refuseLate(round);
    tournament::Upload upload;
    upload.round = round.number;
    upload.player = holder.playerName;
    upload.fileName = fileName;
    upload.bytes = bytes;
    upload.fileTime = static_cast<std::time_t>(receivedAt);
    upload.receivedAt = receivedAt;
    upload.by = "link " + std::to_string(holder.link);
    upload.refuseUnreadable = true;
    upload.receipt = [&](const Archive& stored, std::int64_t submission) { return makeReceipt(stored, submission); };
    place.analyse();
    auto archive = pool.lease();
    const auto outcome = archive->submitUpload(upload);
    if (outcome.result == tournament::SubmitResult::Refused) {
        log.write(
            "upload-refused",
            {{"player", holder.playerName}, {"bytes", std::to_string(bytes.size())}, {"reason", outcome.message}});
        refuse(outcome.failure.empty() ? 409 : 422, outcome.message);
    }
    const auto receipt = receiptFor(*archive, outcome.submission);
    const bool added = outcome.result == tournament::SubmitResult::Added;
    log.write(added ? "upload" : "upload-again", {{"player", holder.playerName},
                                                  {"submission", std::to_string(outcome.submission)},
                                                  {"round", std::to_string(round.number)},
                                                  {"bytes", std::to_string(bytes.size())}});
    respond(response, added ? 201 : 200, receiptJson(receipt));
}

void Server::State::setUp() {
    const auto& limits = options.limits;
    http->new_task_queue = [threads = limits.threads] { return new httplib::ThreadPool(threads); };
    http->set_read_timeout(limits.readTimeout);
    http->set_write_timeout(limits.readTimeout);
    http->set_keep_alive_timeout(5);
    http->set_keep_alive_max_count(100);
    // The cap of a body httplib reads itself (the JSON of a ruling); an upload is bounded by its own.
    http->set_payload_max_length(static_cast<std::size_t>(limits.uploadBytes));
    http->set_default_headers({
        {"Content-Security-Policy", std::string(kContentSecurityPolicy)},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"X-Frame-Options", "DENY"},
        {"Cache-Control", "no-store"},
    });
    http->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        log.write("request", {{"method", request.method},
                              {"path", request.path},
                              {"status", std::to_string(response.status)},
                              {"remote", request.remote_addr}});
    });
    http->set_exception_handler([this](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        respond(response, 500, {{"error", "the server failed on this request"}});
    });
    http->set_error_handler([this](const httplib::Request&, httplib::Response& response) {
        if (!response.body.empty()) return;
        if (response.status == 413) {
            respond(response, 413,
                    {{"error", "the request is larger than this tournament takes (" +
                                   std::to_string(options.limits.uploadBytes / 1024 / 1024) + " MiB)"}});
        } else if (response.status == 404) {
            respond(response, 404, {{"error", "no such page"}});
        } else {
            respond(response, response.status,
                    {{"error", "the request cannot be served (status " + std::to_string(response.status) + ")"}});
        }
    });

    http->Get("/healthz", [this](const httplib::Request&, httplib::Response& response) {
        respond(response, 200, {{"status", "ok"}, {"tournament", tournamentName}});
    });
    http->Get("/api/public-key", [this](const httplib::Request&, httplib::Response& response) {
        respond(response, 200, {{"algorithm", "Ed25519"}, {"publicKey", tournament::HexText(key.publicKey)}});
    });
    // Browsers ask for an icon by themselves; there is none.
    http->Get("/favicon.ico", [](const httplib::Request&, httplib::Response& response) { response.status = 204; });
    for (const auto& page : Pages()) {
        const bool published = page.path == "/standings";
        http->Get(std::string(page.path),
                  [this, &page, published](const httplib::Request&, httplib::Response& response) {
                      handle(response, [&] {
                          if (published) (void)publicStandings();
                          response.set_content(std::string(page.content), std::string(page.type));
                      });
                  });
    }
    // The season's table as the core words it, for anyone while the tournament publishes it: the
    // players' names and points only, never the referee's flags.
    http->Get("/api/public-standings", [this](const httplib::Request&, httplib::Response& response) {
        handle(response, [&] { response.set_content(publicStandings(), "application/json"); });
    });
    http->Post("/api/standings/publish", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            (void)refereeOf(request);
            const json body = json::parse(request.body, nullptr, false);
            if (!body.is_object() || !body.contains("published") || !body["published"].is_boolean())
                refuse(400, "say whether to publish the standings: JSON {\"published\": true} or false");
            const bool published = body["published"].get<bool>();
            auto archive = pool.lease();
            archive->publishStandings(published);
            {
                const std::lock_guard lock(shown.mutex);
                shown.made.reset();
            }
            log.write("publish", {{"published", published ? "yes" : "no"}});
            respond(response, 200, {{"published", published}});
        });
    });

    http->Post("/api/submissions", [this](const httplib::Request& request, httplib::Response& response,
                                          const httplib::ContentReader& reader) {
        handle(response, [&] { upload(request, response, reader); });
        // A refused upload's body may be left unread: the connection cannot carry another request.
        if (response.status >= 400) response.set_header("Connection", "close");
    });
    http->Get("/api/submissions", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            const auto holder = holderOf(request);
            if (holder.referee()) refuse(403, "the referee lists a round's submissions: /api/rounds/N/submissions");
            std::vector<tournament::SubmissionRow> rows;
            auto archive = pool.lease();
            for (const auto& round : archive->rounds()) {
                for (auto& row : archive->roundTable(round.number).rows)
                    if (row.player == *holder.player) rows.push_back(std::move(row));
            }
            // In the order they came in, as the player sent them.
            std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
            json list = json::array();
            for (const auto& row : rows) list.push_back(rowJson(row));
            respond(response, 200, {{"player", holder.playerName}, {"submissions", list}});
        });
    });
    // What the player's page needs to show a save as the referee will see it before sending it: the
    // round it would go to, with its profile, and whether this server has the browser core to run.
    http->Get("/api/preview", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            const auto holder = holderOf(request);
            if (holder.referee()) refuse(403, "the referee's link does not submit saves: use a player's link");
            const auto round = uploadRound(request);
            json answer = {{"core", core.has_value()},
                           {"round", round.number},
                           {"title", round.title},
                           {"profileName", round.profileName},
                           {"profile", session::ProfileJson(round.profile)},
                           {"lateRule", tournament::LateRuleText(round)}};
            respond(response, 200, answer);
        });
    });
    if (core) {
        http->Get("/static/quillmere-core.js", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(core->script, "text/javascript; charset=utf-8");
        });
        http->Get("/static/" + std::string(kPageCoreModule),
                  [this](const httplib::Request&, httplib::Response& response) {
                      response.set_content(core->module, "application/wasm");
                  });
    }
    http->Get(R"(/api/submissions/(\d{1,18}))", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            const auto holder = holderOf(request);
            const auto number = numberIn(request.matches[1].str());
            const std::string unknown = "there is no submission " + request.matches[1].str() + " of yours";
            auto archive = pool.lease();
            for (const auto& round : archive->rounds()) {
                for (const auto& row : archive->roundTable(round.number).rows) {
                    if (!number || row.id != *number) continue;
                    // Another player's submission is answered as one that does not exist.
                    if (!holder.referee() && row.player != *holder.player) refuse(404, unknown);
                    json out = rowJson(row);
                    if (const auto receipt = archive->receipt(row.id)) out["receipt"] = receiptJson(*receipt);
                    respond(response, 200, out);
                    return;
                }
            }
            refuse(404, unknown);
        });
    });

    http->Get("/api/rounds", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            (void)holderOf(request);
            json list = json::array();
            auto archive = pool.lease();
            for (const auto& round : archive->rounds()) {
                json item = {{"number", round.number},
                             {"title", round.title},
                             {"submissions", round.submissions},
                             {"acceptsLate", round.acceptsLate},
                             {"lateRule", tournament::LateRuleText(round)}};
                if (const auto deadline = deadlineOf(round)) {
                    item["deadlineDay"] = deadline->day;
                    item["deadlineDate"] = deadline->date;
                }
                list.push_back(item);
            }
            respond(
                response, 200,
                {{"tournament", tournamentName}, {"standingsPublic", archive->standingsPublic()}, {"rounds", list}});
        });
    });
    http->Get(R"(/api/rounds/(\d{1,4})/submissions)", [this](const httplib::Request& request,
                                                             httplib::Response& response) {
        handle(response, [&] {
            (void)refereeOf(request);
            auto archive = pool.lease();
            const auto table = archive->roundTable(roundNumbered(*archive, std::stoi(request.matches[1].str())).number);
            json list = json::array();
            for (const auto& row : table.rows) list.push_back(rowJson(row));
            respond(response, 200,
                    {{"round", table.round.number},
                     {"title", table.round.title},
                     {"profileName", table.round.profileName},
                     {"profile", session::ProfileJson(table.round.profile)},
                     {"submissions", list}});
        });
    });
    // The round's records as the browser core's session takes them, for the referee's page to show
    // the round in the browser edition's grids: each a little-endian 32-bit length, then the record
    // as the core encodes it, in the order the submissions came in.
    http->Get(R"(/api/rounds/(\d{1,4})/records)", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            (void)refereeOf(request);
            auto archive = pool.lease();
            const auto records =
                archive->roundRecords(roundNumbered(*archive, std::stoi(request.matches[1].str())).number);
            std::string body;
            for (const auto& record : records) {
                const auto bytes = session::EncodeRecord(record);
                const auto length = static_cast<std::uint32_t>(bytes.size());
                for (int shift = 0; shift < 32; shift += 8) body += static_cast<char>((length >> shift) & 0xFF);
                body.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            }
            response.set_content(body, "application/octet-stream");
        });
    });
    http->Get(R"(/api/rounds/(\d{1,4})/results)", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            (void)refereeOf(request);
            const auto format = reportFormatOf(request);
            auto archive = pool.lease();
            std::string text;
            archive->writeRoundReport(roundNumbered(*archive, std::stoi(request.matches[1].str())).number, format,
                                      view::FormatOptions{}, session::ReportContent{}, std::nullopt,
                                      [&](std::string_view part) { text += part; });
            const auto& kind = session::kReportKinds[static_cast<std::size_t>(format)];
            response.set_header("Content-Disposition", "attachment; filename=\"" + std::string(kind.fileName) + "\"");
            response.set_content(text, format == session::ReportFormat::Results
                                           ? "text/plain; charset=windows-1251"
                                           : std::string(kind.mimeType) + "; charset=utf-8");
        });
    });
    http->Post(
        R"(/api/submissions/(\d{1,18})/ruling)", [this](const httplib::Request& request, httplib::Response& response) {
            handle(response, [&] {
                const auto holder = refereeOf(request);
                const auto number = numberIn(request.matches[1].str());
                const json body = json::parse(request.body, nullptr, false);
                if (!number || !body.is_object() || !body.contains("state") || !body["state"].is_string())
                    refuse(400, "a ruling is JSON {\"state\": \"accepted\", \"reason\": \"...\"}");
                const auto state = tournament::StateNamed(body["state"].get<std::string>());
                if (!state) refuse(400, "a ruling's state is pending, accepted, rejected or disqualified");
                const std::string reason =
                    body.contains("reason") && body["reason"].is_string() ? body["reason"].get<std::string>() : "";
                auto archive = pool.lease();
                archive->rule(*number, *state, reason, "referee (link " + std::to_string(holder.link) + ")", now());
                log.write("ruling", {{"submission", std::to_string(*number)},
                                     {"state", std::string(tournament::StateName(*state))}});
                respond(response, 200,
                        {{"submission", *number}, {"ruling", tournament::StateName(*state)}, {"reason", reason}});
            });
        });
    http->Get("/api/standings", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            (void)refereeOf(request);
            auto archive = pool.lease();
            response.set_content(tournament::SeasonStandings(archive->seasonTable(), tournament::StandingsFormat::Json),
                                 "application/json");
        });
    });
    http->Get("/api/players", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            (void)refereeOf(request);
            json list = json::array();
            auto archive = pool.lease();
            for (const auto& player : archive->players())
                list.push_back(
                    {{"name", player.name}, {"playsAs", player.playsAs}, {"submissions", player.submissions}});
            respond(response, 200, {{"players", list}});
        });
    });
    http->Post("/api/links/revoke", [this](const httplib::Request& request, httplib::Response& response) {
        handle(response, [&] {
            (void)refereeOf(request);
            const json body = json::parse(request.body, nullptr, false);
            if (!body.is_object() || !body.contains("player") || !body["player"].is_string())
                refuse(400, "name the player whose links to revoke: JSON {\"player\": \"NAME\"}");
            const auto player = body["player"].get<std::string>();
            auto archive = pool.lease();
            const int revoked = archive->revokeLinks(player, now());
            log.write("revoke", {{"player", player}, {"links", std::to_string(revoked)}});
            respond(response, 200, {{"player", player}, {"revoked", revoked}});
        });
    });
}

Server::Server(const ServerOptions& options, Log& log, std::optional<PageCore> pageCore)
    : m_state(std::make_unique<State>(options, log, std::move(pageCore))) {
    auto& state = *m_state;
    if (options.port == 0) {
        state.port = state.http->bind_to_any_port(options.host);
        if (state.port < 0) state.port = 0;
    } else if (state.http->bind_to_port(options.host, options.port)) {
        state.port = options.port;
    }
    if (state.port == 0)
        throw std::runtime_error("cannot listen on " + options.host + ":" + std::to_string(options.port) +
                                 " (in use, or not an address of this machine)");
}

Server::~Server() = default;

int Server::port() const { return m_state->port; }

bool Server::run() {
    m_state->log.write("listening", {{"host", m_state->options.host},
                                     {"scheme", m_state->options.tlsCertificate.empty() ? "http" : "https"},
                                     {"port", std::to_string(m_state->port)},
                                     {"jobs", std::to_string(m_state->jobs)}});
    return m_state->http->listen_after_bind();
}

void Server::stop() { m_state->http->stop(); }

}  // namespace quillmere::server
