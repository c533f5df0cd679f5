// The installed program itself: exit statuses, help and version.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct Output {
    int status;
    std::string out;
};

Output runProgram(const std::string& arguments)
{
    const std::string command = std::string(QUORVANE_CLI) + " " + arguments + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    Output o{-1, {}};
    if (!pipe)
        return o;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        o.out.append(buffer, n);
    const int raw = ::pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
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
