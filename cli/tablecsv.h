#pragma once

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/common.h"

namespace cli {

/// The table text's columns, in the order export writes them.
inline constexpr std::array<std::string_view, 9> kColumns{
    "species", "species_name", "slot", "method", "method_name", "parameter", "parameter_name", "target", "target_name"};

/// Appends the header line.
void AppendHeader(std::string& out);

/// Appends one slot's line, numbers with their names.
void AppendLine(std::string& out, const SlotValues& values);

/// One record of a CSV file and the line it starts on (1-based); its fields live until the next record.
struct CsvRecord {
    int line = 0;
    std::span<const std::string_view> fields;
};

/// Parses CSV text (BOM and CRLF allowed, nothing trimmed), handing on each record; false with line and reason if malformed.
bool ParseCsv(std::string_view text, const std::function<void(const CsvRecord&)>& onRecord, int& badLine,
              std::string& reason);

}  // namespace cli
