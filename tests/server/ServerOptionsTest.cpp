#include "server/ServerOptions.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace quillmere::server {
namespace {

ServerOptions parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--archive", "cup.qmt"});
    return ParseServerArguments(arguments);
}

std::string refusal(std::vector<std::string> arguments) {
    try {
        (void)ParseServerArguments(arguments);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(ServerOptions, DefaultsAreTheSafeOnes) {
    const auto options = parse({});
    EXPECT_EQ(options.archive, "cup.qmt");
    EXPECT_EQ(options.host, "127.0.0.1");
    EXPECT_EQ(options.port, 8080);
    EXPECT_EQ(options.limits.uploadBytes, 16 * 1024 * 1024);
}

struct ListenCase {
    const char* given;
    const char* host;
    int port;
};

class Listen : public testing::TestWithParam<ListenCase> {};

TEST_P(Listen, TakesAHostAndAPortIPv6InBrackets) {
    const auto options = parse({"--listen", GetParam().given});
    EXPECT_EQ(options.host, GetParam().host);
    EXPECT_EQ(options.port, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(Addresses, Listen,
                         testing::Values(ListenCase{"127.0.0.1:8080", "127.0.0.1", 8080},
                                         ListenCase{"[::1]:0", "::1", 0},
                                         ListenCase{"localhost:65535", "localhost", 65535},
                                         ListenCase{"[fe80::1%lo]:81", "fe80::1%lo", 81}),
                         [](const auto& test) {
                             std::string name;
                             for (const char c : std::string(test.param.given))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(ServerOptions, RefusesWhatCannotBeMeantAndSaysWhy) {
    const std::string listen = "--listen wants HOST:PORT, such as 127.0.0.1:8080 or [::1]:8080, not ";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "--archive FILE is needed"},
        {{"--archive", "a", "--listen", "::1:80"}, listen + "'::1:80'"},
        {{"--archive", "a", "--listen", "[::1]80"}, listen + "'[::1]80'"},
        {{"--archive", "a", "--listen", ":80"}, listen + "':80'"},
        {{"--archive", "a", "--listen", "127.0.0.1:65536"},
         "--listen's port wants a number from 0 to 65535, not '65536'"},
        {{"--archive", "a", "--max-upload-mib", "257"}, "--max-upload-mib wants a number from 1 to 256, not '257'"},
        {{"--archive", "a", "--max-upload-mib", "0"}, "--max-upload-mib wants a number from 1 to 256, not '0'"},
        {{"--archive", "a", "--queue", "-1"}, "--queue wants a number from 0 to 10000, not '-1'"},
        {{"--archive", "a", "--jobs"}, "--jobs wants a value"},
        {{"--archive", "a", "--port", "1"}, "unknown option '--port'"},
        {{"--archive", "a", "extra"}, "unexpected argument 'extra'"},
        {{"--archive", "a", "--tls-cert", "c.pem"}, "--tls-cert FILE and --tls-key FILE go together"},
        {{"--archive", "a", "--tls-key", "k.pem"}, "--tls-cert FILE and --tls-key FILE go together"},
        {{"--archive", "a", "--page-core", "c.js", "--no-page-core"},
         "--page-core FILE and --no-page-core contradict each other"},
        {{"--archive", "a", "--accept-late"},
         "--accept-late is a round's setting: quillmere-tournament round FILE set N --late accept"},
    };
    for (const auto& [arguments, message] : cases) EXPECT_EQ(refusal(arguments), message);
}

TEST(ServerOptions, TheUploadCapReachesTheCoresAndNoFurther) {
    EXPECT_EQ(parse({"--max-upload-mib=256"}).limits.uploadBytes, std::int64_t{256} * 1024 * 1024);
    EXPECT_EQ(parse({"--max-upload-mib", "1"}).limits.uploadBytes, 1024 * 1024);
}

TEST(ServerOptions, HelpAndVersionEndTheParse) {
    EXPECT_EQ(ParseServerArguments(std::vector<std::string>{"--help", "--bogus"}).action, ServerOptions::Action::Help);
    EXPECT_EQ(ParseServerArguments(std::vector<std::string>{"--version"}).action, ServerOptions::Action::Version);
    EXPECT_NE(ServerUsage().find("--max-upload-mib"), std::string::npos);
}

}  // namespace
}  // namespace quillmere::server
