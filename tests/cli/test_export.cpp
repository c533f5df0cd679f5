// Export, diff and show: the text form of the table and what each command reads.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "rom/processhandlers.h"
#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

TEST(Export, SampleTableInColumnOrder)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const Ran r = run({"export", p.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), sample::SampleSlots().size() + 1);
    EXPECT_EQ(l[0], "species,species_name,slot,method,method_name,parameter,parameter_name,target,target_name");
    EXPECT_EQ(l[1], "1,Bulbasaur,1,4,Level Up,16,16,2,Ivysaur");
    EXPECT_EQ(l[4], "67,Machoke,1,5,Trade,,,68,Machamp");
    EXPECT_EQ(l[5], "95,Onix,1,6,Trade with Held Item,233,Metal Coat,208,Steelix");
    EXPECT_NE(std::find(l.begin(), l.end(), "221,Piloswine,1,21,Level Up With Attack,246,AncientPower,473,Mamoswine"),
              l.end());
    EXPECT_NE(std::find(l.begin(), l.end(), "458,Mantyke,1,22,Level Up With Pokemon in Party,223,Remoraid,226,Mantine"),
              l.end());
}

TEST(Export, ReadWidthsQuotingAndUnlistedNumbers)
{
    TempDir dir;
    const auto p = makeImage(dir, ireo());
    auto t = table(p, ireo());
    putWord(t, 0, 0x0104);   // species 1 slot 1: method word with a high byte, read as 4
    putWord(t, 2, 0x0120);   // level word read as its low byte, 32
    putWord(t, 4, 0xFFFF);   // target -1: no row
    putWord(t, 6, 8);        // slot 2: item 420, a name ending in a space
    putWord(t, 8, 420);
    putWord(t, 10, 650);     // a species past the list
    putWord(t, 12, 6);       // slot 3: item 63, "Poké Doll"
    putWord(t, 14, 63);
    putWord(t, 18 + 2, 7);   // slot 4: method 0 with a parameter word: not all zero, so listed
    putWord(t, 24, 64);      // slot 5: unlisted method, its parameter not read
    putWord(t, 26, 1234);
    putTable(p, ireo(), t);

    const auto l = lines(run({"export", p.string()}).out);
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[1], "1,Bulbasaur,1,4,Level Up,32,32,-1,");
    EXPECT_EQ(l[2], "1,Bulbasaur,2,8,Item (Evo Stones),420,\"HM01 Cut \",650,");
    EXPECT_EQ(l[3], "1,Bulbasaur,3,6,Trade with Held Item,63,Pok\xC3\xA9 Doll,0,None");
    EXPECT_EQ(l[4], "1,Bulbasaur,4,0,None,,,0,None");
    EXPECT_EQ(l[5], "1,Bulbasaur,5,64,,,,0,None");
}

TEST(Export, AllWritesEverySlotAndOutputGoesToTheFileNamed)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto out = dir.file("table.csv");
    const Ran r = run({"export", p.string(), "--all", "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    std::ifstream in(out);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto l = lines(text);
    ASSERT_EQ(l.size(), 649u * 7 + 1);
    EXPECT_EQ(l[2], "1,Bulbasaur,2,0,None,,,0,None");
    EXPECT_EQ(l.back(), "649,Genese,7,0,None,,,0,None");
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

// -o FILE replaces a regular file as a whole, keeping its mode; a link is followed to the file it
// names and stays a link; a device is written as it is; "-" is standard output.
TEST(Export, OutputReplacesTheFileNamedAndKeepsItsModeAndLinks)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const std::string expected = run({"export", p.string()}).out;
    const mode_t mask = ::umask(022);
    ::umask(mask);
    writeText(dir.file("old.csv"), "previous export\n");
    ::chmod(dir.file("old.csv").c_str(), 0640);
    writeText(dir.file("target.csv"), "previous export\n");
    ::chmod(dir.file("target.csv").c_str(), 0604);
    std::filesystem::create_symlink("target.csv", dir.file("link.csv"));
    struct Case {
        std::string output;
        std::string file;  // where the text must land, with its mode
        mode_t mode;
    };
    const Case cases[] = {
        {dir.file("old.csv").string(), dir.file("old.csv").string(), 0640},
        {dir.file("new.csv").string(), dir.file("new.csv").string(), 0666 & ~mask},
        {dir.file("link.csv").string(), dir.file("target.csv").string(), 0604},
        {"/dev/null", "", 0},
        {"-", "", 0},
    };
    for (const Case& c : cases) {
        const Ran r = run({"export", p.string(), "-o", c.output});
        ASSERT_EQ(r.status, 0) << c.output << ": " << r.err;
        EXPECT_EQ(r.out, c.output == "-" ? expected : "") << c.output;
        if (c.file.empty())
            continue;
        EXPECT_EQ(contents(c.file), expected) << c.output;
        struct stat st {};
        ASSERT_EQ(::stat(c.file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.output;
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.csv")));
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"rom.nds", "old.csv", "new.csv", "target.csv", "link.csv"}));
}

// A write that fails part-way (here at a 4 KiB file-size limit) leaves the previous export whole.
TEST(Export, AFailedWriteLeavesThePreviousFileAndNoTemporary)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto out = dir.file("table.csv");
    writeText(out, "previous export\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rom::IgnoreFileSizeSignal();
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const Ran r = run({"export", p.string(), "--all", "-o", out.string()});
        ::_exit(r.status == 1 && r.err == out.string() + ": cannot be written: " +
                                              std::generic_category().message(EFBIG) + "\n"
                    ? 0
                    : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the export did not fail as expected";
    EXPECT_EQ(contents(out), "previous export\n");
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"rom.nds", "table.csv"}));
}

// The ROM by any name: as given, by another path, through a symbolic link or a hard link.
TEST(Export, RefusesToWriteOverTheRom)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(p, irbo());
    std::filesystem::create_symlink(p, dir.file("link.nds"));
    std::filesystem::create_hard_link(p, dir.file("hard.nds"));
    for (const auto& output : {p, dir.path() / "." / "rom.nds", dir.file("link.nds"), dir.file("hard.nds")}) {
        const Ran r = run({"export", p.string(), "-o", output.string()});
        EXPECT_EQ(r.status, 1) << output;
        EXPECT_EQ(r.err, output.string() + ": is the ROM itself; nothing written\n");
        EXPECT_EQ(table(p, irbo()), before) << output;
    }
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"rom.nds", "link.nds", "hard.nds"}));
}

// A slot is listed when any one of its six bytes is not zero, whichever it is.
TEST(Export, ASlotIsListedWhenAnyOfItsBytesIsNotZero)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    auto t = table(p, irbo());
    for (std::size_t k = 0; k < 6; ++k)
        t[k * 6 + k] = 1;  // species 1, slot k + 1: only its byte k
    putTable(p, irbo(), t);
    const auto l = lines(run({"export", p.string()}).out);
    ASSERT_EQ(l.size(), 7u);
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_TRUE(l[k + 1].starts_with("1,Bulbasaur," + std::to_string(k + 1) + ",")) << l[k + 1];
}

TEST(Refusal, UnsupportedShortAndMissingRomsAreRefusedAndLeftAlone)
{
    TempDir dir;
    const auto odd = dir.file("odd.nds");
    ASSERT_TRUE(sample::CreateImage(odd, {'I', 'R', 'B', 'X'}, 4096));
    const auto escape = dir.file("escape.nds");  // a code that would talk to the terminal
    ASSERT_TRUE(sample::CreateImage(escape, {'\x1b', '"', '\xff', 'A'}, 4096));
    const auto shortRom = dir.file("short.nds");
    ASSERT_TRUE(sample::CreateImage(shortRom, irbo().code, irbo().tableBase + 100));
    const auto missing = dir.file("missing.nds");
    const auto csv = dir.file("t.csv");
    writeText(csv, "species,slot,method,parameter,target\n1,1,0,,0\n");

    const std::pair<std::filesystem::path, std::string> cases[] = {
        {odd, "unsupported ROM: game code \"IRBX\" is neither IRBO nor IREO\n"},
        {escape, "unsupported ROM: game code \"\\x1b\\\"\\xffA\" is neither IRBO nor IREO\n"},
        {shortRom, "too short to hold the evolution table of Pokemon Black (E) (IRBO)"},
        {missing, "the file cannot be opened"},
    };
    for (const auto& [rom, message] : cases) {
        const auto size = std::filesystem::exists(rom) ? std::filesystem::file_size(rom) : 0;
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"export", rom.string()}, {"import", rom.string(), csv.string()},
              {"show", rom.string(), "1"}, {"diff", rom.string(), rom.string()}}) {
            const Ran r = run(args);
            EXPECT_EQ(r.status, 1) << args[0] << " " << rom;
            EXPECT_EQ(r.out, "");
            EXPECT_NE(r.err.find(rom.string() + ": " + message), std::string::npos) << r.err;
        }
        EXPECT_EQ(std::filesystem::exists(rom) ? std::filesystem::file_size(rom) : 0, size);
    }
}

TEST(Diff, ListsBsSlotsWhoseValuesDifferAndIgnoresUnreadBytes)
{
    TempDir dir;
    const auto a = makeImage(dir, irbo(), Fill::Sample, "a.nds");
    const auto b = makeImage(dir, ireo(), Fill::Sample, "b.nds");
    auto t = table(b, ireo());
    t[1] = 0x7F;                // Bulbasaur slot 1: only the method's high byte, never read
    putWord(t, 132 * 44 + 2, 85);  // Eevee slot 1: Water Stone becomes Leaf Stone
    putTable(b, ireo(), t);
    const Ran r = run({"diff", a.string(), b.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "species,species_name,slot,method,method_name,parameter,parameter_name,target,target_name,"
                     "was_method,was_parameter,was_target\n"
                     "133,Eevee,1,8,Item (Evo Stones),85,Leaf Stone,134,Vaporeon,8,84,134\n");
    const Ran same = run({"diff", a.string(), a.string()});
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(lines(same.out).size(), 1u);
    EXPECT_EQ(run({"diff", "--format", "text", a.string(), a.string()}).out, "");
}

TEST(Diff, TextFormatNamesWhatEachSlotWasAndIsNow)
{
    TempDir dir;
    const auto a = makeImage(dir, irbo(), Fill::Sample, "a.nds");
    const auto b = makeImage(dir, irbo(), Fill::Sample, "b.nds");
    auto t = table(b, irbo());
    putWord(t, 6, 6);                   // Bulbasaur slot 2, empty: Trade with Held Item, "HM01 Cut "
    putWord(t, 8, 420);
    putWord(t, 10, 3);
    putWord(t, 24 * 44, 4);            // Pikachu slot 1: Thunderstone becomes level 7
    putWord(t, 24 * 44 + 2, 7);
    putWord(t, 132 * 44 + 36, 64);     // Eevee slot 7: an unlisted method and target
    putWord(t, 132 * 44 + 40, 650);
    putTable(b, irbo(), t);
    const Ran r = run({"diff", "--format", "text", a.string(), b.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Bulbasaur (1) slot 2: was empty; now Trade with Held Item, HM01 Cut , into Venusaur\n"
              "Pikachu (25) slot 1: was Item (Evo Stones), Thunderstone, into Raichu; now Level Up, 07, into Raichu\n"
              "Eevee (133) slot 7: was Level Up in Twist Mountain Basement, into Glaceon; now method 64 (no row), "
              "into species 650 (no row)\n");
    EXPECT_EQ(run({"diff", "--format", "csv", a.string(), b.string()}).out, run({"diff", a.string(), b.string()}).out);
}

TEST(Show, SevenSlotsAlignedByNumberOrName)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const Ran byName = run({"show", p.string(), "Eevee"});
    ASSERT_EQ(byName.status, 0) << byName.err;
    EXPECT_EQ(byName.out, run({"show", p.string(), "133"}).out);
    const auto l = lines(byName.out);
    ASSERT_EQ(l.size(), 9u);
    EXPECT_EQ(l[0], "Eevee (133), Pokemon Black (E) (IRBO)");
    EXPECT_EQ(l[1], "slot  method                                    parameter          target");
    EXPECT_EQ(l[2], "1     8 \"Item (Evo Stones)\"                     84 \"Water Stone\"   134 \"Vaporeon\"");
    EXPECT_EQ(l[5], "4     2 \"Happiness (Morning/noon)\"                                 196 \"Espeon\"");

    const Ran unknown = run({"show", p.string(), "pikchu"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err,
              "quorvane-cli: no species is named \"pikchu\"; did you mean \"Pikachu\" (25) or \"Pichu\" (172)?\n");
    for (const auto& [species, status] : {std::pair{"Eeve", 2}, {"None", 2}, {"0", 2}, {"1", 0}, {"649", 0}, {"650", 2}})
        EXPECT_EQ(run({"show", p.string(), species}).status, status) << species;

    // Every species by its name in upper and lower case; also the proof that no two species' names
    // are equal ignoring case: the second would show the first.
    for (int n = 1; n <= rom::kSpeciesRows; ++n) {
        const std::string name(rom::SpeciesNames[std::size_t(n)]);
        std::string upper = name, lower = name;
        std::transform(name.begin(), name.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        std::transform(name.begin(), name.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        for (const std::string& asked : {upper, lower}) {
            const Ran r = run({"show", p.string(), asked});
            ASSERT_EQ(r.status, 0) << asked << ": " << r.err;
            ASSERT_EQ(r.out.substr(0, r.out.find(',')), name + " (" + std::to_string(n) + ")") << asked;
        }
    }
}

}  // namespace
