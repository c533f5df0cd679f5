// A whole-image patch with the real xdelta3, for players who only have a patcher: it carries the change
// to an identical copy of the original, and to nothing else. CTest runs this as its own entry labelled
// external, as it does the spreadsheets.
#include <gtest/gtest.h>

#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

TEST(Xdelta3, APatchOfTheWholeImageNeedsTheIdenticalOriginal)
{
    if (runShell("command -v xdelta3 >/dev/null").status != 0)
        GTEST_SKIP() << "xdelta3 is not installed (scripts/setup installs it)";
    TempDir dir;
    const auto original = makeImage(dir, irbo(), Fill::Sample, "original.nds");
    const auto mine = makeImage(dir, irbo(), Fill::Sample, "mine.nds");
    ASSERT_EQ(run({"set", mine.string(), "--where", "method=Trade", "--to", "method=Level Up", "--to", "parameter=37"})
                  .status,
              0);
    const std::string patch = dir.file("mine.xdelta").string();
    const Ran made = runShell("xdelta3 -e -s " + original.string() + " " + mine.string() + " " + patch + " 2>&1");
    ASSERT_EQ(made.status, 0) << made.out;
    EXPECT_LT(std::filesystem::file_size(patch), 4096u);

    // Applied by a friend to the same original: the same image, byte for byte.
    const auto friends = makeImage(dir, irbo(), Fill::Sample, "friend.nds");
    const std::string patched = dir.file("patched.nds").string();
    const Ran applied = runShell("xdelta3 -d -s " + friends.string() + " " + patch + " " + patched + " 2>&1");
    ASSERT_EQ(applied.status, 0) << applied.out;
    EXPECT_EQ(runShell("cmp " + patched + " " + mine.string() + " 2>&1").status, 0);
    std::filesystem::remove(patched);

    // To a copy that holds another change, xdelta3 refuses: a change set is what travels there.
    ASSERT_EQ(run({"set", friends.string(), "--where", "species=Onix", "--to", "target=Onix"}).status, 0);
    const Ran refused = runShell("xdelta3 -d -s " + friends.string() + " " + patch + " " + patched + " 2>&1");
    EXPECT_NE(refused.status, 0) << refused.out;
}

}  // namespace
