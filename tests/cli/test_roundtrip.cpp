// Properties over random tables of both games, with fixed seeds.
#include <gtest/gtest.h>

#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

class RoundTrip : public ::testing::TestWithParam<int> {
protected:
    const rom::SupportedGame& game() const { return rom::kSupportedGames[std::size_t(GetParam()) % 2]; }
};

// Reading back an export and importing it finds nothing to do: not a byte, not the modification time.
TEST_P(RoundTrip, ExportThenImportChangesNothing)
{
    std::mt19937 rng(1000u + unsigned(GetParam()));
    TempDir dir;
    const auto p = makeImage(dir, game());
    putTable(p, game(), randomTable(rng));
    const auto csv = dir.file("table.csv");
    for (const char* all : {"--all", ""}) {
        std::vector<std::string> args{"export", p.string(), "-o", csv.string()};
        if (*all)
            args.push_back(all);
        ASSERT_EQ(run(args).status, 0);
        const auto before = table(p, game());
        const auto mtime = std::filesystem::last_write_time(p);
        const Ran r = run({"import", "--force", p.string(), csv.string()});  // random words look moved
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "0 slots changed\n");
        EXPECT_EQ(table(p, game()), before);
        EXPECT_EQ(std::filesystem::last_write_time(p), mtime);
    }
}

// The same edits through import and through one core save each give the same bytes.
TEST_P(RoundTrip, ImportEqualsSavingEachEditInTheEditor)
{
    std::mt19937 rng(2000u + unsigned(GetParam()));
    TempDir dir;
    const auto start = randomTable(rng);
    const auto imported = makeImage(dir, game(), Fill::Zero, "imported.nds");
    const auto saved = makeImage(dir, game(), Fill::Zero, "saved.nds");
    putTable(imported, game(), start);
    putTable(saved, game(), start);
    const auto edits = randomEdits(rng, start, 80);
    ASSERT_GT(edits.size(), 50u);

    const auto csv = dir.file("edits.csv");
    writeText(csv, csvOf(edits));
    const Ran r = run({"import", "--force", imported.string(), csv.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::to_string(edits.size()) + " slots changed\n");
    for (const Edit& e : edits)
        ASSERT_TRUE(rom::WriteSlot(saved, game().code, e.address, editorSave(e)));

    EXPECT_EQ(table(imported, game()), table(saved, game()));
    EXPECT_NE(table(imported, game()), start);
    EXPECT_EQ(std::filesystem::file_size(imported), std::filesystem::file_size(saved));
    EXPECT_EQ(readBytes(imported, 0, 16), readBytes(saved, 0, 16));
}

// diff A B, then import into A: A reads as B wherever B's values are listed.
TEST_P(RoundTrip, DiffThenImportCarriesTheChanges)
{
    std::mt19937 rng(3000u + unsigned(GetParam()));
    TempDir dir;
    const auto& gameB = rom::kSupportedGames[std::size_t(GetParam() + 1) % 2];  // the other game
    const auto start = randomTable(rng);
    const auto a = makeImage(dir, game(), Fill::Zero, "a.nds");
    const auto b = makeImage(dir, gameB, Fill::Zero, "b.nds");
    putTable(a, game(), start);
    auto changed = start;
    for (const Edit& e : randomEdits(rng, start, 60)) {
        rom::SlotBytes kept;
        const std::size_t at = e.address.offset();
        std::copy_n(changed.begin() + std::ptrdiff_t(at), 6, kept.begin());
        const auto bytes = rom::ComposeSlot(kept, editorSave(e));
        std::copy(bytes.begin(), bytes.end(), changed.begin() + std::ptrdiff_t(at));
    }
    changed[rom::SlotAddress{5, 1}.offset() + 1] ^= 0x80;  // a method's high byte: not read, so not a difference
    putTable(b, gameB, changed);

    const Ran d = run({"diff", a.string(), b.string()});
    ASSERT_EQ(d.status, 0) << d.err;
    // The text form lists the same slots, unlisted values and all, one line each.
    const Ran text = run({"diff", "--format", "text", "--exit-code", a.string(), b.string()});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n') + 1, std::count(d.out.begin(), d.out.end(), '\n'));
    const auto csv = dir.file("changes.csv");
    writeText(csv, d.out);
    const Ran r = run({"import", "--force", a.string(), csv.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t slots = lines(text.out).size();
    EXPECT_EQ(r.out, std::to_string(slots) + " slots changed, 0 already applied\n");
    EXPECT_EQ(run({"import", "--force", a.string(), csv.string()}).out,
              "0 slots changed, " + std::to_string(slots) + " already applied\n");

    const auto ta = table(a, game());
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        rom::SlotBytes x, y;
        std::copy_n(ta.begin() + std::ptrdiff_t(at.offset()), 6, x.begin());
        std::copy_n(changed.begin() + std::ptrdiff_t(at.offset()), 6, y.begin());
        ASSERT_EQ(cli::ValuesOf(at, x), cli::ValuesOf(at, y)) << at.speciesRow() << " " << at.slot();
    }
    const std::string after = run({"diff", a.string(), b.string()}).out;
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 1) << after;  // only the header left
    EXPECT_EQ(run({"diff", "--exit-code", a.string(), b.string()}).status, 0);

    // Taken back: every slot reads as it did, or (a was value with no row cannot be written back) not
    // a byte changes.
    const Ran back = run({"import", "--force", "--reverse", a.string(), csv.string()});
    const auto tb = table(a, game());
    if (back.status != 0) {
        EXPECT_NE(back.err.find("has no row in the"), std::string::npos) << back.err;
        EXPECT_EQ(tb, ta);
        return;
    }
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        rom::SlotBytes x, y;
        std::copy_n(tb.begin() + std::ptrdiff_t(at.offset()), 6, x.begin());
        std::copy_n(start.begin() + std::ptrdiff_t(at.offset()), 6, y.begin());
        ASSERT_EQ(cli::ValuesOf(at, x), cli::ValuesOf(at, y)) << at.speciesRow() << " " << at.slot();
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoundTrip, ::testing::Range(0, 6));

}  // namespace
