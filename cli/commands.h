#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/common.h"

namespace cli {

/// Writes the ROM's table as CSV to output ("" for standard output); all slots or only non-empty ones.
int Export(const std::filesystem::path& romPath, const std::filesystem::path& output, bool all, Io& io);

/// Applies a table file ("-" for standard input) to the ROM, all lines checked before any write.
int Import(const std::filesystem::path& romPath, const std::filesystem::path& tableFile, bool dryRun, Io& io);

/// Writes, as CSV, b's slots whose values differ from a's.
int Diff(const std::filesystem::path& romA, const std::filesystem::path& romB, Io& io);

/// Prints one species' seven slots as an aligned table.
int Show(const std::filesystem::path& romPath, const std::string& species, Io& io);

/// Parses the command line and runs the command; returns the exit status.
int Run(const std::vector<std::string>& args, Io& io);

}  // namespace cli
