// Feeds arbitrary table text to quorvane-cli's import, through the Io seam, onto a ROM in memory
// whose table holds empty slots, listed values with stray high bytes and random words. The input
// also chooses the game, how the text arrives (a few bytes per read, as from a pipe) and after how
// many bytes reading it fails. After each input: the status is 0 or 1; a failed import changed
// nothing; a dry run agrees with the real run on the status and on every byte; bytes 42 and 43 of
// every record never change; messages carry no raw control character; and after a success only,
// importing the same text again writes nothing, and an export --all of the result imports back
// without a change.
#include <cstdint>
#include <cstdio>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/commands.h"
#include "fuzz/memoryfiles.h"
#include "rom/slotcodec.h"
#include "tests/support/faultyfiles.h"
#include "tests/support/randomtable.h"

namespace {

using fuzzfiles::check;
using fuzzfiles::MemoryFileSystem;

// The same start for every input, so that a crash replays: a table of every sort of slot.
const std::vector<std::uint8_t>& startTable()
{
    static const std::vector<std::uint8_t> table = [] {
        std::mt19937 rng(14);
        return testsupport::randomTable(rng);
    }();
    return table;
}

struct Ran {
    int status;
    std::string out;
    std::string err;
};

Ran importText(MemoryFileSystem& fs, std::streambuf& input, bool dryRun)
{
    std::istream in(&input);
    std::ostringstream out, err;
    cli::Io io{in, out, err, fs};
    const int status = cli::Import({"memory", "-", dryRun}, io);
    return {status, out.str(), err.str()};
}

// Messages escape what they quote: nothing but line ends below space, no DEL, no C1 control.
void checkPrintable(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        check(b >= 0x20 || b == '\n');
        check(b != 0x7F);
        check(!(b == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                static_cast<unsigned char>(text[i + 1]) <= 0x9F));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Three bytes of settings, then the table text.
    if (size < 3)
        return 0;
    const rom::SupportedGame& game = rom::kSupportedGames[data[0] & 1];
    const std::size_t piece = 1 + (data[0] >> 1);                        // bytes per read, 1 to 128
    const std::size_t failAt = data[1] | (std::size_t(data[2]) << 8);  // 0xFFFF: never
    const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    const bool readFails = failAt != 0xFFFF && failAt <= text.size();

    MemoryFileSystem fs;
    fs.size = static_cast<std::int64_t>(rom::TableEnd(game) + 64);
    for (std::size_t i = 0; i < 4; ++i)
        fs.bytes.set(12 + i, static_cast<std::uint8_t>(game.code[i]));
    fs.bytes.write(game.tableBase, startTable());
    const auto initial = fs.bytes;

    faulty::FailingInput dryInput(text, readFails ? failAt : SIZE_MAX, piece);
    const Ran dry = importText(fs, dryInput, true);
    check(dry.status == 0 || dry.status == 1);
    check(fs.bytes == initial);
    checkPrintable(dry.out + dry.err);

    faulty::FailingInput realInput(text, readFails ? failAt : SIZE_MAX, piece);
    const Ran real = importText(fs, realInput, false);
    check(real.status == dry.status);
    check(real.err == dry.err);
    checkPrintable(real.out + real.err);
    if (readFails)
        check(real.status == 1);
    for (std::uint64_t at = game.tableBase + 42; at < rom::TableEnd(game); at += 44)
        check(fs.bytes.get(at) == initial.get(at) && fs.bytes.get(at + 1) == initial.get(at + 1));
    if (real.status != 0) {
        check(fs.bytes == initial);
        check(fs.faults.writes == 0);
        return 0;
    }

    // The dry run listed exactly the bytes the real run changed, and the same number of slots.
    std::set<std::tuple<std::uint64_t, unsigned, unsigned>> listed, changed;
    std::istringstream lines(dry.out);
    std::size_t wouldChange = 0;
    for (std::string line; std::getline(lines, line);) {
        unsigned long long at = 0, hex = 0;
        unsigned from = 0, to = 0;
        if (std::sscanf(line.c_str(), "  byte %llu (0x%llX): %X -> %X", &at, &hex, &from, &to) == 4) {
            check(at == hex);
            listed.insert({at, from, to});
        }
        std::sscanf(line.c_str(), "%zu slot", &wouldChange);
    }
    fs.bytes.forEachDifference(initial, [&](std::uint64_t at) {
        changed.insert({at, initial.get(at), fs.bytes.get(at)});
    });
    check(listed == changed);
    check(real.out == std::to_string(wouldChange) + (wouldChange == 1 ? " slot" : " slots") + " changed\n");

    // The same text again finds nothing to do.
    const auto imported = fs.bytes;
    fs.faults = {};
    faulty::FailingInput again(text, SIZE_MAX, piece);
    const Ran second = importText(fs, again, false);
    check(second.status == 0 && second.out == "0 slots changed\n");
    check(fs.faults.writes == 0 && fs.bytes == imported);

    // What the ROM now holds, exported whole, imports back without a change.
    std::istringstream none;
    std::ostringstream exported, err;
    cli::Io io{none, exported, err, fs};
    check(cli::Export("memory", {}, true, io) == 0);
    std::stringbuf back(exported.str());
    const Ran reimport = importText(fs, back, false);
    check(reimport.status == 0 && reimport.out == "0 slots changed\n");
    check(fs.faults.writes == 0 && fs.bytes == imported);
    return 0;
}
