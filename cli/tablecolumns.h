#pragma once
// A table's header line: which of its fields holds which column, and the problems found in a table.

#include <array>
#include <string>
#include <vector>

#include "cli/tablecsv.h"

namespace cli {

/// A table's problems as messages report them: "FILE:LINE: reason", at most kMaxProblems.
struct Problems {
    /// Past this many, more reports help no one and only cost time and output: reading stops.
    static constexpr std::size_t kMaxProblems = 100;

    std::string file;
    std::vector<std::string> lines;

    bool full() const { return lines.size() >= kMaxProblems; }
    void add(int line, const std::string& reason)
    {
        if (!full())
            lines.push_back(file + ":" + std::to_string(line) + ": " + reason);
    }
};

/// Every column a table may have: export's, then a change set's.
inline constexpr auto kTableColumns = [] {
    std::array<std::string_view, kColumns.size() + kWasColumns.size()> all{};
    std::size_t i = 0;
    for (const std::string_view c : kColumns)
        all[i++] = c;
    for (const std::string_view c : kWasColumns)
        all[i++] = c;
    return all;
}();

/// The columns, in the order of kTableColumns.
enum Column {
    kSpecies, kSpeciesName, kSlot, kMethod, kMethodName, kParameter, kParameterName, kTarget, kTargetName,
    kWasMethod, kWasParameter, kWasTarget
};

/// The field index of each column, -1 where the header lacks it.
struct ColumnMap {
    std::array<int, kTableColumns.size()> at;
    bool has(Column c) const { return at[c] >= 0; }
    /// A change set's lines say what each slot held before: all three was columns are there.
    bool changeSet() const { return has(kWasMethod); }
};

/// Reads the header's columns: every field must name a known column once, and the slot and a number
/// (or, unless names are ignored, its name) must be there for each value; a change set has all three
/// was columns. False, with the problems, when the lines cannot be read.
bool ReadHeader(const CsvRecord& header, ColumnMap& columns, bool ignoreNames, Problems& problems);

}  // namespace cli
