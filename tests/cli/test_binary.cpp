// The installed program itself: exit statuses, help and version, its standard streams, and what the
// system sees it do.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

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

/// Runs a shell command line; its standard error (and output, unless redirected) is captured.
Output runShell(const std::string& command)
{
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

const std::string kCli = QUORVANE_CLI;
const std::string kEdits = "species,slot,method,parameter,target\n1,1,8,82,3\n";

// Standard streams that cannot be used, and FIFOs: a message and status 1, never an abort or a hang.
TEST(Binary, UnusableStreamsAndFifosAreReportedNotAbortedOrWaitedOn)
{
    TempDir dir;
    const std::string rom = sampleImage(dir, irbo()).string();
    const std::string csv = dir.file("edits.csv").string();
    writeText(csv, kEdits);
    const std::string fifo = dir.file("fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.path().string();
    const std::pair<std::string, std::string> cases[] = {
        {"import " + rom + " - 2>&1 <&-", "standard input: cannot be read: Bad file descriptor"},
        {"import " + rom + " - 2>&1 < " + folder, "standard input: cannot be read: Is a directory"},
        {"show " + rom + " 1 2>&1 >/dev/full", "standard output: No space left on device"},
        {"import -n " + rom + " " + csv + " 2>&1 >&-", "standard output: Bad file descriptor"},
        {"export " + fifo + " 2>&1", fifo + ": cannot be opened: not a regular file"},
        {"show " + fifo + " 1 2>&1", fifo + ": cannot be opened: not a regular file"},
        {"diff " + rom + " " + fifo + " 2>&1", fifo + ": cannot be opened: not a regular file"},
        {"import -n " + fifo + " " + csv + " 2>&1", fifo + ": cannot be opened: not a regular file"},
    };
    for (const auto& [arguments, says] : cases) {
        const Output o = runShell("timeout 10 " + kCli + " " + arguments);
        EXPECT_EQ(o.status, 1) << arguments << "\n" << o.out;
        EXPECT_NE(o.out.find(says), std::string::npos) << arguments << "\n" << o.out;
    }
    // A FIFO is a fine table, as it is for cat.
    const Output piped = runShell("cat " + csv + " > " + fifo + " & timeout 10 " + kCli + " import " + rom + " " + fifo);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, "1 slot changed\n");
}

TEST(Binary, HelpAndVersionSucceed)
{
    const Output help = runProgram("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"export", "import", "diff", "show"})
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
