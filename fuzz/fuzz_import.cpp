// Feeds arbitrary table text to quorvane-cli's import, through the Io seam, onto a ROM in memory.
// Four settings bytes come first: the game and how the text arrives (a few bytes per read, as from a
// pipe), after how many bytes reading it fails, and the options (--reverse, --ignore-names, --force)
// with whether the table lies where the game code says or a few bytes off (moved).
//
// After each input: the status is 0 or 1 (2 only for --reverse without was columns); a failed import
// changed nothing; a moved table is refused unless forced, one in place never; a dry run agrees with
// the real run on the status, the count and every byte; bytes 42 and 43 of every record never change;
// messages carry no raw control character. After a success only: the same text again writes nothing;
// the change set of what it changed, as diff writes it, taken back with --reverse, gives back the
// original slots or writes nothing, and writes nothing only where an original value has no row; a
// change set given as input, applied the other way, takes back what it wrote; and where it changed
// one slot, set gives the same bytes. The table every input starts from passes an export --all and
// import back once, at start: the slots an input did not touch are those.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/commands.h"
#include "cli/names.h"
#include "cli/tablecsv.h"
#include "fuzz/memoryfiles.h"
#include "rom/slotcodec.h"
#include "tests/support/faultyfiles.h"
#include "tests/support/randomtable.h"
#include "tools/sampleimage.h"

namespace {

using fuzzfiles::check;
using fuzzfiles::MemoryFileSystem;
using cli::List;
using cli::SlotValues;

// Where a moved table starts, from where the game code says: fields out of step, so it looks moved.
constexpr std::int64_t kMovedBy = -2;

// Every sort of slot, over the games' real evolutions (which the seeds change): empty slots, listed
// values with stray high bytes and random words, at most 40 of them holding a method or target no
// game uses, so that the table in place is not refused as moved. The same for every input, so that a
// crash replays.
std::vector<std::uint8_t> startTable()
{
    std::mt19937 rng(14);
    std::vector<std::uint8_t> table = testsupport::randomTable(rng);
    int odd = 0;
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        const std::size_t o = at.offset();
        rom::SlotBytes slot;
        std::copy_n(table.begin() + std::ptrdiff_t(o), 6, slot.begin());
        const rom::EvolutionSlot read = rom::DecodeSlot(slot);
        if ((read.method > 27 || read.target < 0 || read.target > rom::kSpeciesRows) && ++odd > 40)
            std::fill_n(table.begin() + std::ptrdiff_t(o), 6, 0);
    }
    for (const sample::SampleSlot& s : sample::FullSlots()) {
        const std::size_t o = s.address.offset();
        const std::uint16_t words[3] = {s.method, s.parameter, s.target};
        for (std::size_t i = 0; i < 3; ++i) {
            table[o + 2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
            table[o + 2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
        }
    }
    return table;
}

struct Ran {
    int status;
    std::string out;
    std::string err;
};

// Messages escape what they quote: nothing but line ends below space, no DEL, no C1 control, no
// bidirectional control (U+202A-U+202E, U+2066-U+2069). (Every byte of every message, compiled without
// coverage: its comparisons would only feed the fuzzer's hooks.)
FUZZFILES_NO_COVERAGE void checkPrintable(const std::string& message)
{
    const auto* text = reinterpret_cast<const unsigned char*>(message.data());
    const std::size_t size = message.size();
    bool printable = true;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char b = text[i];
        const unsigned char next = i + 1 < size ? text[i + 1] : 0;
        const unsigned char third = i + 2 < size ? text[i + 2] : 0;
        printable &= (b >= 0x20 || b == '\n') && b != 0x7F && !(b == 0xC2 && next >= 0x80 && next <= 0x9F) &&
                     !(b == 0xE2 && next == 0x80 && third >= 0xAA && third <= 0xAE) &&
                     !(b == 0xE2 && next == 0x81 && third >= 0xA6 && third <= 0xA9);
    }
    check(printable);
}

Ran importText(MemoryFileSystem& fs, std::streambuf& input, cli::ImportOptions options)
{
    std::istream in(&input);
    std::ostringstream out, err;
    cli::Io io{in, out, err, fs};
    options.rom = "memory";
    options.table = "-";
    fs.faults = {};
    const int status = cli::Import(options, io);
    Ran ran{status, out.str(), err.str()};
    checkPrintable(ran.out);
    checkPrintable(ran.err);
    return ran;
}

Ran importText(MemoryFileSystem& fs, const std::string& text, const cli::ImportOptions& options)
{
    std::stringbuf buffer(text);
    return importText(fs, buffer, options);
}

// A game's ROM holding the start table in place or moved, made once: every input starts from it, and
// what an input changed is undone after it.
MemoryFileSystem& image(const rom::SupportedGame& game, bool moved)
{
    static std::unique_ptr<MemoryFileSystem> images[2][2];
    std::unique_ptr<MemoryFileSystem>& made = images[&game == &rom::kSupportedGames[0] ? 0 : 1][moved];
    if (made)
        return *made;
    made = std::make_unique<MemoryFileSystem>();
    MemoryFileSystem& fs = *made;
    fs.size = static_cast<std::int64_t>(rom::TableEnd(game) + 64);
    for (std::size_t i = 0; i < 4; ++i)
        fs.bytes.set(12 + i, static_cast<std::uint8_t>(game.code[i]));
    static const std::vector<std::uint8_t> table = startTable();
    fs.bytes.write(static_cast<std::uint64_t>(game.tableBase + (moved ? kMovedBy : 0)), table);
    fs.bytes.mark();

    // What the image holds round-trips whole, so that an input need only check the slots it touched.
    std::istringstream none;
    std::ostringstream exported, err;
    cli::Io io{none, exported, err, fs};
    check(cli::Export("memory", {}, true, io) == 0);
    const Ran back = importText(fs, exported.str(), {.force = moved});
    check(back.status == 0 && back.out == "0 slots changed\n");
    check(fs.faults.writes == 0);
    // And the layout check sees it as it is.
    const Ran refused = importText(fs, exported.str(), {});
    check((refused.status != 0) == moved);
    return fs;
}

struct Settings {
    const rom::SupportedGame* game;
    std::size_t piece;   // bytes per read, 1 to 128
    std::size_t failAt;  // SIZE_MAX: never
    cli::ImportOptions options;
    bool moved;
};

// The words the editor's Save writes whole for these values, whatever the slot held before: a listed
// method, the parameter its kind gives (0 for a constant, a listed value for the others; for None, or
// an unlisted method, the parameter word is left as it was) and a listed target.
struct EditorWords {
    std::optional<std::uint16_t> method, parameter, target;
};

EditorWords editorWords(const SlotValues& v)
{
    EditorWords w;
    if (cli::NameOf(List::Method, v.method)) {
        w.method = static_cast<std::uint16_t>(v.method);
        const rom::ParamKind kind = rom::KindOf(v.method);
        if (kind == rom::ParamKind::Constant)
            w.parameter = 0;
        else if (const auto list = cli::ParameterList(kind); list && v.parameter && cli::NameOf(*list, *v.parameter))
            w.parameter = static_cast<std::uint16_t>(*v.parameter);
    }
    if (cli::NameOf(List::Species, v.target))
        w.target = static_cast<std::uint16_t>(v.target);
    return w;
}

bool allListed(const SlotValues& v)
{
    const auto list = cli::ParameterList(rom::KindOf(v.method));
    return cli::NameOf(List::Method, v.method) && cli::NameOf(List::Species, v.target) &&
           (!list || (v.parameter && cli::NameOf(*list, *v.parameter)));
}

// The image one input runs on, as it is now and as it was made.
struct Run {
    MemoryFileSystem& fs;
    const rom::SupportedGame& game;

    rom::SlotBytes slot(rom::SlotAddress at, bool marked = false) const
    {
        rom::SlotBytes out;
        const std::uint64_t o = rom::FieldOffset(game.tableBase, at);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = marked ? fs.bytes.marked(o + i) : fs.bytes.get(o + i);
        return out;
    }
    SlotValues values(rom::SlotAddress at, bool marked = false) const { return cli::ValuesOf(at, slot(at, marked)); }

    // Every byte that differs from the image's, with its value now.
    std::vector<std::pair<std::uint64_t, std::uint8_t>> changes() const
    {
        std::vector<std::pair<std::uint64_t, std::uint8_t>> out;
        fs.bytes.forEachChange([&](std::uint64_t at) { out.emplace_back(at, fs.bytes.get(at)); });
        return out;
    }
    // The slots holding those bytes; none of them is a record's last two bytes.
    std::set<int> slotsOf(const std::vector<std::pair<std::uint64_t, std::uint8_t>>& changed) const
    {
        std::set<int> slots;
        for (const auto& [at, value] : changed) {
            check(at >= game.tableBase && at < rom::TableEnd(game));
            const std::uint64_t record = (at - game.tableBase) / rom::EvolutionRecord::kSize;
            const std::uint64_t inRecord = (at - game.tableBase) % rom::EvolutionRecord::kSize;
            check(inRecord < rom::EvolutionRecord::kSlots * rom::EvolutionRecord::kSlotSize);
            slots.insert(static_cast<int>(record * rom::EvolutionRecord::kSlots + inRecord / rom::EvolutionRecord::kSlotSize));
        }
        return slots;
    }
    static rom::SlotAddress address(int index)
    {
        return *rom::SlotAddress::Of(index / rom::EvolutionRecord::kSlots, index % rom::EvolutionRecord::kSlots + 1);
    }

    // Puts the image back as it was, then these bytes.
    void restore(const std::vector<std::pair<std::uint64_t, std::uint8_t>>& bytes)
    {
        fs.bytes.undo();
        for (const auto& [at, value] : bytes)
            fs.bytes.set(at, value);
    }
};

// The dry run's last line is the real run's report, but for its verb and its end.
std::string reportOf(const std::string& dryOut)
{
    const std::size_t start = dryOut.rfind('\n', dryOut.size() - 2);
    std::string last = dryOut.substr(start == std::string::npos ? 0 : start + 1);
    const std::string tail = "; nothing written\n";
    check(last.size() > tail.size() && last.ends_with(tail));
    last.resize(last.size() - tail.size());
    const std::size_t verb = last.find(" would change");
    check(verb != std::string::npos);
    return last.replace(verb, 13, " changed") + "\n";
}

// After a change set (the input's, or one made of what an import wrote) has been taken back: each
// slot the import wrote reads as before it, and holds the words the editor writes for those values
// (so its bytes are the original's wherever those were in the editor's form).
void checkTakenBack(const Run& run, const std::set<int>& written)
{
    for (const int index : written) {
        const rom::SlotAddress at = Run::address(index);
        const SlotValues before = run.values(at, true);
        check(run.values(at) == before);
        const rom::SlotBytes now = run.slot(at);
        const EditorWords w = editorWords(before);
        auto word = [&](std::size_t i) { return static_cast<std::uint16_t>(now[i] | now[i + 1] << 8); };
        check(!w.method || word(0) == *w.method);
        check(!w.parameter || word(2) == *w.parameter);
        check(!w.target || word(4) == *w.target);
    }
}

}  // namespace

// Every import allocates and frees about 120 KiB (the table, the reader's line buffer): with ASan's
// default quarantine of 256 MiB each execution touched fresh memory, and page faults and cache misses
// took half of it. 16 MiB still holds what the last few dozen executions freed, so a use after free
// within one is still found. Eight frames of each allocation's stack (not thirty) still say where a
// block came from, at half the cost of recording it. ASAN_OPTIONS overrides both.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=16:malloc_context_size=8";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    Settings s;
    s.game = &rom::kSupportedGames[data[0] & 1];
    s.piece = 1 + (data[0] >> 1);
    const std::size_t failAt = data[1] | (std::size_t(data[2]) << 8);  // 0xFFFF: never
    s.options.reverse = data[3] & 1;
    s.options.ignoreNames = data[3] & 2;
    s.options.force = data[3] & 4;
    s.moved = data[3] & 8;
    const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
    const bool readFails = failAt != 0xFFFF && failAt <= text.size();
    s.failAt = readFails ? failAt : SIZE_MAX;

    MemoryFileSystem& fs = image(*s.game, s.moved);
    Run run{fs, *s.game};
    // Whatever happens below, the next input starts from the image as made.
    struct Undo {
        MemoryFileSystem& fs;
        ~Undo() { fs.bytes.undo(); }
    } undo{fs};

    faulty::FailingInput dryInput(text, s.failAt, s.piece);
    cli::ImportOptions dryOptions = s.options;
    dryOptions.dryRun = true;
    const Ran dry = importText(fs, dryInput, dryOptions);
    check(!fs.bytes.changed() && fs.faults.writes == 0);
    const bool usage = dry.status == 2;
    check(dry.status == 0 || dry.status == 1 || (usage && s.options.reverse));
    // The layout is checked before the text is read, so its message is the first (a quoted field
    // may say the same words later).
    const bool refused = dry.err.starts_with("memory: the table at 0x");
    check(refused == (s.moved && !s.options.force));

    faulty::FailingInput realInput(text, s.failAt, s.piece);
    const Ran real = importText(fs, realInput, s.options);
    check(real.status == dry.status);
    check(real.err == dry.err);
    if (readFails)
        check(real.status == 1 || usage);
    const auto written = run.changes();
    const std::set<int> slots = run.slotsOf(written);  // checks bytes 42 and 43
    if (real.status != 0) {
        check(written.empty() && fs.faults.writes == 0);
        return 0;
    }

    // The dry run listed exactly the bytes the real run changed, and the same report.
    std::set<std::tuple<std::uint64_t, unsigned, unsigned>> listed, changed;
    std::istringstream lines(dry.out);
    for (std::string line; std::getline(lines, line);) {
        unsigned long long at = 0, hex = 0;
        unsigned from = 0, to = 0;
        if (std::sscanf(line.c_str(), "  byte %llu (0x%llX): %X -> %X", &at, &hex, &from, &to) == 4) {
            check(at == hex);
            listed.insert({at, from, to});
        }
    }
    for (const auto& [at, value] : written)
        changed.insert({at, fs.bytes.marked(at), value});
    check(listed == changed);
    check(real.out == reportOf(dry.out));
    std::size_t slotsChanged = 0, applied = 0;
    const bool changeSet = std::sscanf(real.out.c_str(), "%zu slot%*[s] changed, %zu already", &slotsChanged,
                                       &applied) == 2 ||
                           std::sscanf(real.out.c_str(), "%zu slot changed, %zu already", &slotsChanged, &applied) == 2;
    if (!changeSet)
        std::sscanf(real.out.c_str(), "%zu slot", &slotsChanged);
    check(slotsChanged == slots.size());
    check(slots.empty() ? fs.faults.writes == 0 : fuzzfiles::carefulSave(fs.faults.calls));

    // The same text again finds nothing to do.
    const Ran again = importText(fs, text, s.options);
    check(again.status == 0 && fs.faults.writes == 0);
    check(again.out == (changeSet ? "0 slots changed, " + std::to_string(slotsChanged + applied) + " already applied\n"
                                  : std::string("0 slots changed\n")));

    // One slot changed: set, from the same start, writes the same bytes. (Values with no row cannot be
    // named to set.)
    if (slots.size() == 1) {
        const rom::SlotAddress at = Run::address(*slots.begin());
        const SlotValues to = run.values(at);
        if (allListed(to)) {
            run.restore({});
            std::vector<std::string> args{"set", "memory", "--where", "species=" + std::to_string(to.species),
                                          "--where", "slot=" + std::to_string(to.slot),
                                          "--to", "method=" + std::to_string(to.method),
                                          "--to", "target=" + std::to_string(to.target)};
            if (to.parameter) {
                args.push_back("--to");
                args.push_back("parameter=" + std::to_string(*to.parameter));
            }
            if (s.options.force)
                args.push_back("--force");
            std::istringstream none;
            std::ostringstream out, err;
            cli::Io io{none, out, err, fs};
            fs.faults = {};
            check(cli::Run(args, io) == 0);
            check(out.str() == "1 slot changed\n");
            check(run.changes() == written);
            check(fuzzfiles::carefulSave(fs.faults.calls));
        }
    }

    // A change set given as input, applied the other way, takes back every slot it wrote. The slots
    // it found already applied get its other side: the count tells how many of those it wrote.
    if (changeSet) {
        cli::ImportOptions back = s.options;
        back.reverse = !back.reverse;
        const Ran undone = importText(fs, text, back);
        if (undone.status != 0) {
            check(undone.status == 1 && fs.faults.writes == 0);
        } else {
            std::size_t backChanged = 0, backApplied = 0;
            check(std::sscanf(undone.out.c_str(), "%zu slot%*[s] changed, %zu already", &backChanged, &backApplied) ==
                      2 ||
                  std::sscanf(undone.out.c_str(), "%zu slot changed, %zu already", &backChanged, &backApplied) == 2);
            check(backChanged + backApplied == slotsChanged + applied && backChanged >= slotsChanged);
            check(backChanged == 0 ? fs.faults.writes == 0 : fuzzfiles::carefulSave(fs.faults.calls));
            checkTakenBack(run, slots);
            std::size_t others = 0;
            for (const int index : run.slotsOf(run.changes()))
                others += !slots.count(index);
            check(others <= backChanged - slotsChanged);
        }
        run.restore(written);
    }

    // What the import wrote, as a change set: taken back, it gives back the original slots, or writes
    // nothing, which it may only where an original value has no row (it cannot be written again).
    std::string changes;
    cli::AppendHeader(changes, true);
    bool restorable = true;
    for (const int index : slots) {
        const rom::SlotAddress at = Run::address(index);
        const SlotValues was = run.values(at, true);
        const SlotValues now = run.values(at);
        cli::AppendLine(changes, now, &was);
        restorable = restorable && allListed(was);
    }
    cli::ImportOptions back;
    back.reverse = true;
    back.force = s.options.force;
    const Ran undone = importText(fs, changes, back);
    if (undone.status != 0) {
        check(!restorable && undone.status == 1 && fs.faults.writes == 0);
        // Never for a conflict: the values each line says the slot holds are what it holds.
        check(undone.err.find("conflict") == std::string::npos);
    } else {
        check(undone.out == std::to_string(slots.size()) + (slots.size() == 1 ? " slot" : " slots") +
                                " changed, 0 already applied\n");
        check(slots.empty() ? fs.faults.writes == 0 : fuzzfiles::carefulSave(fs.faults.calls));
        checkTakenBack(run, slots);
        for (const int index : run.slotsOf(run.changes()))
            check(slots.count(index));
    }
    return 0;
}
