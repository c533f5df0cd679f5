// The installed program itself: exit statuses, help and version, its standard streams, and what the
// system sees it do.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;
using Output = Ran;

const std::string kCli = QUORVANE_CLI;

Output runProgram(const std::string& arguments)
{
    return runShell(kCli + " " + arguments + " 2>/dev/null");
}

const std::string kEdits = "species,slot,method,parameter,target\n1,1,8,82,3\n";

// Standard streams that cannot be used, and FIFOs: a message and status 1, never an abort or a hang.
TEST(Binary, UnusableStreamsAndFifosAreReportedNotAbortedOrWaitedOn)
{
    TempDir dir;
    const std::string rom = makeImage(dir, irbo(), Fill::Sample).string();
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
        {"export " + fifo + " 2>&1", fifo + ": the file cannot be opened: not a regular file"},
        {"show " + fifo + " 1 2>&1", fifo + ": the file cannot be opened: not a regular file"},
        {"diff " + rom + " " + fifo + " 2>&1", fifo + ": the file cannot be opened: not a regular file"},
        {"import -n " + fifo + " " + csv + " 2>&1", fifo + ": the file cannot be opened: not a regular file"},
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

// strace sees the real system calls; where tracing is not allowed, the tests say so and skip.
// LeakSanitizer cannot run under ptrace, so a sanitized build traces without it.
const std::string kStrace = "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 strace";

std::string straceRefused()
{
    const Output o = runShell("strace -o /dev/null true 2>&1");
    if (o.status == 127)
        return "";  // not installed: fail below rather than skip (scripts/setup installs it)
    return o.status == 0 ? "" : "strace cannot trace here: " + o.out;
}

// The ROM's descriptor is synced after its last write: a file layer whose sync only pretends fails this.
TEST(RealSystem, TheRomIsSyncedAfterItsLastWrite)
{
    if (const std::string refused = straceRefused(); !refused.empty())
        GTEST_SKIP() << refused;
    const std::regex call(R"(^(?:\d+ +)?(\w+)\((\w+)(?:, \"([^\"]*)\")?.*\) += (-?\d+))");
    for (const std::string& edits : {kEdits, kEdits + "2,1,4,33,3\n25,1,8,84,26\n"}) {
        TempDir dir;
        const std::string rom = makeImage(dir, irbo(), Fill::Sample).string();
        const std::string csv = dir.file("edits.csv").string();
        const std::string log = dir.file("trace").string();
        writeText(csv, edits);
        const Output o = runShell(kStrace + " -f -qq -o " + log + " -e trace=openat,pwrite64,fdatasync,fsync,close " + kCli +
                                  " import " + rom + " " + csv + " 2>&1");
        ASSERT_EQ(o.status, 0) << o.out;
        std::map<std::string, bool> romFds;  // open descriptors of the ROM: written since their last sync?
        int writes = 0, syncedCloses = 0;
        std::ifstream trace(log);
        for (std::string line; std::getline(trace, line);) {
            std::smatch m;
            if (!std::regex_search(line, m, call))
                continue;
            const std::string name = m[1], fd = m[2], result = m[4];
            if (name == "openat" && m[3] == rom && line.find("O_RDWR") != std::string::npos)
                romFds[result] = false;
            if (!romFds.count(fd))
                continue;
            if (name == "pwrite64" && result == "6") {
                romFds[fd] = true;
                ++writes;
            } else if ((name == "fdatasync" || name == "fsync") && result == "0") {
                romFds[fd] = false;
            } else if (name == "close") {
                EXPECT_FALSE(romFds[fd]) << "closed after a write with no sync since: " << line;
                syncedCloses += writes > 0;
                romFds.erase(fd);
            }
        }
        EXPECT_EQ(writes, std::count(edits.begin(), edits.end(), '\n') - 1);
        EXPECT_EQ(syncedCloses, 1);
    }
}

// A failing disk under the table: the read that would have said "end of file" fails instead.
TEST(RealSystem, AReadErrorPartWayThroughTheTableFailsTheImport)
{
    if (const std::string refused = straceRefused(); !refused.empty())
        GTEST_SKIP() << refused;
    TempDir dir;
    const auto rom = makeImage(dir, irbo(), Fill::Sample);
    const auto before = table(rom, irbo());
    const std::string csv = dir.file("edits.csv").string();
    writeText(csv, kEdits);
    const Output o = runShell(kStrace + " -qq -o /dev/null -P " + csv + " -e inject=read:error=EIO:when=2 " + kCli +
                              " import " + rom.string() + " " + csv + " 2>&1");
    EXPECT_EQ(o.status, 1) << o.out;
    EXPECT_NE(o.out.find(csv + ": cannot be read: Input/output error"), std::string::npos) << o.out;
    EXPECT_EQ(table(rom, irbo()), before);
}

// A message that cannot be written changes no status, and a pipe with no reader fails a write with EPIPE
// instead of killing the program: an import's status follows the ROM, check's and diff --exit-code's
// failures stay 2.
TEST(Binary, MessagesThatCannotBeWrittenChangeNoStatus)
{
    TempDir dir;
    const std::string csv = dir.file("edits.csv").string(), missing = dir.file("missing.nds").string();
    writeText(csv, kEdits);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);
    const std::string noReader = " >&" + std::to_string(pipeEnds[1]);
    std::signal(SIGPIPE, SIG_DFL);  // as a shell would start the program, whatever ran the tests
    const std::pair<std::string, int> cases[] = {
        {"import ROM " + csv + " >/dev/full 2>/dev/full", 0},
        {"import ROM " + csv + noReader + " 2>/dev/null", 0},
        {"import ROM " + csv + noReader + " 2>&1", 0},
        {"export ROM" + noReader + " 2>/dev/full", 1},
        {"check " + missing + " 2>/dev/full", 2},
        {"diff --exit-code ROM " + missing + " 2>/dev/full", 2},
        {"show ROM 9999 2>/dev/full", 2},
        {"import ROM " + missing + " 2>/dev/full", 1},
    };
    for (const auto& [arguments, status] : cases) {
        const std::string rom = makeImage(dir, irbo(), Fill::Sample).string();
        std::string command = arguments;
        if (const auto at = command.find("ROM"); at != std::string::npos)
            command.replace(at, 3, rom);
        EXPECT_EQ(runShell(kCli + " " + command).status, status) << command;
        if (arguments.starts_with("import ROM " + csv)) {
            EXPECT_EQ(readBytes(rom, irbo().tableBase, 6), (std::vector<std::uint8_t>{8, 0, 82, 0, 3, 0})) << command;
        }
    }
    ::close(pipeEnds[1]);
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
