// Change sets (diff's CSV with the values each slot held), import --reverse and --ignore-names, and set.
#include <gtest/gtest.h>

#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

const std::string kChangeHeader = "species,slot,method,parameter,target,was_method,was_parameter,was_target\n";

// One table of cases on the sample image, whose Pikachu slot 1 holds Item (Evo Stones), Thunderstone,
// into Raichu (8, 83, 26) and Machoke slot 1 Trade into Machamp (5, -, 68). Every failing file also holds
// a line that alone would be written: nothing of it may be.
TEST(ChangeSets, EachSlotIsWrittenAppliedOrAConflict)
{
    const std::string write = "25,1,4,36,26,8,83,26\n";  // Thunderstone -> Level Up 36
    const std::string undo = "25,1,8,83,26,4,36,26\n";   // its reverse, as a line of its own
    struct Case {
        const char* what;
        std::string text;
        bool reverse;
        int status;
        std::string says;  // the whole standard output on success; a line of standard error on failure
        std::vector<std::uint8_t> pikachu;  // slot 1's bytes afterwards
    };
    const std::vector<std::uint8_t> stone{8, 0, 83, 0, 26, 0}, level{4, 0, 36, 0, 26, 0};
    const Case cases[] = {
        {"was held", kChangeHeader + write, false, 0, "1 slot changed, 0 already applied\n", level},
        {"new held", kChangeHeader + undo, false, 0, "0 slots changed, 1 already applied\n", stone},
        {"reverse, new held", kChangeHeader + undo, true, 0, "1 slot changed, 0 already applied\n", level},
        {"reverse, was held", kChangeHeader + write, true, 0, "0 slots changed, 1 already applied\n", stone},
        {"neither held", kChangeHeader + write + "67,1,4,30,68,5,,100\n", false, 1,
         "edits.csv:3: conflict: Machoke (67) slot 1 holds \"Trade, into Machamp\", where the change set expects "
         "\"Trade, into Voltorb\"\n",
         stone},
        {"neither held, reversed", kChangeHeader + undo + "67,1,4,30,68,4,31,68\n", true, 1,
         "edits.csv:3: conflict: Machoke (67) slot 1 holds \"Trade, into Machamp\", where the change set expects "
         "\"Level Up, 30, into Machamp\"\n",
         stone},
        {"one slot twice", kChangeHeader + write + undo, false, 1,
         "edits.csv:3: Pikachu (25) slot 1 is already given on line 2\n", stone},
        {"was value empty", kChangeHeader + write + "67,1,4,30,68,,,68\n", false, 1, "edits.csv:3: was_method missing\n",
         stone},
        {"was parameter missing", kChangeHeader + write + "95,1,4,30,208,6,,208\n", false, 1,
         "edits.csv:3: was_method 6 (Trade with Held Item) needs an item as its parameter\n", stone},
        {"was parameter not taken", kChangeHeader + write + "67,1,4,30,68,5,0,68\n", false, 1,
         "edits.csv:3: was_method 5 (Trade) takes no parameter\n", stone},
        {"a was column missing", "species,slot,method,parameter,target,was_method,was_parameter\n25,1,4,36,26,8,83\n",
         false, 1, "edits.csv:1: missing column \"was_target\": a change set has was_method, was_parameter and "
                   "was_target\n",
         stone},
        {"reverse without a change set", "species,slot,method,parameter,target\n25,1,4,36,26\n", true, 2,
         "quorvane-cli: --reverse takes a change set, as diff writes it: ", stone},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const auto p = makeImage(dir, irbo(), Fill::Sample);
        const auto before = table(p, irbo());
        const auto csv = dir.file("edits.csv");
        writeText(csv, c.text);
        std::vector<std::string> args{"import", p.string(), csv.string()};
        if (c.reverse)
            args.push_back("--reverse");
        const Ran r = run(args);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
        if (c.status == 0)
            EXPECT_EQ(r.out, c.says) << c.what;
        else
            EXPECT_NE(r.err.find(c.status == 1 ? csv.string() + c.says.substr(9) : c.says), std::string::npos)
                << c.what << "\n" << r.err;
        EXPECT_EQ(readBytes(p, slotStart(irbo(), {24, 1}), 6), c.pikachu) << c.what;
        auto rest = table(p, irbo()), restBefore = before;
        const auto at = std::ptrdiff_t(rom::SlotAddress{24, 1}.offset());
        std::fill_n(rest.begin() + at, 6, 0);
        std::fill_n(restBefore.begin() + at, 6, 0);
        EXPECT_EQ(rest, restBefore) << c.what << ": no other slot changes";
    }
}

// A change made with set, carried by diff to another copy, applied twice and taken back: the copy ends
// byte for byte as it began. A dry run on a copy that holds something else shows where each slot stands.
TEST(ChangeSets, CarriedAppliedTwiceAndTakenBack)
{
    TempDir dir;
    const auto original = makeImage(dir, irbo(), Fill::Sample, "original.nds");
    const auto mine = makeImage(dir, irbo(), Fill::Sample, "mine.nds");
    const auto copy = makeImage(dir, irbo(), Fill::Sample, "copy.nds");
    ASSERT_EQ(run({"set", mine.string(), "--where", "method=Trade", "--where", "method=Trade with Held Item",
                   "--to", "method=Level Up", "--to", "parameter=37"})
                  .out,
              "3 slots changed\n");
    const Ran d = run({"diff", original.string(), mine.string()});
    ASSERT_EQ(d.status, 0) << d.err;
    const auto csv = dir.file("changes.csv");
    writeText(csv, d.out);

    EXPECT_EQ(run({"import", copy.string(), csv.string()}).out, "3 slots changed, 0 already applied\n");
    EXPECT_EQ(table(copy, irbo()), table(mine, irbo()));
    const auto mtime = std::filesystem::last_write_time(copy);
    const Ran again = run({"import", copy.string(), csv.string()});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "0 slots changed, 3 already applied\n");
    EXPECT_EQ(std::filesystem::last_write_time(copy), mtime);
    EXPECT_EQ(run({"import", "--reverse", copy.string(), csv.string()}).out, "3 slots changed, 0 already applied\n");
    EXPECT_EQ(table(copy, irbo()), table(original, irbo()));

    // Onix holds another change here: written, applied and conflicting slots, and nothing written.
    ASSERT_EQ(run({"set", copy.string(), "--where", "species=Onix", "--to", "target=Onix"}).status, 0);
    ASSERT_EQ(run({"import", copy.string(), "-"}, rom::SystemFiles(), kChangeHeader + "67,1,4,37,68,5,,68\n").status, 0);
    const auto held = table(copy, irbo());
    const Ran dry = run({"import", "-n", copy.string(), csv.string()});
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(lines(dry.out)[0], "Machoke (67) slot 1: already applied");
    EXPECT_NE(dry.out.find("Seadra (117) slot 1\n  old: method 6 \"Trade with Held Item\""), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("1 slot would change, 1 already applied; nothing written\n"), std::string::npos) << dry.out;
    EXPECT_NE(dry.err.find(":3: conflict: Onix (95) slot 1 holds \"Trade with Held Item, Metal Coat, into Onix\", "
                           "where the change set expects \"Trade with Held Item, Metal Coat, into Steelix\"\n"),
              std::string::npos)
        << dry.err;
    EXPECT_EQ(run({"import", copy.string(), csv.string()}).status, 1);
    EXPECT_EQ(table(copy, irbo()), held);
}

// Numbers edited by a script, names left as exported: refused with one hint, taken with --ignore-names,
// which then needs every number its method takes.
TEST(ChangeSets, IgnoreNamesTakesTheNumbersAlone)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const std::string header = "species,species_name,slot,method,method_name,parameter,parameter_name,target,target_name\n";
    const std::string edited = header + "67,Machoke,1,4,Trade,37,,68,Machamp\n588,Karrablast,1,4,Special Trade ( Only "
                                        "Shelmet/Karrablast ),37,,589,Escavalier\n";
    const Ran refused = run({"import", p.string(), "-"}, rom::SystemFiles(), edited);
    EXPECT_EQ(refused.status, 1);
    const std::string hint = ", or import with --ignore-names to take the numbers";
    EXPECT_NE(refused.err.find("standard input:2: method 4 is \"Level Up\", not \"Trade\": correct one of them, or "
                               "empty the name cell" + hint + "\n"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.err.find(hint), refused.err.rfind(hint)) << "the option is named once: " << refused.err;
    const Ran taken = run({"import", "--ignore-names", p.string(), "-"}, rom::SystemFiles(), edited);
    ASSERT_EQ(taken.status, 0) << taken.err;
    EXPECT_EQ(taken.out, "2 slots changed\n");
    EXPECT_EQ(readBytes(p, slotStart(irbo(), {66, 1}), 6), (std::vector<std::uint8_t>{4, 0, 37, 0, 68, 0}));
    const Ran namesOnly = run({"import", "--ignore-names", p.string(), "-"}, rom::SystemFiles(),
                              header + "67,Machoke,1,4,,,37,68,\n");
    EXPECT_EQ(namesOnly.status, 1);
    EXPECT_NE(namesOnly.err.find(":2: method 4 (Level Up) needs a level as its parameter"), std::string::npos)
        << namesOnly.err;
}

// Each example of set's help, against the import that makes the same change: the same bytes, the same
// dry run.
TEST(Set, HelpExamplesWriteWhatTheEquivalentImportWrites)
{
    const std::string help = run({"set", "--help"}).out;
    struct Example {
        std::vector<std::string> where, to;
        std::string table;  // the same change as an import
    };
    const Example examples[] = {
        {{"method=Trade"}, {"method=Level Up", "parameter=37"}, "species,slot,method,parameter,target\n67,1,4,37,68\n"},
        {{"method=Trade with Held Item"}, {"method=Level Up With Held Item (Day)"},
         "species,slot,method,parameter,target\n95,1,19,233,208\n117,1,19,235,230\n"},
        {{"species=Pikachu", "slot=1"}, {"method=Level Up", "parameter=36"},
         "species,slot,method,parameter,target\n25,1,4,36,26\n"},
    };
    for (const Example& e : examples) {
        std::vector<std::string> args{"set", "", "--dry-run"};
        std::string shown = "quorvane-cli set black.nds";
        for (const auto& [option, values] : {std::pair{"--where", e.where}, std::pair{"--to", e.to}}) {
            for (const std::string& v : values) {
                args.insert(args.end(), {option, v});
                shown += std::string(" ") + option + " " + (v.find(' ') != std::string::npos ? "\"" + v + "\"" : v);
            }
        }
        std::string flat = help;  // the help breaks long examples with a backslash
        for (std::size_t at; (at = flat.find(" \\\n")) != std::string::npos;)
            flat.replace(at, flat.find_first_not_of(' ', at + 3) - at, " ");
        EXPECT_NE(flat.find(shown), std::string::npos) << shown;

        TempDir dir;
        const auto bySet = makeImage(dir, irbo(), Fill::Sample, "set.nds");
        const auto byImport = makeImage(dir, irbo(), Fill::Sample, "import.nds");
        args[1] = bySet.string();
        const Ran dry = run(args);
        ASSERT_EQ(dry.status, 0) << shown << "\n" << dry.err;
        EXPECT_EQ(dry.out, run({"import", "-n", byImport.string(), "-"}, rom::SystemFiles(), e.table).out) << shown;
        args.erase(args.begin() + 2);
        EXPECT_EQ(run(args).status, 0) << shown;
        EXPECT_EQ(run({"import", byImport.string(), "-"}, rom::SystemFiles(), e.table).status, 0);
        EXPECT_EQ(table(bySet, irbo()), table(byImport, irbo())) << shown;
    }
}

// What set refuses before writing, and what is no error.
TEST(Set, RefusesWhatCannotBeAndSaysWhenNothingMatches)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(p, irbo());
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"--where", "method=Trade", "--to", "method=Level Up"}, "Level Up takes a level: add --to parameter=LEVEL"},
        {{"--where", "method=Trade with Held Item", "--to", "method=Level Up With Attack"},
         "Level Up With Attack takes a move: add --to parameter=MOVE"},
        {{"--where", "species=Machoke", "--to", "parameter=3"}, "Trade takes no parameter: drop --to parameter"},
        {{"--where", "spcies=67", "--to", "target=1"}, "not \"spcies=67\"; did you mean \"species\"?"},
        {{"--where", "species=67", "--to", "slot=2"}, "FIELD one of method, parameter, target"},
        {{"--where", "method=Trad", "--to", "target=1"}, "no method is named \"Trad\"; did you mean \"Trade\" (5)?"},
        {{"--where", "parameter=???", "--to", "target=1"}, "item name \"???\" names rows 113, 114, 115: give the number"},
        {{"--where", "slot=8", "--to", "target=1"}, "slot \"8\" is not a slot: 1 to 7"},
        {{"--where", "method=Trade", "--to", "target=650"}, "target 650 has no row in the species list"},
        {{"--where", "method=Trade"}, "--to is required"},
    };
    for (const auto& [options, says] : refused) {
        std::vector<std::string> args{"set", p.string()};
        args.insert(args.end(), options.begin(), options.end());
        const Ran r = run(args);
        EXPECT_EQ(r.status, 2) << says;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    const Ran none = run({"set", p.string(), "--where", "method=Max Beauty", "--to", "target=1"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "no slot matches; nothing written\n");
    const Ran same = run({"set", p.string(), "--where", "species=Machoke", "--to", "target=Machamp"});
    EXPECT_EQ(same.out, "0 slots changed\n");
    EXPECT_EQ(table(p, irbo()), before);
}

}  // namespace

namespace {

// The full table moved by some bytes inside the file, as a rebuilt ROM may hold it: import and set, with
// or without -n, refuse before planning a write, and --force writes all the same. The full table where
// the game code says passes.
TEST(MovedTables, AreRefusedBeforeAnyWriteUnlessForced)
{
    TempDir dir;
    const auto full = table(makeImage(dir, irbo(), Fill::Full, "full.nds"), irbo());
    const std::string csv = "species,slot,method,parameter,target\n67,1,4,37,68\n";
    const std::vector<std::vector<std::string>> commands{
        {"import", "-n", "", "-"}, {"import", "", "-"},
        {"set", "-n", "", "--where", "method=Trade", "--to", "method=Level Up", "--to", "parameter=37"},
        {"set", "", "--where", "method=Trade", "--to", "method=Level Up", "--to", "parameter=37"}};
    for (const int shift : {0, 1, 2, 3, 4, 5, -2, -3, -4, -5, 0x200, -0x200}) {
        std::vector<std::uint8_t> moved(full.size());
        for (std::size_t i = 0; i < moved.size(); ++i)
            if (const auto j = std::ptrdiff_t(i) - shift; j >= 0 && j < std::ptrdiff_t(full.size()))
                moved[i] = full[std::size_t(j)];
        const int odd = rom::CheckLayout(rom::EvolutionTable{moved}).oddSlots;
        for (std::vector<std::string> args : commands) {
            const auto p = makeImage(dir, irbo(), Fill::Zero, "moved.nds");
            putTable(p, irbo(), moved);
            *std::find(args.begin(), args.end(), "") = p.string();
            const Ran r = run(args, rom::SystemFiles(), csv);
            SCOPED_TRACE(std::to_string(shift) + ": " + args[0] + " " + args[1]);
            if (shift == 0) {
                EXPECT_EQ(odd, 0);
                EXPECT_EQ(r.status, 0) << r.err;
                continue;
            }
            EXPECT_GT(odd, rom::TableLayout::kMostOddSlots);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, p.string() + ": the table at 0x6966740 does not look like an evolution table (" +
                                 std::to_string(odd) + " of 4,543 slots hold a method or target no game uses); a ROM "
                                 "rebuilt by another tool may have moved it; --force writes anyway\n");
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(table(p, irbo()), moved);
        }
    }
    const auto p = makeImage(dir, irbo(), Fill::Zero, "forced.nds");
    auto moved = full;
    moved.insert(moved.begin(), 0x200, 0);
    moved.resize(full.size());
    putTable(p, irbo(), moved);
    EXPECT_EQ(run({"import", "--force", p.string(), "-"}, rom::SystemFiles(), csv).out, "1 slot changed\n");
}

}  // namespace
