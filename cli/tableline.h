#pragma once
// One line of a table, checked on its own: the values it names, as the editor would show them.

#include <optional>

#include "cli/names.h"
#include "cli/tablecolumns.h"
#include "rom/slotaddress.h"

namespace cli {

/// A line whose fields name a slot and values that a slot can hold.
struct CheckedLine {
    rom::SlotAddress address;
    SlotValues values;               // what the line asks for
    std::optional<SlotValues> was;   // for a change set, what the slot held before the change
};

/// How lines are read.
struct LineRules {
    bool ignoreNames = false;  // the number columns alone give the values
    bool mismatchHinted = false;  // a number and name that disagree have been told of --ignore-names
};

/// Checks a line's fields against its columns; nullopt, with every problem added, when the line names
/// no slot or values no slot can hold. Whether its values can be written there is the plan's business.
std::optional<CheckedLine> CheckLine(const CsvRecord& record, const ColumnMap& columns, LineRules& rules,
                                     Problems& problems);

}  // namespace cli
