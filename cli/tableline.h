#pragma once
// One line of a table, checked against the slot it names.

#include <optional>

#include "cli/names.h"
#include "cli/tablecolumns.h"
#include "rom/slotcodec.h"

namespace cli {

/// A line that passed every check: the values it asks for, as the editor would show them, and the
/// write the editor's Save would make for them.
struct CheckedLine {
    rom::SlotAddress address;
    SlotValues values;
    rom::SlotWrite write;
};

/// Checks a line's fields against its columns and against what its slot holds in the table; nullopt,
/// with every problem added, when the line cannot be written.
std::optional<CheckedLine> CheckLine(const CsvRecord& record, const ColumnMap& columns,
                                     const rom::EvolutionTable& table, Problems& problems);

}  // namespace cli
