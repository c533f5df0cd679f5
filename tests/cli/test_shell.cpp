// What the shell sees: quoted input, suggested names, unknown commands, help, diff's statuses.
#include <gtest/gtest.h>

#include "cli/suggest.h"
#include "cli/text.h"
#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

TEST(Quoted, CutsAtFortyCharactersAndEscapesControls)
{
    std::string eAcutes;
    for (int i = 0; i < 41; ++i)
        eAcutes += "\xC3\xA9";
    EXPECT_EQ(cli::Quoted("a\"\\\x1b[31m\x7f" "\xC2\x9B" "2J\xE9 Pok\xC3\xA9"),  // C1 control, a Latin-1 byte
              "\"a\\\"\\\\\\x1b[31m\\x7f\\u009b2J\\xe9 Pok\xC3\xA9\"");
    EXPECT_EQ(cli::Quoted(std::string(40, 'a')), "\"" + std::string(40, 'a') + "\"");
    EXPECT_EQ(cli::Quoted(eAcutes), "\"" + eAcutes.substr(0, 80) + "...\" (82 bytes)");  // characters, not bytes
}

TEST(Suggest, NearestFirstThenListOrderAtMostThreeDistinct)
{
    const struct {
        cli::List list;
        std::string query;
        std::vector<std::size_t> rows;
    } cases[] = {
        {cli::List::Species, "PIKACHU", {25, 172}},       // case is no edit; Pichu is 2
        {cli::List::Species, "Pkchu", {172, 25}},         // Pichu 1 edit, Pikachu 2: nearest first
        {cli::List::Species, "Pkc", {}},                  // Pichu 3 edits, as "Pkch" is 2
        {cli::List::Species, "mew", {151, 89, 610}},      // Mew, then Muk and Axew (2) by row
        {cli::List::Item, "??", {113, 426, 120}},         // "???" x3, "?? " x2, "??? " x14: once each
        {cli::List::Item, "Poke Doll", {63, 4}},          // "Poké Doll" 1 character, "Poke Ball" 2
        {cli::List::Item, "POK\xC3\x89 DOXX", {63}},      // É folds to é: 2 edits, not 3
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli::Suggest(cli::NamesOf(c.list), c.query), c.rows) << c.query;
}

TEST(CommandLine, UnknownCommandsAreNamedAndHelpIsACommand)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"exprot", "rom.nds"}, "unknown command \"exprot\"; did you mean \"export\"?"},
        {{"--version", "SHOW"}, "unknown command \"SHOW\"; did you mean \"show\"?"},
        {{"frobnicate"}, "unknown command \"frobnicate\"; the commands are export, import, set, diff, show, graph, check, help"},
        {{"help", "imprt"}, "unknown command \"imprt\"; did you mean \"import\"?"},
    };
    for (const auto& [args, message] : cases) {
        const Ran r = run(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.err, "quorvane-cli: " + message + "\n");
    }
    // The command list, help COMMAND and each command's own help all come from the one table.
    const std::string help = run({"help"}).out;
    EXPECT_EQ(help, run({"--help"}).out);
    for (const cli::Command* command : cli::Commands()) {
        const std::string name(command->name);
        EXPECT_NE(help.find("  " + name + " "), std::string::npos) << name;
        EXPECT_NE(help.find(std::string(command->summary)), std::string::npos) << name;
        const Ran own = run({"help", name});
        EXPECT_EQ(own.status, 0) << name;
        EXPECT_EQ(own.out, run({name, "--help"}).out) << name;
        EXPECT_NE(own.out.find("quorvane-cli " + name), std::string::npos) << name;
    }
}

// As cmp: 0 equal, 1 different, 2 trouble; without the option a failure stays 1 and a difference 0.
TEST(DiffStatus, ExitCodeTellsEqualDifferentAndFailure)
{
    TempDir dir;
    const auto a = makeImage(dir, irbo(), Fill::Sample, "a.nds"), b = makeImage(dir, irbo(), Fill::Sample, "b.nds");
    auto t = table(b, irbo());
    putWord(t, 24 * 44 + 2, 85);  // Pikachu slot 1: Leaf Stone
    putTable(b, irbo(), t);
    std::ostringstream closed;
    closed.setstate(std::ios::badbit);
    const struct {
        std::filesystem::path other;
        bool outputFails;
        int plain, withExitCode;
    } cases[] = {{a, false, 0, 0}, {b, false, 0, 1}, {dir.file("missing.nds"), false, 1, 2}, {b, true, 1, 2}};
    for (const auto& c : cases) {
        for (const bool exitCode : {false, true}) {
            std::istringstream in;
            std::ostringstream out, err;
            cli::Io io{in, c.outputFails ? closed : out, err, rom::SystemFiles()};
            std::vector<std::string> args{"diff", "--format", exitCode ? "text" : "csv", a.string(), c.other};
            if (exitCode)
                args.push_back("--exit-code");
            EXPECT_EQ(cli::Run(args, io), exitCode ? c.withExitCode : c.plain) << c.other << exitCode << err.str();
        }
    }
}

}  // namespace
