#pragma once

#include <array>
#include <functional>
#include <optional>
#include <streambuf>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/names.h"

namespace cli {

/// The table text's columns, in the order export writes them.
inline constexpr std::array<std::string_view, 9> kColumns{
    "species", "species_name", "slot", "method", "method_name", "parameter", "parameter_name", "target", "target_name"};

/// A change set's columns, after those: the values the slot held before the change, which import
/// compares with what it holds before writing.
inline constexpr std::array<std::string_view, 3> kWasColumns{"was_method", "was_parameter", "was_target"};

/// Appends the header line; a change set's has the was columns too.
void AppendHeader(std::string& out, bool changeSet = false);

/// Appends one slot's line, numbers with their names; a change set's line ends with the values was
/// holds.
void AppendLine(std::string& out, const SlotValues& values, const SlotValues* was = nullptr);

/// One record of a CSV file and the line it starts on (1-based); its fields live until the next record.
struct CsvRecord {
    int line = 0;
    std::span<const std::string_view> fields;
    char separator = ',';  // what the fields were split at
};

/// The separators a table may use: spreadsheets in many locales save "CSV" with semicolons, and
/// some tools with tabs.
inline constexpr std::string_view kSeparators = ",;\t";

/// What a table may hold at most: more stops reading with an error, so that no input (a device that
/// never ends, one endless line or field) can take unbounded memory, time or output.
inline constexpr std::size_t kMaxFieldBytes = 1024;
inline constexpr std::size_t kMaxLineBytes = 64 * 1024;  // a record's bytes, its line end included
inline constexpr int kMaxRecords = 100'000;
inline constexpr int kMaxLines = 1'000'000;  // blank ones included; CR, LF and CRLF each end one

/// Why reading a table stopped before its end.
struct CsvStop {
    int line = 0;          // the line it names, 1-based
    std::string reason;
    bool readFailed = false;  // the input could not be read (reason is the system's); else bad text
};

/// Reads CSV text from the buffer as it comes (BOM and CRLF or CR line ends allowed, nothing trimmed, every field
/// UTF-8), handing on each record until onRecord returns false. Fields are split at the one of
/// kSeparators under which the most fields of the first line that is not blank are known columns (a
/// comma when none is). Nullopt when the text ended or onRecord asked to stop; otherwise why it
/// stopped: a failed read, malformed CSV, text that is not UTF-8, or a limit passed.
std::optional<CsvStop> ReadCsv(std::streambuf& in, const std::function<bool(const CsvRecord&)>& onRecord);

}  // namespace cli
