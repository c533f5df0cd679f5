#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace cli {

int Run(const std::vector<std::string>& args, Io& io)
{
    CLI::App app{"Reads and writes the evolution table of \"Pokemon Black (E)\" (IRBO) and \"Pokemon Black 2 (U)\" "
                 "(IREO) ROM images as CSV text, one line per evolution slot.",
                 "quorvane-cli"};
    app.set_version_flag("--version", "quorvane-cli " QUORVANE_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 success, 1 failure, 2 bad usage. Data goes to standard output, messages to "
               "standard error. Only import opens the ROM for writing.");

    std::filesystem::path rom, romB, file, output;
    std::string species;
    bool all = false, dryRun = false;

    CLI::App* exportCommand = app.add_subcommand("export", "Write the ROM's evolution table as CSV.");
    exportCommand->add_option("ROM", rom, "ROM image to read")->required();
    exportCommand->add_option("-o,--output", output, "Write to FILE instead of standard output")
        ->option_text("FILE");
    exportCommand->add_flag("--all", all, "Write all 649 x 7 slots, not only those whose bytes are not all zero");

    CLI::App* importCommand = app.add_subcommand(
        "import", "Write the slots of a CSV table into the ROM, as the editor's Save would. Every line is "
                  "checked before anything is written; slots whose values are already there are left alone.");
    importCommand->add_option("ROM", rom, "ROM image to change in place")->required();
    importCommand->add_option("FILE", file, "CSV table, as export writes it; - for standard input")->required();
    importCommand->add_flag("-n,--dry-run", dryRun,
                            "Print each slot that would change, with its bytes, and write nothing");

    CLI::App* diffCommand = app.add_subcommand(
        "diff", "Write, as CSV, ROM_B's slots whose values differ from ROM_A's (exit 0 either way).");
    diffCommand->add_option("ROM_A", rom, "ROM image to compare against")->required();
    diffCommand->add_option("ROM_B", romB, "ROM image whose differing slots are written")->required();

    CLI::App* showCommand = app.add_subcommand("show", "Print one species' seven slots as a table.");
    showCommand->add_option("ROM", rom, "ROM image to read")->required();
    showCommand->add_option("SPECIES", species, "Species number (1-649) or exact name")->required();

    std::vector<const char*> argv{"quorvane-cli"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, io.out, io.err);
        // Help and version end with CLI11's success code; its own codes for usage errors become 2.
        return status == 0 ? kSuccess : kUsage;
    }

    if (exportCommand->parsed())
        return Export(rom, output, all, io);
    if (importCommand->parsed())
        return Import(rom, file, dryRun, io);
    if (diffCommand->parsed())
        return Diff(rom, romB, io);
    return Show(rom, species, io);
}

}  // namespace cli
