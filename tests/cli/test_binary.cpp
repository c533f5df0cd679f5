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

// -o names of descriptors write to the descriptor as it is, as "-" does: a file opened for appending
// keeps its lines, a pipe gets the text. A FIFO is written in place, and a socket is not replaced.
TEST(Binary, OutputToADescriptorOrAnythingButARegularFileIsNotReplaced)
{
    TempDir dir;
    const std::string rom = makeImage(dir, irbo(), Fill::Sample).string();
    const std::string expected = runProgram("export " + rom).out;
    const std::string log = dir.file("jobs.log").string(), fifo = dir.file("fifo").string();
    std::filesystem::create_symlink("/dev/stdout", dir.file("stdout-link"));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string export_ = kCli + " export " + rom + " -o ";
    const std::pair<std::string, bool> cases[] = {  // the command, whether the log's earlier line stays
        {export_ + "/dev/stdout >> " + log, true},
        {export_ + "/dev/stderr 2>> " + log, true},
        {export_ + "/dev/fd/3 3>> " + log, true},
        {export_ + "/proc/self/fd/3 3>> " + log, true},
        {export_ + dir.file("stdout-link").string() + " >> " + log, true},
        {export_ + "/dev/stdout | cat > " + log, false},
        {"cat " + fifo + " > " + log + " & " + export_ + fifo + "; wait", false},
    };
    for (const auto& [command, appended] : cases) {
        writeText(log, "earlier\n");
        const Output o = runShell("timeout 10 sh -c '" + command + "'");
        EXPECT_EQ(o.status, 0) << command;
        EXPECT_EQ(contents(log), (appended ? "earlier\n" : "") + expected) << command;
    }
    struct stat st {};
    EXPECT_TRUE(::lstat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));

    const std::string socket = dir.file("socket").string();
    const Output bound = runShell("python3 -c 'import socket; socket.socket(socket.AF_UNIX).bind(\"" + socket + "\")'");
    if (bound.status != 0)
        GTEST_SKIP() << "python3 could not make a socket to write to";
    const Output o = runShell(export_ + socket + " 2>&1");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, socket + ": cannot be written: " + std::generic_category().message(ENXIO) + "\n");
    EXPECT_TRUE(::lstat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode));
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

// The temporary file is synced before it takes the output's name, and its folder after.
TEST(RealSystem, TheOutputIsSyncedBeforeItsRenameAndItsFolderAfter)
{
    if (const std::string refused = straceRefused(); !refused.empty())
        GTEST_SKIP() << refused;
    const std::regex call(R"(^(?:\d+ +)?(\w+)\(([^,)]*)(?:, \"([^\"]*)\")?.*\) += (-?\d+))");
    TempDir dir;
    const std::string rom = makeImage(dir, irbo(), Fill::Sample).string();
    const std::string out = dir.file("out.csv").string(), log = dir.file("trace").string();
    writeText(out, "previous\n");
    const Output o = runShell(kStrace + " -f -qq -o " + log + " -e trace=openat,fsync,fdatasync,rename,renameat," +
                              "renameat2 " + kCli + " export " + rom + " -o " + out + " 2>&1");
    ASSERT_EQ(o.status, 0) << o.out;
    std::string temporaryFd, folderFd;
    bool temporarySynced = false, renamed = false, folderSynced = false;
    std::ifstream trace(log);
    for (std::string line; std::getline(trace, line);) {
        std::smatch m;
        if (!std::regex_search(line, m, call) || (m[4] != "0" && m[1] != "openat"))
            continue;
        if (m[1] == "openat" && std::string(m[3]).starts_with(".out.csv.quorvane-partial-"))
            temporaryFd = m[4];
        else if (m[1] == "fsync" || m[1] == "fdatasync")
            (renamed ? folderSynced : temporarySynced) |= m[2] == (renamed ? folderFd : temporaryFd);
        else if (std::string(m[1]).starts_with("rename") && line.find("\"out.csv\"") != std::string::npos) {
            EXPECT_TRUE(temporarySynced) << "renamed before the temporary file was synced: " << line;
            renamed = true;
            folderFd = m[2];
        }
    }
    EXPECT_TRUE(renamed && folderSynced) << "the folder was not synced after the rename";
    EXPECT_EQ(contents(out), runProgram("export " + rom).out);
}

// SIGINT, SIGTERM and SIGHUP while the output is synced remove its temporary file before the program
// ends; SIGKILL leaves one, whose name says what it is, its output's name cut at a character to fit.
TEST(RealSystem, ASignalDuringTheOutputsSyncLeavesNoTemporaryFileButSigkillsOne)
{
    if (const std::string refused = straceRefused(); !refused.empty())
        GTEST_SKIP() << refused;
    const auto longest =
        static_cast<std::size_t>(::pathconf(std::filesystem::temp_directory_path().c_str(), _PC_NAME_MAX));
    std::string name = "x";
    while (name.size() + 2 <= longest)
        name += "\xC3\xA9";
    for (const char* signal : {"SIGINT", "SIGTERM", "SIGHUP", "SIGKILL"}) {
        TempDir dir;
        const std::string rom = makeImage(dir, irbo(), Fill::Sample).string();
        const auto out = dir.file(name);
        writeText(out, "previous\n");
        const Output o = runShell(kStrace + " -qq -o /dev/null -e trace=fsync -e inject=fsync:signal=" + signal +
                                  ":when=1 " + kCli + " export " + rom + " -o '" + out.string() + "' 2>&1");
        EXPECT_NE(o.status, 0) << signal << " did not stop the export";
        EXPECT_EQ(contents(out), "previous\n") << signal;
        std::set<std::string> left = entries(dir.path());
        left.erase("rom.nds");
        left.erase(name);
        if (signal != std::string("SIGKILL")) {
            EXPECT_TRUE(left.empty()) << signal << " left " << *left.begin();
            continue;
        }
        ASSERT_EQ(left.size(), 1u);
        const std::string temporary = *left.begin();
        EXPECT_TRUE(std::regex_match(temporary, std::regex("\\.x(\xC3\xA9)+\\.quorvane-partial-[A-Za-z0-9]{6}")))
            << temporary;
        EXPECT_LE(temporary.size(), longest);
    }
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
