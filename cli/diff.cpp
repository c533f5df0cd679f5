#include <ostream>

#include "cli/commands.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "cli/tablecsv.h"
#include "rom/methods.h"

namespace cli {
namespace {

std::string nameOrNumber(List list, int number)
{
    const std::string* name = NameOf(list, number);
    return name ? *name : std::string(WhatOf(list)) + " " + std::to_string(number) + " (no row)";
}

// "Item (Evo Stones), Thunderstone, into Raichu": the names export gives, for release notes.
std::string describe(const SlotValues& v)
{
    if (v.method == 0 && v.target == 0)
        return "empty";
    std::string text = nameOrNumber(List::Method, v.method);
    const auto list = ParameterList(rom::KindOf(v.method));
    if (list && v.parameter)
        text += ", " + nameOrNumber(*list, *v.parameter);
    return text + ", into " + nameOrNumber(List::Species, v.target);
}

}  // namespace

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
        AppendHeader(text);
    bool differ = false;
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        // Bytes the editor never reads (a method's high byte, an unused parameter) are no difference.
        const SlotValues va = ValuesOf(at, a->table.slot(at));
        const SlotValues vb = ValuesOf(at, b->table.slot(at));
        if (va == vb)
            continue;
        differ = true;
        if (format == DiffFormat::Csv)
            AppendLine(text, vb);
        else
            text += SlotName(vb.species, vb.slot) + ": was " + describe(va) + "; now " + describe(vb) + '\n';
    }
    if (WriteOut(io, text) != kSuccess)
        return failed;
    return exitCode && differ ? kFailure : kSuccess;
}

}  // namespace cli
