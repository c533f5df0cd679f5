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

/// The columns a table may have, in the order of kColumns.
enum Column { kSpecies, kSpeciesName, kSlot, kMethod, kMethodName, kParameter, kParameterName, kTarget, kTargetName };

/// The field index of each column, -1 where the header lacks it.
using ColumnMap = std::array<int, kColumns.size()>;

/// Reads the header's columns: every field must name a known column once, and the slot and a number
/// or its name must be there for each value. False, with the problems, when the lines cannot be read.
bool ReadHeader(const CsvRecord& header, ColumnMap& columns, Problems& problems);

}  // namespace cli
