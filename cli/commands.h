#pragma once
// quorvane-cli's commands: each declares its own options and help, and one table lists them all.

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/output.h"

namespace CLI {
class App;
class Validator;
}

namespace cli {

/// Runs a command with the values its options were parsed into; returns the exit status.
using Runner = std::function<int(Io&)>;

/// One command of quorvane-cli, as the command table lists it.
struct Command {
    std::string_view name;
    std::string_view summary;  // one line, for the command list
    /// Declares the command's arguments, options and help on its part of the command line, and returns
    /// what runs it once the line is parsed.
    Runner (*declare)(CLI::App& command);
};

/// Every command, in the order the command list shows them. Only these can run.
std::span<const Command* const> Commands();

/// Parses the command line and runs the command it names; returns the exit status.
int Run(const std::vector<std::string>& args, Io& io);

/// The ROM argument every command takes first.
void AddRomArgument(CLI::App& command, std::filesystem::path& rom, const std::string& what);

/// An option's check that its value is one of names; a value that is not is refused as a mistyped
/// command is, with the names near it ("unknown class "trades"; did you mean "trade"?").
CLI::Validator OneOf(std::vector<std::string> names, std::string what, std::string whats);

/// -o FILE, for the commands that write a text.
void AddOutputOption(CLI::App& command, std::filesystem::path& output, const std::string& what);

// The commands, each defined in the file that does its work.
extern const Command kExportCommand;
extern const Command kImportCommand;
extern const Command kSetCommand;
extern const Command kDiffCommand;
extern const Command kShowCommand;
extern const Command kGraphCommand;
extern const Command kCheckCommand;

// Their work, for the benchmarks and fuzz targets that run it without a command line.

/// Writes the ROM's table as CSV to output ("" for standard output); all slots or only non-empty ones.
int Export(const std::filesystem::path& romPath, const std::filesystem::path& output, bool all, Io& io);

struct ImportOptions {
    std::filesystem::path rom;
    std::filesystem::path table;  // "-" for standard input
    bool dryRun = false;
    bool reverse = false;      // a change set, from its new values back to its was values
    bool ignoreNames = false;  // the number columns alone give the values
    bool force = false;        // write even into a table that looks moved
};

/// Applies a table file to the ROM, all lines checked before any write.
int Import(const ImportOptions& options, Io& io);

/// How diff writes the slots that differ: as export does, or one readable line each with old and new values.
enum class DiffFormat { Csv, Text };

/// Writes b's slots whose values differ from a's. With exitCode, the status says whether any differ
/// (0 none, 1 some) and a failure is 2.
int Diff(const std::filesystem::path& romA, const std::filesystem::path& romB, DiffFormat format, bool exitCode,
         Io& io);

/// Prints one species' seven slots as an aligned table.
int Show(const std::filesystem::path& romPath, const std::string& species, Io& io);

/// Writes the evolution families as a Graphviz DOT digraph: all that have an evolution, or those of the
/// species given (numbers or names), to output ("" for standard output). With a base ROM, both tables'
/// families, with what differs marked on the edges.
int Graph(const std::filesystem::path& romPath, const std::vector<std::string>& species,
          const std::filesystem::path& output, Io& io, const std::filesystem::path& against = {});

/// Lists the slots a player cannot use or that look like mistakes, then the loops; as a linter, 0 when
/// nothing is listed, 1 when anything is, 2 on a failure. Classes named in ignored are left out.
int Check(const std::filesystem::path& romPath, const std::vector<std::string>& ignored, Io& io);

}  // namespace cli
