#include "cli/tablecolumns.h"

#include <algorithm>
#include <utility>

#include "cli/text.h"

namespace cli {

bool ReadHeader(const CsvRecord& header, ColumnMap& columns, bool ignoreNames, Problems& problems)
{
    columns.at.fill(-1);
    const bool anyKnown = std::any_of(header.fields.begin(), header.fields.end(), [](std::string_view f) {
        return std::find(kTableColumns.begin(), kTableColumns.end(), f) != kTableColumns.end();
    });
    if (!anyKnown) {
        // Each field named unknown would only hide that the line was not split where it should be.
        std::string found;
        for (std::size_t i = 0; i < header.fields.size(); ++i)
            (found += i ? std::string(1, header.separator) : "") += header.fields[i];
        problems.add(header.line, "no known column in the header, whether split at commas, semicolons or tabs: found " +
                                      Quoted(found));
        return false;
    }
    bool ok = true;
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const auto known = std::find(kTableColumns.begin(), kTableColumns.end(), header.fields[i]);
        if (known == kTableColumns.end()) {
            problems.add(header.line, "unknown column " + Quoted(header.fields[i]));
            ok = false;
        } else if (int& at = columns.at[static_cast<std::size_t>(known - kTableColumns.begin())]; at >= 0) {
            problems.add(header.line, "column " + Quoted(header.fields[i]) + " appears twice");
            ok = false;
        } else {
            at = static_cast<int>(i);
        }
    }
    // Names are optional; a number's column may be left out where its name's is there, and the
    // value then comes from the name. The slot has no name.
    auto inQuotes = [](Column c) { return "\"" + std::string(kTableColumns[c]) + "\""; };
    auto missing = [&](const std::string& what) {
        problems.add(header.line, "missing column " + what);
        ok = false;
    };
    if (!columns.has(kSlot))
        missing(inQuotes(kSlot));
    for (const auto& [number, name] : {std::pair{kSpecies, kSpeciesName}, std::pair{kMethod, kMethodName},
                                      std::pair{kParameter, kParameterName}, std::pair{kTarget, kTargetName}}) {
        if (!columns.has(number) && (ignoreNames || !columns.has(name)))
            missing(inQuotes(number) + (ignoreNames ? " (names are ignored)" : " (or " + inQuotes(name) + ")"));
    }
    // A change set compares the three values before writing: one missing would compare nothing.
    const bool anyWas = columns.has(kWasMethod) || columns.has(kWasParameter) || columns.has(kWasTarget);
    for (const Column was : {kWasMethod, kWasParameter, kWasTarget})
        if (anyWas && !columns.has(was))
            missing(inQuotes(was) + ": a change set has was_method, was_parameter and was_target");
    return ok;
}

}  // namespace cli
