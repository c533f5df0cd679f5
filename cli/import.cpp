#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/batch.h"
#include "cli/commands.h"
#include "cli/fdstream.h"
#include "cli/romaccess.h"
#include "cli/tableline.h"
#include "cli/text.h"

namespace cli {
namespace {

// The table file's descriptor, closed at the end.
struct TableFile {
    int fd = -1;
    ~TableFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

int Import(const ImportOptions& options, Io& io)
{
    const std::filesystem::path& romPath = options.rom;
    const std::filesystem::path& tableFile = options.table;
    const bool fromStandardInput = tableFile == "-";
    const std::string fileName = fromStandardInput ? std::string("standard input") : Shown(tableFile);
    // Opened before the ROM is looked at, so that a wrong name is told first. A FIFO's open waits
    // for its writer, as cat's would.
    TableFile file;
    if (!fromStandardInput) {
        do {
            file.fd = ::open(tableFile.c_str(), O_RDONLY | O_CLOEXEC);
        } while (file.fd < 0 && errno == EINTR);
        if (file.fd < 0) {
            Say(io, fileName, std::string("cannot be read: ") + std::strerror(errno));
            return kFailure;
        }
    }
    std::optional<FdInput> fileInput;
    if (!fromStandardInput)
        fileInput.emplace(file.fd);
    std::streambuf* input = fromStandardInput ? io.in.rdbuf() : &*fileInput;

    // A dry run writes nothing, so it can look at a write-protected ROM.
    const rom::Access access = options.dryRun ? rom::Access::ReadOnly : rom::Access::ReadWrite;
    const auto read = ReadRomTable(romPath, access, io);
    if (!read)
        return kFailure;
    const rom::EvolutionTable& table = read->table;
    const rom::SupportedGame& game = read->game;

    if (RefuseMovedTable(romPath, game, table, options.force, io))
        return kFailure;

    Problems problems{fileName, {}};
    LineRules rules{options.ignoreNames};
    std::vector<Planned> plan;
    std::vector<int> seen(rom::kTableSlots);  // the line naming each slot
    ColumnMap columns;
    std::size_t headerFields = 0;  // 0 until the header is read
    bool headerOk = false;
    bool reverseNeedsChangeSet = false;
    std::size_t conflicts = 0;
    auto checkRecord = [&](const CsvRecord& record) {
        if (headerFields == 0) {
            headerFields = std::max<std::size_t>(record.fields.size(), 1);
            headerOk = ReadHeader(record, columns, options.ignoreNames, problems);
            reverseNeedsChangeSet = headerOk && options.reverse && !columns.changeSet();
            return !problems.full() && !reverseNeedsChangeSet;
        }
        // Without its columns known, a line cannot be read.
        if (!headerOk)
            return false;
        // Spreadsheets leave rows of empty cells below the data.
        if (std::all_of(record.fields.begin(), record.fields.end(), [](std::string_view f) { return f.empty(); }))
            return true;
        if (record.fields.size() != headerFields) {
            problems.add(record.line, std::to_string(record.fields.size()) + " fields where the header has " +
                                          std::to_string(headerFields));
            return !problems.full();
        }
        const auto line = CheckLine(record, columns, rules, problems);
        if (!line)
            return !problems.full();
        int& earlier = seen[std::size_t(line->address.index())];
        if (earlier) {
            problems.add(record.line, SlotName(line->address) + " is already given on line " + std::to_string(earlier));
            return !problems.full();
        }
        earlier = record.line;
        const rom::SlotBytes current = table.slot(line->address);
        const SlotValues now = ValuesOf(line->address, current);
        // A change set goes from its was values to its new ones, or back with --reverse.
        const SlotValues& to = line->was && options.reverse ? *line->was : line->values;
        const SlotValues* from = line->was ? (options.reverse ? &line->values : &*line->was) : nullptr;
        if (now == to) {
            // What the editor would show already: not a byte is written.
            if (from)
                AddToPlan(plan, {now, to, rom::SlotChange{line->address, current, current}, true});
            return true;
        }
        if (from && now != *from) {
            ++conflicts;
            problems.add(record.line, "conflict: " + SlotName(line->address) + " holds \"" + SlotSummary(now) +
                                          "\", where the change set expects \"" + SlotSummary(*from) + "\"");
            return !problems.full();
        }
        auto planned = PlanSlot(line->address, current, to);
        if (!planned) {
            for (const std::string& reason : planned.error())
                problems.add(record.line, reason);
            return !problems.full();
        }
        AddToPlan(plan, std::move(*planned));
        return true;
    };
    const auto stopped = input ? ReadCsv(*input, checkRecord)
                               : std::optional<CsvStop>(CsvStop{1, "no input", true});
    if (reverseNeedsChangeSet) {
        Say(io, "quorvane-cli", "--reverse takes a change set, as diff writes it: " + fileName +
                                    " has no was_method, was_parameter and was_target columns");
        return kUsage;
    }
    if (stopped && stopped->readFailed) {
        for (const std::string& p : problems.lines)
            Say(io, p);
        Say(io, fileName, "cannot be read: " + stopped->reason);
        Say(io, Shown(romPath), "nothing written (" + fileName + " could not be read)");
        return kFailure;
    }
    if (stopped)
        problems.add(stopped->line, stopped->reason);
    else if (headerFields == 0)
        problems.add(1, "not CSV: no header line");
    const Counting counting = columns.changeSet() ? Counting::WithApplied : Counting::Written;
    if (!problems.lines.empty()) {
        // A dry run of a change set shows where it stands on this copy, conflicts and all.
        if (options.dryRun && conflicts == problems.lines.size() && !problems.full())
            WriteOut(io, PlanText(plan, game, counting));
        for (const std::string& p : problems.lines)
            Say(io, p);
        if (problems.full())
            Say(io, fileName, "stopping after " + std::to_string(Problems::kMaxProblems) + " problems");
        Say(io, Shown(romPath), "nothing written (" +
                                    (problems.full() ? std::to_string(Problems::kMaxProblems) + " or more problems"
                                                     : std::to_string(problems.lines.size()) +
                                                           (problems.lines.size() == 1 ? " problem" : " problems")) +
                                    " in " + fileName + ")");
        return kFailure;
    }

    return CarryOut(romPath, game, plan, counting, options.dryRun, io);
}

namespace {

Runner declareImport(CLI::App& command)
{
    auto o = std::make_shared<ImportOptions>();
    command.footer(
        "Every line is checked before anything is written; each problem is reported as FILE:LINE: reason.\n"
        "Fields are separated by commas, semicolons or tabs: the header line shows which. Columns may come\n"
        "in any order; the name columns are optional, and a number may be left empty, or its column left\n"
        "out, where its name names exactly one row:\n"
        "  species_name,slot,method_name,parameter_name,target_name\n"
        "Names match exactly, but a level is also named by its number with leading zeros or without (7, 07,\n"
        "007), as spreadsheets write it back; a name that names no row gets up to three near ones suggested.\n"
        "A number with no row in its list is accepted only where it equals what is stored, and is then left\n"
        "as stored. Slots that already hold the values are not written; the others are written as the\n"
        "editor's Save would, under one lock, with one sync.\n"
        "A change set (diff's CSV) also has was_method, was_parameter and was_target: each line is then\n"
        "a change from those values. A slot holding them is written; one holding the new values already\n"
        "is counted as already applied; one holding anything else is a conflict, and nothing is written.\n"
        "Before any write is planned, a table in which more than 1% of the 4,543 slots hold a method or\n"
        "target no game uses is refused: it may not be where the game code says (--force writes anyway).\n"
        "Reading stops with an error at a field over 1 KiB, a line over 64 KiB, more than 100,000 records,\n"
        "more than 1,000,000 lines (blank ones too) or 100 problems; a read error fails the import.\n"
        "SIGINT, SIGTERM or SIGHUP during the writes finishes the write in flight (a record's adjacent\n"
        "slots), syncs, names the slots written and not written and exits 1; no slot is half-written, and\n"
        "importing the same FILE again writes the rest.");
    AddRomArgument(command, o->rom, "ROM image to change in place");
    command.add_option("FILE", o->table, "CSV table, as export or diff writes it; - for standard input")
        ->required()
        ->type_name("");
    command.add_flag("-n,--dry-run", o->dryRun,
                     "Print each slot that would change, with its bytes (and, for a change set, those\n"
                     "already applied and the conflicts), and write nothing");
    command.add_flag("--reverse", o->reverse,
                     "Take a change set back: from its new values to its was values, with the same\n"
                     "conflict rule");
    command.add_flag("--ignore-names", o->ignoreNames,
                     "Take the number columns and ignore the name columns entirely, for tables whose\n"
                     "numbers were edited and names left as they were");
    command.add_flag("--force", o->force, "Write even into a table that does not look like an evolution table");
    return [o](Io& io) { return Import(*o, io); };
}

}  // namespace

constinit const Command kImportCommand{"import", "Write the slots of a CSV table into the ROM", declareImport};

}  // namespace cli
