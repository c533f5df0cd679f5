// Import: what it accepts, what it refuses (with the line), and how it writes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <csignal>

#include "cli/tablecsv.h"
#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

const std::string kHeader = "species,slot,method,parameter,target\n";
const std::string kValidChange = "1,1,8,82,3\n";  // Bulbasaur slot 1 becomes Fire Stone into Venusaur
const std::string kNamedStart = "species,slot,method,parameter,parameter_name,target\n1,1,8,82,,3\n";

std::string repeated(const std::string& text, std::size_t times)
{
    std::string out;
    out.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

struct BadInput {
    const char* what;
    std::string text;
    std::string message;  // after "FILE:"
};

void PrintTo(const BadInput& input, std::ostream* os)
{
    *os << input.what;
}

class BadInputs : public ::testing::TestWithParam<BadInput> {};

// Every bad file also holds a valid change before the problem: nothing of it may be written.
TEST_P(BadInputs, ReportedWithTheirLineAndNothingWritten)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto csv = dir.file("edits.csv");
    writeText(csv, GetParam().text);
    const auto before = table(p, irbo());
    const Ran r = run({"import", p.string(), csv.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(csv.string() + ":" + GetParam().message), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
    EXPECT_EQ(table(p, irbo()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Import, BadInputs,
    ::testing::Values(
        BadInput{"unknown column", "species,slot,method,parameter,target,note\n" + kValidChange,
                 "1: unknown column \"note\""},
        BadInput{"missing column", "species,slot,method,parameter\n1,1,8,82\n", "1: missing column \"target\""},
        BadInput{"not a number", kHeader + kValidChange + "2,1,4,3O,3\n", "3: parameter \"3O\" is not a number"},
        BadInput{"species too high", kHeader + kValidChange + "650,1,4,30,3\n", "3: species 650 is outside 1-649"},
        BadInput{"species zero", kHeader + kValidChange + "0,1,4,30,3\n", "3: species 0 is outside 1-649"},
        BadInput{"slot outside", kHeader + kValidChange + "2,8,4,30,3\n", "3: slot 8 is outside 1-7"},
        BadInput{"changed unlisted", kHeader + kValidChange + "2,1,4,30,650\n",
                 "3: target 650 has no row in the species list"},
        BadInput{"unlisted level", kHeader + kValidChange + "2,1,4,101,3\n",
                 "3: parameter 101 has no row in the level list"},
        BadInput{"unlisted method", kHeader + kValidChange + "2,1,28,,3\n",
                 "3: method 28 has no row in the method list"},
        BadInput{"name with no row", "species,slot,method,parameter,parameter_name,target\n1,1,8,,82,3\n2,1,8,,Firestone,3\n",
                 "3: no item is named \"Firestone\""},
        BadInput{"name of several rows",
                 "species,slot,method,parameter,parameter_name,target\n1,1,8,,Fire Stone,3\n2,1,8,,???,3\n",
                 "3: item name \"???\" names rows 113, 114, 115"},
        BadInput{"trailing space matters",
                 "species,slot,method,parameter,parameter_name,target\n1,1,8,82,,3\n2,1,8,420,HM01 Cut,3\n",
                 "3: parameter 420 is \"HM01 Cut \", not \"HM01 Cut\""},
        BadInput{"number and name disagree",
                 "species,slot,method,parameter,target,target_name\n1,1,8,82,3,\n2,1,4,30,3,Ivysaur\n",
                 "3: target 3 is \"Venusaur\", not \"Ivysaur\": correct one of them, or empty the name cell, or "
                 "import with --ignore-names to take the numbers\n"},
        // A level's name is its number, leading zeros aside, and nothing looser.
        BadInput{"another level's name", kNamedStart + "2,1,4,8,07,3\n",
                 "3: parameter 8 is \"08\", not \"07\": correct one of them, or empty the name cell, or import "
                 "with --ignore-names to take the numbers\n"},
        BadInput{"level name with decimals", kNamedStart + "2,1,4,7,7.0,3\n",
                 "3: parameter 7 is \"07\", not \"7.0\""},
        BadInput{"level name with a space", kNamedStart + "2,1,4,,7 ,3\n", "3: no level is named \"7 \": a level is named by its number, 0 to 100\n"},
        BadInput{"level name past the list", kNamedStart + "2,1,4,,0101,3\n",
                 "3: no level is named \"0101\""},
        // Other lists keep exact names, and suggest near ones: case alone makes the one suggestion.
        BadInput{"name in another case", "species_name,slot,method_name,parameter_name,target\nBulbasaur,1,Level Up,7,3\n"
                 "pikachu,1,Item (Evo Stones),Moon Stone,26\n",
                 "3: no species is named \"pikachu\"; did you mean \"Pikachu\" (25)?\n"},
        BadInput{"number with its name in another case", kNamedStart + "2,1,8,83,thunderstone,3\n",
                 "3: parameter 83 is \"Thunderstone\", not \"thunderstone\": correct one of them"},
        BadInput{"mistyped name", kNamedStart + "2,1,8,,Thunderstome,3\n",
                 "3: no item is named \"Thunderstome\"; did you mean \"Thunderstone\" (83)?\n"},
        BadInput{"mistyped name of several rows", kNamedStart + "2,1,8,,??,3\n",
                 "3: no item is named \"??\"; did you mean \"???\" (113), \"?? \" (426) or \"??? \" (120)?\n"},
        BadInput{"number and name both left out", "species_name,slot,method,parameter\nBulbasaur,1,4,7\n",
                 "1: missing column \"target\" (or \"target_name\")\n"},
        BadInput{"header split nowhere", "Species|Slot|Method\n" + kValidChange,
                 "1: no known column in the header, whether split at commas, semicolons or tabs: found \"Species|Slot|Method\"\n"},
        BadInput{"parameter for Constant", kHeader + kValidChange + "2,1,5,0,3\n",
                 "3: method 5 (Trade) takes no parameter"},
        BadInput{"parameter for None", kHeader + kValidChange + "2,1,0,4,0\n", "3: method 0 (None) takes no parameter"},
        BadInput{"parameter name for Constant", kNamedStart + "2,1,5,,Fire Stone,3\n",
                 "3: method 5 (Trade) takes no parameter"},
        BadInput{"parameter missing", kHeader + kValidChange + "2,1,4,,3\n",
                 "3: method 4 (Level Up) needs a level as its parameter"},
        BadInput{"same slot twice", kHeader + kValidChange + "1,1,4,30,3\n",
                 "3: Bulbasaur (1) slot 1 is already given on line 2"},
        BadInput{"wrong field count", kHeader + kValidChange + "2,1,4,30\n", "3: 4 fields where the header has 5"},
        BadInput{"unclosed quote", kHeader + kValidChange + "2,1,4,\"30,3\n", "3: not CSV"},
        BadInput{"stray quote", kHeader + kValidChange + "2,1,4,3\"0,3\n", "3: not CSV"},
        BadInput{"not UTF-8", kHeader + kValidChange + "2,1,4,30,3\xE9\n", "3: not CSV: not UTF-8 text"},
        BadInput{"empty file", "", "1: not CSV: no header line"},
        // A record is named by its first line, wherever the parser noticed the problem.
        BadInput{"quote left open over lines", kHeader + kValidChange + "2,1,4,\"30,3\n\n25,1,8,84,26\n", "3: not CSV"},
        // Input reaches the terminal only escaped, and at most its first 40 characters.
        BadInput{"controls escaped", "species,slot,method,parameter,target,\x1B]0;x\x07\xC2\x9B\x7F\n" + kValidChange,
                 "1: unknown column \"\\x1b]0;x\\x07\\u009b\\x7f\"\n"},
        BadInput{"long field cut", kHeader + kValidChange + "2,1,4," + repeated("\xC3\xA9", 50) + ",3\n",
                 "3: parameter \"" + repeated("\xC3\xA9", 40) + "...\" (100 bytes) is not a number\n"},
        // Limits: each stops reading at once and names the line; at the limit, the line is read on.
        BadInput{"field of 1 KiB", kHeader + kValidChange + "2,1,4,30," + std::string(1024, '7') + "\n",
                 "3: target \"" + std::string(40, '7') + "...\" (1024 bytes) is not a number\n"},
        BadInput{"field over 1 KiB", kHeader + kValidChange + "2,1,4,30," + std::string(1025, '7') + "\n",
                 "3: field \"" + std::string(40, '7') + "...\" (1025 bytes) is longer than 1 KiB; stopped reading\n"},
        BadInput{"line of 64 KiB", kHeader + kValidChange + "2,1,4,30,3" + std::string(65'525, ',') + "\n",
                 "3: 65530 fields where the header has 5\n"},
        BadInput{"line over 64 KiB", kHeader + kValidChange + "2,1,4,30,3" + std::string(65'526, ',') + "\n",
                 "3: line longer than 64 KiB; stopped reading\n"},
        BadInput{"quoted field over 64 KiB of short lines", kHeader + kValidChange + "2,1,4,\"" + repeated("x\n", 40'000),
                 "3: line longer than 64 KiB; stopped reading\n"},
        BadInput{"over 100000 records", kHeader + kValidChange + repeated(",,,,\n", 100'000),
                 "100001: more than 100,000 records; stopped reading\n"}),
    [](const ::testing::TestParamInfo<BadInput>& info) {
        std::string name = info.param.what;
        std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

// A problem names its line whatever ends the lines, blank lines before the header counted, and the
// header's separator is found past them.
TEST(Import, LinesAreCountedWithEveryLineEndAndBlankLinesFirst)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        for (const char sep : cli::kSeparators) {
            for (const int blanks : {0, 1, 2}) {
                std::string text = repeated("\n", std::size_t(blanks)) + kHeader + kValidChange + "650,1,4,30,3\n";
                std::replace(text.begin(), text.end(), ',', sep);
                for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += end.size())
                    text.replace(at, 1, end);
                const Ran r = run({"import", "-n", p.string(), "-"}, rom::SystemFiles(), text);
                EXPECT_EQ(r.err, "standard input:" + std::to_string(blanks + 3) + ": species 650 is outside 1-649\n" +
                                     p.string() + ": nothing written (1 problem in standard input)\n")
                    << int(sep) << " " << blanks << " " << int(end.back());
            }
        }
    }
}

// Every line counts toward the limit, blank ones too, so that no input is read for ever.
TEST(Import, AMillionLinesAtMostBlankOnesIncluded)
{
    TempDir dir;
    for (const int count : {cli::kMaxLines, cli::kMaxLines + 1}) {
        const auto p = makeImage(dir, irbo(), Fill::Sample);
        const auto before = table(p, irbo());
        const Ran r = run({"import", p.string(), "-"}, rom::SystemFiles(),
                          std::string(std::size_t(count) - 2, '\n') + kHeader + kValidChange);
        if (count == cli::kMaxLines) {
            EXPECT_EQ(r.out, "1 slot changed\n") << r.err;
            continue;
        }
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "standard input:1000001: more than 1,000,000 lines; stopped reading\n" + p.string() +
                             ": nothing written (1 problem in standard input)\n");
        EXPECT_EQ(table(p, irbo()), before);
    }
}

TEST(Import, EveryProblemIsReportedNotOnlyTheFirst)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + "x,1,4,30,3\n" + kValidChange + "2,9,4,30,3\n2,1,5,3,3\n");
    const Ran r = run({"import", p.string(), csv.string()});
    EXPECT_EQ(r.status, 1);
    for (const char* line : {":2: ", ":4: ", ":5: "})
        EXPECT_NE(r.err.find(csv.string() + line), std::string::npos) << line << "\n" << r.err;
    EXPECT_NE(r.err.find("3 problems"), std::string::npos) << r.err;
}

TEST(Import, StopsReadingAfterAHundredProblems)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(p, irbo());
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + kValidChange + repeated("x,1,4,30,3\n", 150));  // lines 3 to 152 are wrong
    const Ran r = run({"import", p.string(), csv.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 102) << r.err;
    EXPECT_NE(r.err.find(csv.string() + ":102: species \"x\" is not a number\n" + csv.string() +
                         ": stopping after 100 problems\n" + p.string() + ": nothing written (100 or more problems in " +
                         csv.string() + ")\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(table(p, irbo()), before);
}

// A read that fails part-way fails the whole import: none of the slots read before it is written.
TEST(Import, AnyReadErrorOnTheTableWritesNothing)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(p, irbo());
    const std::string text = kHeader + kValidChange + "2,1,4,33,3\n";
    const std::string eio = std::generic_category().message(EIO);
    struct Case {
        std::string file;
        std::size_t failAt;  // for standard input
        std::string says;
    };
    const Case cases[] = {
        {dir.path().string(), 0, dir.path().string() + ": cannot be read: " + std::generic_category().message(EISDIR)},
        {dir.file("gone\x1B[2J.csv").string(), 0,
         (dir.path() / "gone\\x1b[2J.csv").string() + ": cannot be read: " + std::generic_category().message(ENOENT)},
        {"-", 0, "standard input: cannot be read: " + eio},
        {"-", kHeader.size() + 5, "standard input: cannot be read: " + eio},
        {"-", text.size(), "standard input: cannot be read: " + eio},  // at the read that would have said "end"
    };
    for (const Case& c : cases) {
        for (const bool dryRun : {true, false}) {
            FailingInput input(text, c.failAt);
            const Ran r = runOn(dryRun ? std::vector<std::string>{"import", "-n", p.string(), c.file}
                                       : std::vector<std::string>{"import", p.string(), c.file},
                                input);
            EXPECT_EQ(r.status, 1) << c.says;
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find(c.says + "\n"), std::string::npos) << r.err;
            EXPECT_EQ(table(p, irbo()), before) << c.says;
        }
    }
    FailingInput whole(text, text.size() + 1);
    EXPECT_EQ(runOn({"import", p.string(), "-"}, whole).out, "2 slots changed\n");
}

TEST(Import, SpreadsheetFormsAreAccepted)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto csv = dir.file("edits.csv");
    // Byte-order mark, CRLF, quoted fields, columns out of order, values by name only, a row of empty cells.
    writeText(csv, "\xEF\xBB\xBFtarget_name,parameter_name,method_name,slot,species_name,species,method,parameter,target\r\n"
                   "\"Venusaur\",\"Fire Stone\",Item (Evo Stones),1,Bulbasaur,,,,\r\n"
                   "Mamoswine,\"HM01 Cut \",,1,,221,8,,473\r\n"
                   ",Pok\xC3\xA9 Doll,Trade with Held Item,1,,67,,,68\r\n"
                   ",HM02 Fly ,,2,,1,8,,3\r\n"  // a trailing space unquoted, as a hand-edited file may have it
                   ",,,,,,,,\r\n");
    const Ran r = run({"import", p.string(), csv.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "4 slots changed\n");
    const auto t = table(p, irbo());
    auto word = [&](rom::SlotAddress at, rom::Field field) { return t[at.offset(field)] | t[at.offset(field) + 1] << 8; };
    using rom::Field;
    EXPECT_EQ(word({0, 1}, Field::Method), 8);
    EXPECT_EQ(word({0, 1}, Field::Parameter), 82);
    EXPECT_EQ(word({0, 1}, Field::Target), 3);
    EXPECT_EQ(word({220, 1}, Field::Parameter), 420);
    EXPECT_EQ(word({0, 2}, Field::Parameter), 421);
    EXPECT_EQ(word({66, 1}, Field::Method), 6);
    EXPECT_EQ(word({66, 1}, Field::Parameter), 63);
}

// The same slots given by number with commas, and by name in each separator (number columns left out,
// or given too; levels as spreadsheets write them back, "7" or with zeros before it): the same bytes.
class Separators : public ::testing::TestWithParam<char> {};

TEST_P(Separators, NamesInEveryFormWriteWhatNumbersWrite)
{
    struct Row {
        int species, slot, method, parameter, target;
    };
    std::vector<Row> rows;
    for (int level = 0; level <= 100; ++level) {
        const int species = level + 1;
        rows.push_back({species, 1, 4, level, species + 1});
        rows.push_back({species, 2, 21, level * 5, species});  // moves
        rows.push_back({species, 3, 22, level * 6, 1});        // a species in the party
        const int item = level * 6 + 4;  // "Poké Doll" (64), "HM01 Cut " (420), ...
        if (cli::RowsNamed(cli::List::Item, *cli::NameOf(cli::List::Item, item)).size() == 1)
            rows.push_back({species, 4, 8, item, 0});
    }
    const char sep = GetParam();
    auto name = [](cli::List list, int n) { return *cli::NameOf(list, n); };
    auto level = [](int n, std::size_t width) {
        const std::string digits = std::to_string(n);
        return std::string(width - std::min(width, digits.size()), '0') + digits;
    };
    std::string numbers = "species,slot,method,parameter,target\n";
    std::string namesOnly = std::string("species_name,slot,method_name,parameter_name,target_name\n");
    std::string both = "target_name,target,parameter_name,parameter,method,slot,species\n";
    std::replace(namesOnly.begin(), namesOnly.end(), ',', sep);
    std::replace(both.begin(), both.end(), ',', sep);
    for (const Row& r : rows) {
        const auto list = *cli::ParameterList(rom::KindOf(r.method));
        const std::string s(1, sep), slot = std::to_string(r.slot);
        const auto parameterName = [&](int width) {
            return list == cli::List::Level ? level(r.parameter, std::size_t(width)) : name(list, r.parameter);
        };
        numbers += std::to_string(r.species) + "," + slot + "," + std::to_string(r.method) + "," +
                   std::to_string(r.parameter) + "," + std::to_string(r.target) + "\n";
        namesOnly += name(cli::List::Species, r.species) + s + slot + s + name(cli::List::Method, r.method) + s +
                     parameterName(r.parameter % 4 + 1) + s + name(cli::List::Species, r.target) + "\n";
        both += name(cli::List::Species, r.target) + s + std::to_string(r.target) + s + parameterName(r.species % 3 + 1) +
                s + std::to_string(r.parameter) + s + std::to_string(r.method) + s + slot + s + std::to_string(r.species) + "\n";
    }
    TempDir dir;
    const auto expected = makeImage(dir, irbo(), Fill::Sample, "numbers.nds");
    const Ran byNumber = run({"import", expected.string(), "-"}, rom::SystemFiles(), numbers);
    ASSERT_EQ(byNumber.status, 0) << byNumber.err;
    for (const std::string& text : {namesOnly, both}) {
        const auto p = makeImage(dir, irbo(), Fill::Sample);
        FailingInput pipe(text, text.size() + 1);  // a few bytes at a time: the header line arrives in pieces
        const Ran r = runOn({"import", p.string(), "-"}, pipe);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, byNumber.out);
        EXPECT_EQ(table(p, irbo()), table(expected, irbo()));
    }
}

INSTANTIATE_TEST_SUITE_P(Import, Separators, ::testing::Values(',', ';', '\t'),
                         [](const ::testing::TestParamInfo<char>& info) {
                             return info.param == ',' ? std::string("comma") : info.param == ';' ? "semicolon" : "tab";
                         });

TEST(Import, StandardInputAndDryRun)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(p, irbo());
    const Ran dry = run({"import", "--dry-run", p.string(), "-"}, rom::SystemFiles(), kHeader + kValidChange);
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out, "Bulbasaur (1) slot 1\n"
                       "  old: method 4 \"Level Up\", parameter 16 \"16\", target 2 \"Ivysaur\"\n"
                       "  new: method 8 \"Item (Evo Stones)\", parameter 82 \"Fire Stone\", target 3 \"Venusaur\"\n"
                       "  byte 110520128 (0x6966740): 04 -> 08\n"
                       "  byte 110520130 (0x6966742): 10 -> 52\n"
                       "  byte 110520132 (0x6966744): 02 -> 03\n"
                       "1 slot would change; nothing written\n");
    EXPECT_EQ(table(p, irbo()), before);
    const Ran real = run({"import", p.string(), "-"}, rom::SystemFiles(), kHeader + kValidChange);
    EXPECT_EQ(real.out, "1 slot changed\n");
    EXPECT_EQ(readBytes(p, irbo().tableBase, 6), (std::vector<std::uint8_t>{8, 0, 82, 0, 3, 0}));
}

// The editor writes a listed method's whole word and leaves an unlisted value the user left alone.
TEST(Import, WritesWhatTheEditorsSaveWould)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    auto t = table(p, irbo());
    putWord(t, 0, 0x0104);  // slot 1: Level Up with a stray high byte, level word 0x0120, target 2
    putWord(t, 2, 0x0120);
    putWord(t, 4, 2);
    putWord(t, 6, 0x0140);  // slot 2: unlisted method 64 (high byte set), parameter 1234, target 700
    putWord(t, 8, 1234);
    putWord(t, 10, 700);
    putWord(t, 12, 0);      // slot 3: None with a parameter word
    putWord(t, 14, 77);
    putWord(t, 16, 5);
    putWord(t, 18, 6);      // slot 4: held item 700 (no row), target 3
    putWord(t, 20, 700);
    putWord(t, 22, 3);
    putWord(t, 24, 4);      // slot 5: Level Up with level word 0x01C8, read as 200 (no row)
    putWord(t, 26, 0x01C8);
    putWord(t, 28, 3);
    putWord(t, 30, 4);      // slot 6: Level Up, level word 0x02BC: read as item 700 once the method is 8
    putWord(t, 32, 0x02BC);
    putWord(t, 34, 2);
    putTable(p, irbo(), t);
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + "1,1,4,32,3\n1,2,64,,1\n1,3,0,,0\n1,4,6,700,4\n1,5,4,200,4\n1,6,8,700,2\n");
    const Ran r = run({"import", p.string(), csv.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "6 slots changed\n");
    EXPECT_EQ(readBytes(p, irbo().tableBase, 36), (std::vector<std::uint8_t>{
                                                      4, 0, 32, 0, 3, 0,        // method and level words rewritten
                                                      0x40, 1, 0xD2, 4, 1, 0,   // method and parameter kept
                                                      0, 0, 77, 0, 0, 0,        // None leaves the parameter
                                                      6, 0, 0xBC, 2, 4, 0,      // unlisted item kept
                                                      4, 0, 0xC8, 1, 4, 0,      // unlisted level's word kept
                                                      8, 0, 0xBC, 2, 2, 0}));   // checked with the new method's width
}

// Another program writes a slot between the plan and the write: nothing is written.
class ChangingFiles final : public rom::FileSystem {
public:
    std::function<void()> beforeWriting;  // when the ROM is opened for writing after it was read
    rom::Result<std::unique_ptr<rom::RomFile>> openReadWrite(const std::filesystem::path& path) override
    {
        if (m_read && beforeWriting)
            beforeWriting();
        return rom::SystemFiles().openReadWrite(path);
    }
    rom::Result<std::unique_ptr<rom::RomFile>> openReadOnly(const std::filesystem::path& path) override
    {
        m_read = true;
        return rom::SystemFiles().openReadOnly(path);
    }

private:
    bool m_read = false;
};

TEST(ImportFailure, SlotChangedByAnotherProgramWritesNothing)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    ChangingFiles files;
    files.beforeWriting = [&] { writeBytes(p, irbo().tableBase + 6 + 4, {9}); };  // Bulbasaur slot 2's target
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + kValidChange + "1,2,4,20,3\n");
    const Ran r = run({"import", p.string(), csv.string()}, files);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Bulbasaur (1) slot 2: the slot was changed by another program since it was read; nothing written"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readBytes(p, irbo().tableBase, 12), (std::vector<std::uint8_t>{4, 0, 16, 0, 2, 0, 0, 0, 0, 0, 9, 0}));
}

TEST(ImportFailure, FailedWriteNamesTheSlotsWrittenAndNotWritten)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(p, irbo());
    FaultyFileSystem files;
    files.writeFault = {.after = 1, .times = 1};  // the second slot lands 3 bytes, then they are put back
    files.shortWriteBytes = 3;
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + kValidChange + "2,1,4,33,3\n25,1,8,84,26\n");
    const Ran r = run({"import", p.string(), csv.string()}, files);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("writing Ivysaur (2) slot 1 failed: writing the file failed: No space left on device"),
              std::string::npos) << r.err;
    EXPECT_NE(r.err.find(": written: Bulbasaur (1) slot 1; not written: Ivysaur (2) slot 1, Pikachu (25) slot 1"),
              std::string::npos) << r.err;
    auto expected = before;
    putWord(expected, 0, 8);
    putWord(expected, 2, 82);
    putWord(expected, 4, 3);
    EXPECT_EQ(table(p, irbo()), expected);
}

TEST(ImportFailure, FailedSyncNamesTheSlotsNotConfirmed)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    FaultyFileSystem files;
    files.syncFault.after = 0;
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + kValidChange + "2,1,4,33,3\n");
    const Ran r = run({"import", p.string(), csv.string()}, files);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("could not be made safe on the disk: Input/output error; written but not confirmed: "
                         "Bulbasaur (1) slot 1, Ivysaur (2) slot 1"),
              std::string::npos) << r.err;
}

// A batch that stops before its first write says "nothing written", once, and the lock's reason once,
// whoever holds it and whatever kind of lock it is.
TEST(ImportFailure, BatchStoppedBeforeItsFirstWriteSaysNothingWritten)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(p, irbo());
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + kValidChange + "2,1,4,33,3\n");
    int other = -1;
    struct Case {
        const char* what;
        std::function<void(FaultyFileSystem&, ChangingFiles&)> arm;
        bool changing;
        std::string says;
    };
    const Case cases[] = {
        {"read lock held", [&](FaultyFileSystem&, ChangingFiles&) {
             struct flock range {};
             range.l_type = F_RDLCK;
             range.l_whence = SEEK_SET;
             range.l_start = static_cast<off_t>(irbo().tableBase + 44 + 5);  // Ivysaur slot 1's last byte
             range.l_len = 1;
             other = ::open(p.c_str(), O_RDONLY);
             ASSERT_EQ(::fcntl(other, F_OFD_SETLK, &range), 0);
         }, false, ": another program holds a lock on the table; nothing written\n"},
        {"no space at reservation", [](FaultyFileSystem& fs, ChangingFiles&) { fs.reserveFault.after = 1; }, false,
         ": writing Ivysaur (2) slot 1 failed: writing the file failed: No space left on device; nothing written\n"},
        {"game changed", [&](FaultyFileSystem&, ChangingFiles& files) {
             files.beforeWriting = [&] { writeBytes(p, 12, {'I', 'R', 'E', 'O'}); };
         }, true, ": the file has changed since it was opened: the file's game code has changed since it was "
                  "opened; nothing written\n"},
    };
    for (const Case& c : cases) {
        FaultyFileSystem faulty;
        ChangingFiles changing;
        c.arm(faulty, changing);
        const Ran r = c.changing ? run({"import", p.string(), csv.string()}, changing)
                                 : run({"import", p.string(), csv.string()}, faulty);
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.err, p.string() + c.says) << c.what;
        writeBytes(p, 12, {'I', 'R', 'B', 'O'});
        EXPECT_EQ(table(p, irbo()), before) << c.what;
        if (other >= 0)
            ::close(std::exchange(other, -1));
    }
}

// SIGINT, SIGTERM and SIGHUP during the writes: the slot in flight is finished, the batch stops and
// says what it wrote, and the same import run again completes the table.
TEST(ImportFailure, SignalDuringTheWritesStopsAfterTheSlotInFlight)
{
    TempDir dir;
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + kValidChange + "2,1,4,33,3\n25,1,8,84,26\n133,2,8,85,470\n");
    const auto whole = makeImage(dir, irbo(), Fill::Sample, "whole.nds");
    ASSERT_EQ(run({"import", whole.string(), csv.string()}).out, "4 slots changed\n");
    struct Case {
        int signal;
        int atWrite;
        bool ignored;  // as under nohup: the import does not stop
        std::string says;
    };
    const Case cases[] = {
        {SIGINT, 0, false, "stopped by SIGINT before writing Ivysaur (2) slot 1; written: Bulbasaur (1) slot 1; "
                           "not written: Ivysaur (2) slot 1, Pikachu (25) slot 1, Eevee (133) slot 2\n"},
        {SIGTERM, 2, false, "stopped by SIGTERM before writing Eevee (133) slot 2; written: Bulbasaur (1) slot 1, "
                            "Ivysaur (2) slot 1, Pikachu (25) slot 1; not written: Eevee (133) slot 2\n"},
        {SIGHUP, 1, false, "stopped by SIGHUP before writing Pikachu (25) slot 1; written: Bulbasaur (1) slot 1, "
                           "Ivysaur (2) slot 1; not written: Pikachu (25) slot 1, Eevee (133) slot 2\n"},
        {SIGHUP, 1, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        const auto p = makeImage(dir, irbo(), Fill::Sample);
        if (c.ignored)
            std::signal(c.signal, SIG_IGN);
        FaultyFileSystem fs;
        fs.onWrite = [&](int n) {
            if (n == c.atWrite)
                std::raise(c.signal);
        };
        const Ran r = run({"import", p.string(), csv.string()}, fs);
        struct sigaction after {};
        ::sigaction(c.signal, nullptr, &after);
        EXPECT_EQ(after.sa_handler, c.ignored ? SIG_IGN : SIG_DFL) << "the signal acts as before once the batch is done";
        std::signal(c.signal, SIG_DFL);
        if (c.ignored) {
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(table(p, irbo()), table(whole, irbo()));
            continue;
        }
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, p.string() + ": " + c.says);
        EXPECT_NE(fs.calls.find("write sync close"), std::string::npos) << "what was written is synced: " << fs.calls;
        const Ran again = run({"import", p.string(), csv.string()});
        const int left = 3 - c.atWrite;
        EXPECT_EQ(again.out, std::to_string(left) + (left == 1 ? " slot" : " slots") + " changed\n");
        EXPECT_EQ(table(p, irbo()), table(whole, irbo()));
    }
}

// Output that cannot be written fails the command with the system's reason, except for import's report
// once its slots are in the file: its status follows the ROM.
TEST(Output, AFailedWriteFailsTheCommandButNotAFinishedImport)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + kValidChange);
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{"show", p.string(), "1"}, 1},
        {{"import", "--dry-run", p.string(), csv.string()}, 1},
        {{"export", p.string(), "-o", "-"}, 1},
        {{"diff", p.string(), p.string()}, 1},
        {{"graph", p.string(), "Eevee"}, 1},
        {{"--help"}, 1},
        {{"help", "export"}, 1},
        {{"--version"}, 1},
        {{"import", p.string(), csv.string()}, 0},
    };
    for (const auto& [args, status] : cases) {
        std::stringbuf in;
        FullOutput full;
        const Ran r = runOn(args, in, &full);
        EXPECT_EQ(r.status, status) << args[0];
        EXPECT_EQ(r.err, "standard output: " + std::generic_category().message(ENOSPC) + "\n") << args[0];
    }
    EXPECT_EQ(readBytes(p, irbo().tableBase, 6), (std::vector<std::uint8_t>{8, 0, 82, 0, 3, 0}));
}

// Only the import that writes opens the ROM for writing, and a ROM it could not write is refused before
// the table file is looked at; a dry run reads the ROM and checks every line.
TEST(ImportFailure, WriteProtectedRomIsRefusedBeforeAnyLineIsChecked)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(p, irbo());
    const std::string text = kHeader + kValidChange + "650,1,4,30,3\n";
    FaultyFileSystem files;
    files.refuseWritingWith = EACCES;
    const Ran r = run({"import", p.string(), "-"}, files, text);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, p.string() + ": the file cannot be opened: " + std::generic_category().message(EACCES) + "\n");
    const Ran dry = run({"import", "--dry-run", p.string(), "-"}, files, text);
    EXPECT_EQ(dry.status, 1);
    EXPECT_NE(dry.err.find("3: species 650 is outside 1-649"), std::string::npos) << dry.err;
    EXPECT_EQ(table(p, irbo()), before);
}

TEST(Permissions, ReadOnlyRomIsExportedButNotImportedInto)
{
    SKIP_WHERE_PERMISSIONS_DO_NOT_BIND();
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const Ran exported = run({"export", p.string()});
    std::filesystem::permissions(p, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                        std::filesystem::perms::others_read);
    const auto before = table(p, irbo());
    EXPECT_EQ(run({"export", p.string()}).out, exported.out);
    EXPECT_EQ(run({"show", p.string(), "1"}).status, 0);
    EXPECT_EQ(run({"diff", p.string(), p.string()}).status, 0);
    const auto csv = dir.file("edits.csv");
    writeText(csv, kHeader + kValidChange);
    EXPECT_EQ(run({"import", "-n", p.string(), csv.string()}).status, 0);
    const Ran r = run({"import", p.string(), csv.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(p.string() + ": the file cannot be opened: Permission denied"), std::string::npos) << r.err;
    EXPECT_EQ(table(p, irbo()), before);
}

}  // namespace
