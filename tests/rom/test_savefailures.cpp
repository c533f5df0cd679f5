// A save changes its slot's six bytes completely or not at all, is durable when reported, and never
// writes over bytes it did not read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "rom/processhandlers.h"
#include "rom/slotcodec.h"
#include "tests/support/faultyfiles.h"
#include "tests/support/testsupport.h"

using namespace testsupport;
using faulty::FaultyFileSystem;
using rom::ErrorKind;
using rom::ParamKind;

namespace {

// Every byte differs from its neighbours and from what the save writes, so any byte that moves shows.
const rom::SlotBytes kOld = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
const rom::SlotWrite kNew{4, ParamKind::Level, 32, 2};
const rom::SlotBytes kNewBytes = {0x04, 0x00, 0x20, 0x00, 0x02, 0x00};

struct Image {
    TempDir dir;
    std::filesystem::path path;
    std::vector<std::uint8_t> before;  // the table with a margin either side

    explicit Image(const rom::SupportedGame& g = irbo())
    {
        path = makeImage(dir, g, Fill::Pattern);
        writeBytes(path, slotStart(g, {10, 3}), {kOld.begin(), kOld.end()});
        before = table(g);
    }
    std::vector<std::uint8_t> table(const rom::SupportedGame& g = irbo()) const
    {
        return readBytes(path, g.tableBase - 64, rom::kTableBytes + 128);
    }
};

// ---- one save against each failure ------------------------------------------------------------

struct FaultCase {
    const char* name;
    void (*arm)(FaultyFileSystem&);
    ErrorKind kind;
    bool restoreFails;          // the error must say which bytes may have changed
    std::size_t mixedBytes;     // how many of them, from the slot's start
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class SaveFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SaveFaults, FailedSaveIsReportedAndChangesNoByte)
{
    const FaultCase& c = GetParam();
    Image image;
    FaultyFileSystem fs;
    c.arm(fs);

    const auto saved = rom::WriteSlot(image.path, irbo().code, {10, 3}, kNew, kOld, fs);
    ASSERT_FALSE(saved) << "a failed " << c.name << " was reported as a successful save";
    EXPECT_EQ(saved.error().kind, c.kind);
    EXPECT_FALSE(saved.error().reason.empty());
    if (!c.restoreFails) {
        EXPECT_FALSE(saved.error().mayHaveChanged);
        EXPECT_EQ(image.table(), image.before) << fs.calls;
        return;
    }
    const std::uint64_t at = slotStart(irbo(), {10, 3});
    ASSERT_TRUE(saved.error().mayHaveChanged);
    EXPECT_EQ(*saved.error().mayHaveChanged, (rom::ByteRange{at, at + c.mixedBytes - 1}));
    // Whatever did change lies inside the range the error names.
    const auto after = image.table();
    for (std::size_t i = 0; i < after.size(); ++i) {
        const std::uint64_t offset = irbo().tableBase - 64 + i;
        if (after[i] != image.before[i]) {
            EXPECT_TRUE(offset >= at && offset < at + c.mixedBytes) << "byte " << offset;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Saves, SaveFaults,
    ::testing::Values(
        FaultCase{"Reservation", [](FaultyFileSystem& fs) { fs.reserveFault.after = 0; }, ErrorKind::WriteFailed, false, 0},
        FaultCase{"Lock", [](FaultyFileSystem& fs) { fs.lockFault.after = 0; }, ErrorKind::Locked, false, 0},
        FaultCase{"WholeWrite", [](FaultyFileSystem& fs) { fs.writeFault.after = 0; }, ErrorKind::WriteFailed, false, 0},
        FaultCase{"ShortWrite1", [](FaultyFileSystem& fs) { fs.writeFault = {0, 1}; fs.shortWriteBytes = 1; },
                  ErrorKind::WriteFailed, false, 0},
        FaultCase{"ShortWrite3", [](FaultyFileSystem& fs) { fs.writeFault = {0, 1}; fs.shortWriteBytes = 3; },
                  ErrorKind::WriteFailed, false, 0},
        FaultCase{"ShortWrite5", [](FaultyFileSystem& fs) { fs.writeFault = {0, 1}; fs.shortWriteBytes = 5; },
                  ErrorKind::WriteFailed, false, 0},
        FaultCase{"Sync", [](FaultyFileSystem& fs) { fs.syncFault = {0, 1}; }, ErrorKind::SyncFailed, false, 0},
        FaultCase{"Close", [](FaultyFileSystem& fs) { fs.closeFault = {0, 1}; }, ErrorKind::SyncFailed, false, 0},
        // The undo fails as well: the error must say so, and name exactly the bytes at risk.
        FaultCase{"ShortWriteThenRestore", [](FaultyFileSystem& fs) { fs.writeFault.after = 0; fs.shortWriteBytes = 4; },
                  ErrorKind::WriteFailed, true, 4},
        FaultCase{"SyncThenRestore", [](FaultyFileSystem& fs) { fs.syncFault.after = 0; }, ErrorKind::SyncFailed,
                  true, 6},
        FaultCase{"CloseThenRestore", [](FaultyFileSystem& fs) { fs.closeFault = {0, 1}; fs.writeFault = {1, 1}; },
                  ErrorKind::SyncFailed, true, 6}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveOrder, NothingIsWrittenAfterAFailedReservationAndEverySaveIsSynced)
{
    Image image;
    FaultyFileSystem refused;
    refused.reserveFault.after = 0;
    ASSERT_FALSE(rom::WriteSlot(image.path, irbo().code, {10, 3}, kNew, kOld, refused));
    EXPECT_EQ(refused.calls.find("write"), std::string::npos) << refused.calls;

    FaultyFileSystem fs;
    ASSERT_TRUE(rom::WriteSlot(image.path, irbo().code, {10, 3}, kNew, kOld, fs));
    EXPECT_EQ(fs.calls, "open lock reserve write sync close");
    EXPECT_EQ(readBytes(image.path, slotStart(irbo(), {10, 3}), 6), std::vector(kNewBytes.begin(), kNewBytes.end()));
}

// ---- someone else's bytes ----------------------------------------------------------------------

TEST(OtherWriters, SlotChangedSinceItWasReadIsNotOverwritten)
{
    Image image;
    const auto shown = rom::ReadSlot(image.path, irbo().code, {10, 3});
    ASSERT_TRUE(shown);
    // Another program saves the same slot in between.
    writeBytes(image.path, slotStart(irbo(), {10, 3}), {0x05, 0x00, 0x00, 0x00, 0x44, 0x00});
    const auto theirs = image.table();

    const auto saved = rom::WriteSlot(image.path, irbo().code, {10, 3}, kNew, shown->bytes);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, ErrorKind::SlotChanged);
    EXPECT_EQ(image.table(), theirs);

    // Read again, the same save goes through, and a second one compares with what the first wrote.
    const auto again = rom::ReadSlot(image.path, irbo().code, {10, 3});
    ASSERT_TRUE(rom::WriteSlot(image.path, irbo().code, {10, 3}, kNew, again->bytes));
    ASSERT_TRUE(rom::WriteSlot(image.path, irbo().code, {10, 3}, {21, ParamKind::Move, 246, 473},
                                rom::ComposeSlot(again->bytes, kNew)));
    EXPECT_EQ(rom::ReadSlot(image.path, irbo().code, {10, 3})->parameter, 246);
}

// Another program's lock, read or write, on any byte of the slot makes the save wait and then fail;
// one on the bytes either side of it does not.
struct HeldLock {
    const char* name;
    std::int64_t from;  // relative to the slot's first byte
    short type;
    bool blocks;
};

void PrintTo(const HeldLock& h, std::ostream* os) { *os << h.name; }

class OtherWritersLock : public ::testing::TestWithParam<HeldLock> {};

TEST_P(OtherWritersLock, ALockOnAnyByteOfTheSlotIsWaitedForThenReported)
{
    Image image;
    const int other = ::open(image.path.c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    struct flock range {};
    range.l_type = GetParam().type;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(std::int64_t(slotStart(irbo(), {10, 3})) + GetParam().from);
    range.l_len = 1;
    ASSERT_EQ(::fcntl(other, F_OFD_SETLK, &range), 0);

    const auto saved = rom::WriteSlot(image.path, irbo().code, {10, 3}, kNew, kOld);
    if (!GetParam().blocks) {
        EXPECT_TRUE(saved) << saved.error().reason;
        ::close(other);
        return;
    }
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, ErrorKind::Locked);
    EXPECT_EQ(saved.error().reason, "") << "the kind says it already";
    EXPECT_EQ(image.table(), image.before);

    ::close(other);  // released: the next save proceeds
    EXPECT_TRUE(rom::WriteSlot(image.path, irbo().code, {10, 3}, kNew, kOld));
}

INSTANTIATE_TEST_SUITE_P(OtherWriters, OtherWritersLock,
                         ::testing::Values(HeldLock{"FirstByte", 0, F_WRLCK, true},
                                           HeldLock{"TargetWord", 4, F_WRLCK, true},
                                           HeldLock{"LastByteRead", 5, F_RDLCK, true},
                                           HeldLock{"ByteBefore", -1, F_WRLCK, false},
                                           HeldLock{"ByteAfter", 6, F_WRLCK, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OtherWriters, ReadsAndSavesRefuseAFileReplacedByAnotherGame)
{
    Image image(ireo());
    const auto shown = rom::ReadSlot(image.path, ireo().code, {10, 3});
    ASSERT_TRUE(shown);
    writeBytes(image.path, 12, {'I', 'R', 'B', 'O'});
    // The slot's own bytes are unchanged, so only the game code can stop these.
    const auto saved = rom::WriteSlot(image.path, ireo().code, {10, 3}, kNew, shown->bytes);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, ErrorKind::GameChanged);
    const rom::SlotChange change{{10, 3}, shown->bytes, kNewBytes};
    const auto batch = rom::WriteSlots(image.path, ireo().code, {&change, 1});
    ASSERT_FALSE(batch);
    EXPECT_EQ(batch.error().kind, ErrorKind::GameChanged);
    EXPECT_EQ(image.table(ireo()), image.before);

    const auto slot = rom::ReadSlot(image.path, ireo().code, {10, 3});
    ASSERT_FALSE(slot);
    EXPECT_EQ(slot.error().kind, ErrorKind::GameChanged);
    const auto table = rom::ReadTable(image.path, ireo().code);
    ASSERT_FALSE(table);
    EXPECT_EQ(table.error().kind, ErrorKind::GameChanged);
}

// ---- batches -----------------------------------------------------------------------------------

std::vector<rom::SlotChange> changesAt(const Image& image, std::initializer_list<rom::SlotAddress> addresses)
{
    std::vector<rom::SlotChange> changes;
    for (const rom::SlotAddress address : addresses) {
        const auto at = slotStart(irbo(), address) - (irbo().tableBase - 64);
        rom::SlotBytes expected{};
        std::copy_n(image.before.begin() + std::ptrdiff_t(at), 6, expected.begin());
        changes.push_back({address, expected,
                           rom::ComposeSlot(expected, {27, ParamKind::Constant, {}, address.speciesRow()})});
    }
    return changes;
}

std::vector<rom::SlotChange> threeChanges(const Image& image)
{
    return changesAt(image, {rom::SlotAddress{2, 1}, {10, 3}, {648, 7}});
}

// Three adjacent slots of one record go as one write between two others: a write that fails part-way
// puts back what of it landed, whichever write it is.
TEST(Batches, StopAtTheFailingWriteWithTheEarlierOnesWrittenAndNoneHalfWritten)
{
    const std::pair<int, std::size_t> writtenBeforeWrite[] = {{0, 0}, {1, 1}, {2, 4}};
    for (const auto& [failing, written] : writtenBeforeWrite) {
        SCOPED_TRACE(failing);
        Image image;
        const auto changes =
            changesAt(image, {rom::SlotAddress{2, 1}, {10, 3}, {10, 4}, {10, 5}, {648, 7}});
        FaultyFileSystem fs;
        fs.writeFault = {failing, 1};
        fs.shortWriteBytes = failing == 1 ? 9 : 3;  // into the second slot of the record's run
        const auto result = rom::WriteSlots(image.path, irbo().code, changes, fs);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().written, written);
        EXPECT_EQ(result.error().at, written);
        EXPECT_TRUE(result.error().confirmed);  // what was written before the failure is synced
        for (std::size_t i = 0; i < changes.size(); ++i) {
            const auto& c = changes[i];
            const auto now = readBytes(image.path, slotStart(irbo(), c.address), 6);
            const auto& want = i < written ? c.wanted : c.expected;
            EXPECT_EQ(now, std::vector(want.begin(), want.end())) << "change " << i;
        }
        EXPECT_EQ(std::count(fs.calls.begin(), fs.calls.end(), 'w'), failing + 2) << "a write each, and one put-back";
    }
}

TEST(Batches, AnyStaleSlotOrFullDiskStopsTheBatchBeforeItsFirstWrite)
{
    Image image;
    auto changes = threeChanges(image);
    changes[2].expected[5] ^= 1;  // planned from bytes that are no longer there
    FaultyFileSystem fs;
    auto result = rom::WriteSlots(image.path, irbo().code, changes, fs);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, ErrorKind::SlotChanged);
    EXPECT_EQ(result.error().at, 2u);
    EXPECT_EQ(result.error().written, 0u);
    EXPECT_EQ(image.table(), image.before);

    changes = threeChanges(image);
    FaultyFileSystem full;
    full.reserveFault.after = 2;
    result = rom::WriteSlots(image.path, irbo().code, changes, full);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().at, 2u);
    EXPECT_EQ(result.error().written, 0u);
    EXPECT_EQ(full.calls.find("write"), std::string::npos) << full.calls;
    EXPECT_EQ(image.table(), image.before);
}

TEST(Batches, AFailedFinalSyncLeavesEverySlotWrittenButUnconfirmed)
{
    Image image;
    const auto changes = threeChanges(image);
    FaultyFileSystem fs;
    fs.syncFault.after = 0;
    const auto result = rom::WriteSlots(image.path, irbo().code, changes, fs);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().kind, ErrorKind::SyncFailed);
    EXPECT_EQ(result.error().written, 3u);
    EXPECT_FALSE(result.error().confirmed);
    EXPECT_EQ(std::count(fs.calls.begin(), fs.calls.end(), 'y'), 1) << "one sync for the batch: " << fs.calls;
}

// ---- the real system ---------------------------------------------------------------------------

// A write past the process's file-size limit kills it with SIGXFSZ unless the signal is ignored.
TEST(RealSystem, FileSizeLimitIsAnErrorNotAKill)
{
    Image image;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rom::IgnoreFileSizeSignal();
        const rlimit limit{1 << 20, 1 << 20};  // far below the table's offset
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto saved = rom::WriteSlot(image.path, irbo().code, {10, 3}, kNew, kOld);
        ::_exit(!saved && saved.error().kind == ErrorKind::WriteFailed && !saved.error().mayHaveChanged ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(image.table(), image.before);
}

// What the three programs do with an exception nothing caught: one line and status 1, not an abort
// with a core dump, wherever it was thrown.
TEST(RealSystem, AnUncaughtExceptionEndsTheProgramWithOneLineAndStatusOne)
{
    struct Uncaught {
        const char* name;
        void (*raise)();
        const char* says;
    };
    const Uncaught cases[] = {
        {"std", [] { throw std::runtime_error("bad\nthing"); }, "quorvane-test: internal error: bad thing\n"},
        {"thread", [] { std::thread([] { throw std::length_error("in a thread"); }).join(); },
         "quorvane-test: internal error: in a thread\n"},
        {"other", [] { throw 42; }, "quorvane-test: internal error: an exception of an unknown type\n"},
        {"terminate", [] { std::terminate(); }, "quorvane-test: internal error: ended without a reason\n"},
    };
    for (const Uncaught& c : cases) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(pipeFds[1], STDERR_FILENO);
            rom::ExitOnUncaughtException("quorvane-test");
            // Past a noexcept frame, as past main: GoogleTest's own handler must not catch it.
            [](void (*raise)()) noexcept { raise(); }(c.raise);
            ::_exit(3);
        }
        ::close(pipeFds[1]);
        std::string said;
        char buffer[256];
        for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
            said.append(buffer, std::size_t(n));
        ::close(pipeFds[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << c.name << ": status " << status;
        EXPECT_EQ(said, c.says) << c.name;
    }
}

// A slot whose first bytes lie on an allocated page and the rest on a hole, on a full file system:
// without a reservation the method word lands and the rest fails. Needs root for the mount; runs in a
// private mount namespace, so a crash cannot leave the file system mounted.
TEST(RealSystem, FullFileSystemChangesNoByteOfASparseImage)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no private mount namespace here: " << std::strerror(errno);
    TempDir dir;
    ASSERT_EQ(::mount("quorvane-full", dir.path().c_str(), "tmpfs", 0, "size=256k"), 0) << std::strerror(errno);
    struct Unmount {
        std::filesystem::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{dir.path()};

    const auto rom = dir.file("black.nds");
    ASSERT_TRUE(sample::WriteSampleImage(rom, irbo()));
    const std::uint64_t at = slotStart(irbo(), {330, 2});
    ASSERT_EQ(at % 4096, 4094u) << "the slot must straddle a page boundary";
    {
        std::ofstream fill(dir.file("filler"), std::ios::binary);
        const std::vector<char> block(4096, 'x');
        while (fill.write(block.data(), std::streamsize(block.size())) && fill.flush()) {
        }
    }
    const auto before = readBytes(rom, at - 4096, 8192);
    const auto size = std::filesystem::file_size(rom);

    const auto shown = rom::ReadSlot(rom, irbo().code, {330, 2});
    ASSERT_TRUE(shown);
    const auto saved = rom::WriteSlot(rom, irbo().code, {330, 2}, {8, ParamKind::Item, 84, 134}, shown->bytes);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, ErrorKind::WriteFailed);
    EXPECT_EQ(saved.error().reason, std::generic_category().message(ENOSPC));
    EXPECT_FALSE(saved.error().mayHaveChanged);
    EXPECT_EQ(readBytes(rom, at - 4096, 8192), before);
    EXPECT_EQ(std::filesystem::file_size(rom), size);
}

}  // namespace
