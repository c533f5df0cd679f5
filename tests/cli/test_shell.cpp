// What the shell sees: quoted input, suggested names, unknown commands, help, diff's statuses.
#include <gtest/gtest.h>

#include "cli/suggest.h"
#include "cli/text.h"
#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

TEST(Quoted, CutsAtFortyCharactersAndEscapesControls)
{
    const std::string forty(40, 'a');
    std::string eAcutes;
    for (int i = 0; i < 41; ++i)
        eAcutes += "\xC3\xA9";
    const std::pair<std::string, std::string> cases[] = {
        {"pikchu", "\"pikchu\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"\x1b[31m\x7f", "\"\\x1b[31m\\x7f\""},
        {"\xC2\x9B" "2J", "\"\\u009b2J\""},            // C1 control
        {"Pok\xE9", "\"Pok\\xe9\""},                   // Latin-1, not UTF-8
        {"Pok\xC3\xA9 Doll", "\"Pok\xC3\xA9 Doll\""},
        {forty, "\"" + forty + "\""},
        {forty + "b", "\"" + forty + "\"... (41 bytes)"},
        {eAcutes, "\"" + eAcutes.substr(0, 80) + "\"... (82 bytes)"},  // characters, not bytes
    };
    for (const auto& [input, quoted] : cases)
        EXPECT_EQ(cli::Quoted(input), quoted) << input;
}

struct SuggestCase {
    cli::List list;
    std::string query;
    std::vector<std::size_t> rows;
    friend void PrintTo(const SuggestCase& c, std::ostream* os) { *os << '"' << c.query << '"'; }
};

class Suggest : public ::testing::TestWithParam<SuggestCase> {};

TEST_P(Suggest, NearestFirstThenListOrderAtMostThreeDistinct)
{
    const auto& c = GetParam();
    EXPECT_EQ(cli::Suggest(cli::NamesOf(c.list), c.query), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Suggest,
    ::testing::Values(
        SuggestCase{cli::List::Species, "PIKACHU", {25, 172}},     // case is no edit; Pichu is 2
        SuggestCase{cli::List::Species, "Pkchu", {172, 25}},       // Pichu 1 edit, Pikachu 2: nearest first
        SuggestCase{cli::List::Species, "Pkch", {172}},            // Pichu 2 edits
        SuggestCase{cli::List::Species, "Pkc", {}},                // Pichu 3 edits
        SuggestCase{cli::List::Species, "mew", {151, 89, 610}},    // Mew, then Muk and Axew (2) by row
        SuggestCase{cli::List::Item, "??", {113, 426, 120}},       // "???" x3, "?? " x2, "??? " x14: once each
        SuggestCase{cli::List::Item, "Poke Doll", {63, 4}},        // "Poké Doll" 1 character, "Poke Ball" 2
        SuggestCase{cli::List::Item, "POK\xC3\x89 DOXX", {63}},    // É folds to é: 2 edits, not 3
        SuggestCase{cli::List::Level, "7", {7, 17, 27}}));        // "07", "17", "27"; "00" is 2

TEST(CommandLine, UnknownCommandsAreNamedAndHelpIsACommand)
{
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"exprot", "rom.nds"}, 2, "quorvane-cli: unknown command \"exprot\"; did you mean \"export\"?\n"},
        {{"--version", "SHOW"}, 2, "quorvane-cli: unknown command \"SHOW\"; did you mean \"show\"?\n"},
        {{"frobnicate"}, 2, "quorvane-cli: unknown command \"frobnicate\"; the commands are export, import, diff, "
                            "show, help\n"},
        {{"help", "imprt"}, 2, "quorvane-cli: unknown command \"imprt\"; did you mean \"import\"?\n"},
        {{"help"}, 0, ""},
    };
    for (const auto& c : cases) {
        const Ran r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(run({"help"}).out, run({"--help"}).out);
    for (const char* command : {"export", "import", "diff", "show", "help"}) {
        const Ran r = run({"help", command});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_EQ(r.out, run({command, "--help"}).out) << command;
        EXPECT_NE(r.out.find(std::string("quorvane-cli ") + command), std::string::npos) << r.out;
    }
}

// As cmp: 0 equal, 1 different, 2 trouble; without the option a failure stays 1 and a difference 0.
TEST(DiffStatus, ExitCodeTellsEqualDifferentAndFailure)
{
    TempDir dir;
    const auto a = sampleImage(dir, irbo(), "a.nds");
    const auto b = sampleImage(dir, irbo(), "b.nds");
    auto t = table(b, irbo());
    putWord(t, 24 * 44 + 2, 85);  // Pikachu slot 1: Leaf Stone
    putTable(b, irbo(), t);
    const auto missing = dir.file("missing.nds");
    std::ostringstream closed;
    closed.setstate(std::ios::badbit);

    const struct {
        std::filesystem::path other;
        bool outputFails;
        int plain, withExitCode;
    } cases[] = {
        {a, false, 0, 0}, {b, false, 0, 1}, {missing, false, 1, 2}, {b, true, 1, 2}, {a, true, 1, 2},
    };
    for (const auto& c : cases) {
        for (const char* format : {"csv", "text"}) {
            for (const bool exitCode : {false, true}) {
                std::vector<std::string> args{"diff", "--format", format, a.string(), c.other.string()};
                if (exitCode)
                    args.push_back("--exit-code");
                std::istringstream in;
                std::ostringstream out, err;
                cli::Io io{in, c.outputFails ? closed : out, err, rom::SystemFiles()};
                EXPECT_EQ(cli::Run(args, io), exitCode ? c.withExitCode : c.plain)
                    << c.other << " " << format << " " << exitCode << " " << err.str();
            }
        }
    }
}

}  // namespace
