// A hack kept in git as the README sets it up: git diff shows the table's changed lines.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

TEST(Git, DiffShowsTheChangedSlotThroughTheExportTextconv)
{
    if (std::system("git --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "git is not installed; scripts/setup installs it";
    TempDir dir;
    makeImage(dir, irbo(), Fill::Sample, "hack.nds");
    // git reads no configuration but the repository's; quorvane-cli is found on the PATH.
    const Ran diff = runShell("cd '" + dir.path().string() + "' && HOME=\"$PWD\" GIT_CONFIG_NOSYSTEM=1 "
                              "GIT_CONFIG_GLOBAL=/dev/null PATH='" +
                              std::filesystem::path(QUORVANE_CLI).parent_path().string() + "':\"$PATH\" sh -ec '" + R"(
        git init -q .
        git config user.name Tester
        git config user.email tester@example.org
        echo "hack.nds diff=quorvane" > .gitattributes
        git config diff.quorvane.textconv "quorvane-cli export"
        git config diff.quorvane.cachetextconv true
        git add .gitattributes hack.nds
        git commit -q -m "The sample image"
        printf "species,slot,method,parameter,target\n25,1,4,36,26\n" | quorvane-cli import hack.nds - >/dev/null
        git diff --no-color hack.nds | grep "^[-+][0-9]"  # the removed and added lines
        git show-ref --quiet refs/notes/textconv/quorvane  # the converted table was kept
        )" "' 2>&1");
    ASSERT_EQ(diff.status, 0) << diff.out;
    EXPECT_EQ(diff.out, "-25,Pikachu,1,8,Item (Evo Stones),83,Thunderstone,26,Raichu\n"
                        "+25,Pikachu,1,4,Level Up,36,36,26,Raichu\n");
}

}  // namespace
