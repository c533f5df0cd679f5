#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "cli/tablecsv.h"
#include "rom/methods.h"

namespace cli {

int Diff(const std::filesystem::path& romA, const std::filesystem::path& romB, DiffFormat format, bool exitCode,
         Io& io)
{
    // As cmp and diff do: with exitCode, 1 means "they differ", so a failure needs a status of its own.
    const int failed = exitCode ? kUsage : kFailure;
    const auto a = ReadRomTable(romA, rom::Access::ReadOnly, io);
    if (!a)
        return failed;
    const auto b = ReadRomTable(romB, rom::Access::ReadOnly, io);
    if (!b)
        return failed;

    std::string text;
    if (format == DiffFormat::Csv)
        AppendHeader(text, true);
    bool differ = false;
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        // Bytes the editor never reads (a method's high byte, an unused parameter) are no difference.
        const SlotValues va = ValuesOf(at, a->table.slot(at));
        const SlotValues vb = ValuesOf(at, b->table.slot(at));
        if (va == vb)
            continue;
        differ = true;
        if (format == DiffFormat::Csv)
            AppendLine(text, vb, &va);
        else
            text += SlotName(at) + ": was " + SlotSummary(va) + "; now " + SlotSummary(vb) + '\n';
    }
    if (WriteOut(io, text) != kSuccess)
        return failed;
    return exitCode && differ ? kFailure : kSuccess;
}

namespace {

Runner declareDiff(CLI::App& command)
{
    struct Options {
        std::filesystem::path a, b;
        std::string format = "csv";
        bool exitCode = false;
    };
    auto o = std::make_shared<Options>();
    command.footer(
        "The CSV is a change set: each line ends with the values ROM_A holds (was_method, was_parameter,\n"
        "was_target). 'diff original.nds mine.nds > changes.csv', then 'import copy.nds changes.csv',\n"
        "carries the change to another copy of the game, slot by slot: a slot that holds something else\n"
        "there is a conflict and nothing is written; 'import --reverse copy.nds changes.csv' takes it back.\n"
        "Without --exit-code, exits 0 whether or not the ROMs differ.");
    command.add_option("ROM_A", o->a, "ROM image to compare against")->required()->type_name("");
    command.add_option("ROM_B", o->b, "ROM image whose differing slots are written")->required()->type_name("");
    command.add_option("--format", o->format, "csv (the default): as export writes them; text: one line per slot, by name")
        ->check(OneOf({"csv", "text"}, "format", "formats"))
        ->option_text("csv|text");
    command.add_flag("--exit-code", o->exitCode, "Exit 0 when the tables are equal, 1 when they differ, 2 on failure");
    return [o](Io& io) {
        return Diff(o->a, o->b, o->format == "text" ? DiffFormat::Text : DiffFormat::Csv, o->exitCode, io);
    };
}

}  // namespace

constinit const Command kDiffCommand{"diff", "Write ROM_B's slots whose values differ from ROM_A's", declareDiff};

}  // namespace cli
