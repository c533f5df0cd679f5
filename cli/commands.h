#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/output.h"

namespace cli {

/// Writes the ROM's table as CSV to output ("" for standard output); all slots or only non-empty ones.
int Export(const std::filesystem::path& romPath, const std::filesystem::path& output, bool all, Io& io);

/// Applies a table file ("-" for standard input) to the ROM, all lines checked before any write.
int Import(const std::filesystem::path& romPath, const std::filesystem::path& tableFile, bool dryRun, Io& io);

/// How diff writes the slots that differ: as export does, or one readable line each with old and new values.
enum class DiffFormat { Csv, Text };

/// Writes b's slots whose values differ from a's. With exitCode, the status says whether any differ
/// (0 none, 1 some) and a failure is 2.
int Diff(const std::filesystem::path& romA, const std::filesystem::path& romB, DiffFormat format, bool exitCode,
         Io& io);

/// Prints one species' seven slots as an aligned table.
int Show(const std::filesystem::path& romPath, const std::string& species, Io& io);

/// Writes the evolution families as a Graphviz DOT digraph: all that have an evolution, or those of the
/// species given (numbers or names), to output ("" for standard output).
int Graph(const std::filesystem::path& romPath, const std::vector<std::string>& species,
          const std::filesystem::path& output, Io& io);

/// The kinds of finding check reports, by the names --ignore takes, in the order they are listed.
inline constexpr std::array<std::string_view, 6> kCheckClasses{"trade", "target", "unlisted", "self", "loop",
                                                               "orphan-target"};

/// Lists the slots a player cannot use or that look like mistakes, then the loops; as a linter, 0 when
/// nothing is listed, 1 when anything is, 2 on a failure.
int Check(const std::filesystem::path& romPath, const std::vector<std::string>& ignored, Io& io);

/// Parses the command line and runs the command; returns the exit status.
int Run(const std::vector<std::string>& args, Io& io);

}  // namespace cli
