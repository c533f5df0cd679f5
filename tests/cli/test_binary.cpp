// The installed program itself: exit statuses, help and version.
#include <gtest/gtest.h>

#include "tests/cli/clitestutil.h"

namespace {

using Output = clitest::Ran;

Output runProgram(const std::string& arguments)
{
    return clitest::runShell(std::string(QUORVANE_CLI) + " " + arguments + " 2>/dev/null");
}

TEST(Binary, HelpAndVersionSucceed)
{
    const Output help = runProgram("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"export", "import", "diff", "show", "graph", "check"})
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    const Output importHelp = runProgram("import --help");
    EXPECT_EQ(importHelp.status, 0);
    EXPECT_NE(importHelp.out.find("--dry-run"), std::string::npos);
    EXPECT_EQ(runProgram("--version").out, "quorvane-cli " QUORVANE_VERSION_EXPECTED "\n");
}

TEST(Binary, UsageErrorsExitWithTwoAndFailuresWithOne)
{
    EXPECT_EQ(runProgram("").status, 2);
    EXPECT_EQ(runProgram("frobnicate").status, 2);
    EXPECT_EQ(runProgram("export").status, 2);
    EXPECT_EQ(runProgram("export --bogus x.nds").status, 2);
    EXPECT_EQ(runProgram("diff a.nds").status, 2);
    EXPECT_EQ(runProgram("export /nonexistent/rom.nds").status, 1);
}

}  // namespace
