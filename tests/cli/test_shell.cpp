// What the shell sees: quoted input, suggested names, unknown commands, help, diff's statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

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

std::string utf8(char32_t cp)
{
    if (cp < 0x80)
        return std::string(1, char(cp));
    if (cp < 0x800)
        return {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
    return {char(0xE0 | (cp >> 12)), char(0x80 | ((cp >> 6) & 0x3F)), char(0x80 | (cp & 0x3F))};
}

// What a terminal would act on rather than show: C0, DEL, C1, bidirectional controls.
bool actsOnTerminal(char32_t cp)
{
    return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

// Whether the text is UTF-8 holding nothing a terminal would act on, line ends aside where allowed.
bool showsAsIs(std::string_view text, bool lineEnds)
{
    char32_t cp = 0;
    for (std::size_t at = 0, n = 0; at < text.size(); at += n) {
        n = cli::DecodeUtf8(text.substr(at), cp);
        if (n == 0 || (actsOnTerminal(cp) && !(lineEnds && cp == '\n')))
            return false;
    }
    return true;
}

// Each escaped range at its first and last character, and the characters either side; over random text,
// nothing a terminal acts on is left, and escaping again changes nothing.
TEST(Quoted, EscapesEachControlRangeToItsLimitsAndOnlyOnce)
{
    for (const char32_t cp : {0x1Fu, 0x20u, 0x7Eu, 0x7Fu, 0x80u, 0x9Fu, 0xA0u, 0x2029u, 0x202Au, 0x202Eu, 0x202Fu,
                              0x2065u, 0x2066u, 0x2069u, 0x206Au})
        EXPECT_EQ(cli::Escaped(utf8(cp)) != utf8(cp), actsOnTerminal(cp)) << std::hex << unsigned(cp);
    const std::string pieces[] = {"a", "\\", "\"", "\x1b", "\x7f", "\xC2\x80", "\xC2\x9F", "\xE2\x80\xAE",
                                  "\xE2\x81\xA9", "\xE9", "\xC3\xA9", "\n"};
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        std::string text;
        for (int n = std::uniform_int_distribution<int>(0, 12)(rng); n > 0; --n)
            text += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(rng)];
        const std::string once = cli::Escaped(text);
        EXPECT_EQ(cli::Escaped(once), once);
        EXPECT_TRUE(showsAsIs(once, false)) << once;
    }
}

// Every message is one line that begins with what it is about, and whatever an argument, a file name
// or a field holds, nothing in it a terminal would act on; a mistyped value is helped as a mistyped
// command is.
TEST(Messages, OneEscapedLineBeginningWithWhatItIsAbout)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample).string();
    const std::string odd = dir.file("a\x1b]0;x\x07\xE2\x80\xAE.nds").string();
    const std::string oddShown = dir.file("a\\x1b]0;x\\x07\\u202e.nds").string();
    const struct {
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string says;
    } cases[] = {
        {{"export", p, odd}, "", 2,
         "quorvane-cli: The following argument was not expected: " + oddShown + "; run with --help for more information"},
        {{"export", odd}, "", 1, oddShown + ": the file cannot be opened: No such file or directory"},
        {{"diff", "--format", "txt", p, p}, "", 2, "quorvane-cli: --format: unknown format \"txt\"; did you mean \"text\"?"},
        {{"diff", "--format", "\x1b[2J", p, p}, "", 2,
         "quorvane-cli: --format: unknown format \"\\x1b[2J\"; the formats are csv, text"},
        {{"check", p, "--ignore", "trades"}, "", 2,
         "quorvane-cli: --ignore: unknown class \"trades\"; did you mean \"trade\"?"},
        {{"show", p, "9999"}, "", 2, "quorvane-cli: species 9999 is outside 1-649"},
        {{"import", "-n", p, "-"}, "species_name,slot,method,parameter,target\nPika\xE2\x80\xAE" "chu,1,4,30,26\n", 1,
         "standard input:2: no species is named \"Pika\\u202echu\"; did you mean \"Pikachu\" (25)?"},
    };
    for (const auto& c : cases) {
        const Ran r = run(c.args, rom::SystemFiles(), c.input);
        EXPECT_EQ(r.status, c.status) << c.says;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.says);
        EXPECT_TRUE(showsAsIs(r.err, true)) << r.err;
    }
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

// Against a plain Levenshtein distance over every cell: queries made from the rows of three lists by
// up to three random byte edits, letter case, "é" and broken UTF-8 among them, through both the
// folding Suggest and the one given each row folded.
TEST(Suggest, AgreesWithAPlainDistanceOnRandomlyEditedNames)
{
    auto plain = [](const std::u32string& a, const std::u32string& b) {
        std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
        for (std::size_t i = 0; i <= a.size(); ++i)
            for (std::size_t j = 0; j <= b.size(); ++j)
                d[i][j] = i == 0 || j == 0 ? int(i + j)
                                           : std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                                       d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
        return d[a.size()][b.size()];
    };
    std::mt19937 rng(26);
    const std::string pieces[] = {"a", "E", "\xC3\xA9", "\xC3\x89", " ", "\xC3"};
    for (const cli::List list : {cli::List::Species, cli::List::Item, cli::List::Move}) {
        const auto names = cli::NamesOf(list);
        std::vector<std::u32string> folded;
        for (const std::string& name : names)
            folded.push_back(cli::FoldedText(name));
        for (int round = 0; round < 150; ++round) {
            std::string query = names[rng() % names.size()];
            for (int edits = int(rng() % 4); edits > 0; --edits) {
                const std::size_t at = rng() % (query.size() + 1);
                const std::string& piece = pieces[rng() % std::size(pieces)];
                if (rng() % 2 == 0 || at == query.size())
                    query.insert(at, piece);
                else
                    query.erase(at, 1);
            }
            std::vector<std::pair<int, std::size_t>> near;
            for (std::size_t i = 0; i < names.size(); ++i)
                if (const int d = plain(cli::FoldedText(query), folded[i]); d <= 2)
                    near.emplace_back(d, i);
            std::stable_sort(near.begin(), near.end());
            std::vector<std::size_t> expected;
            for (const auto& [d, i] : near)
                if (expected.size() < 3 &&
                    std::none_of(expected.begin(), expected.end(), [&](std::size_t e) { return names[e] == names[i]; }))
                    expected.push_back(i);
            EXPECT_EQ(cli::Suggest(names, query), expected) << query;
            EXPECT_EQ(cli::Suggest(names, folded, query), expected) << query;
        }
    }
}

// Answers are kept: one list's answer for a text is never another's, and asking again gives the same.
TEST(Suggest, KeptAnswersBelongToTheirList)
{
    const std::string move = cli::DidYouMeanRow(cli::List::Move, "Thundr");
    const std::string species = cli::DidYouMeanRow(cli::List::Species, "Thundr");
    EXPECT_NE(move.find("\"Thunder\""), std::string::npos) << move;
    EXPECT_EQ(species.find("\"Thunder\""), std::string::npos) << species;
    EXPECT_EQ(cli::DidYouMeanRow(cli::List::Move, "Thundr"), move);
    EXPECT_EQ(cli::DidYouMeanRow(cli::List::Move, "thundr"), move);
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
