#include "cli/tablecolumns.h"

#include <algorithm>
#include <utility>

#include "cli/text.h"

namespace cli {

bool ReadHeader(const CsvRecord& header, ColumnMap& columns, Problems& problems)
{
    columns.fill(-1);
    const bool anyKnown = std::any_of(header.fields.begin(), header.fields.end(), [](std::string_view f) {
        return std::find(kColumns.begin(), kColumns.end(), f) != kColumns.end();
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
        const auto known = std::find(kColumns.begin(), kColumns.end(), header.fields[i]);
        if (known == kColumns.end()) {
            problems.add(header.line, "unknown column " + Quoted(header.fields[i]));
            ok = false;
        } else if (int& at = columns[static_cast<std::size_t>(known - kColumns.begin())]; at >= 0) {
            problems.add(header.line, "column " + Quoted(header.fields[i]) + " appears twice");
            ok = false;
        } else {
            at = static_cast<int>(i);
        }
    }
    // Names are optional; a number's column may be left out where its name's is there, and the
    // value then comes from the name. The slot has no name.
    auto inQuotes = [](Column c) { return "\"" + std::string(kColumns[c]) + "\""; };
    if (columns[kSlot] < 0) {
        problems.add(header.line, "missing column " + inQuotes(kSlot));
        ok = false;
    }
    for (const auto& [number, name] : {std::pair{kSpecies, kSpeciesName}, std::pair{kMethod, kMethodName},
                                      std::pair{kParameter, kParameterName}, std::pair{kTarget, kTargetName}}) {
        if (columns[number] < 0 && columns[name] < 0) {
            problems.add(header.line, "missing column " + inQuotes(number) + " (or " + inQuotes(name) + ")");
            ok = false;
        }
    }
    return ok;
}

}  // namespace cli
