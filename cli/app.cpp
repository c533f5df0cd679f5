#include <CLI/CLI.hpp>

#include "cli/commands.h"

namespace cli {

int Run(const std::vector<std::string>& args, Io& io)
{
    CLI::App app{"The evolution table of \"Pokemon Black (E)\" (IRBO) and \"Pokemon Black 2 (U)\" (IREO) ROM "
                 "images as CSV text, one line per evolution slot.",
                 "quorvane-cli"};
    app.set_version_flag("--version", "quorvane-cli " QUORVANE_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 success, 1 failure, 2 bad usage. Data goes to standard output, messages to\n"
               "standard error. Only import opens the ROM for writing; run COMMAND --help for its details.");

    std::filesystem::path rom, romB, file, output;
    std::string species;
    bool all = false, dryRun = false;

    CLI::App* exportCommand = app.add_subcommand("export", "Write the ROM's evolution table as CSV");
    exportCommand->footer(
        "Columns: species,species_name,slot,method,method_name,parameter,parameter_name,target,target_name.\n"
        "Numbers are the values the editor shows; a name is empty where its number has no row, and\n"
        "parameter is empty for methods that take none. Lines are in species, then slot order.");
    exportCommand->add_option("ROM", rom, "ROM image to read")->required()->type_name("");
    exportCommand->add_option("-o,--output", output,
                              "Write to FILE (- is standard output, the default); a file is replaced only\n"
                              "once the new text is complete and synced")
        ->option_text("FILE");
    exportCommand->add_flag("--all", all, "Write all 649 x 7 slots, not only those whose bytes are not all zero");

    CLI::App* importCommand = app.add_subcommand("import", "Write the slots of a CSV table into the ROM");
    importCommand->footer(
        "Every line is checked before anything is written; each problem is reported as FILE:LINE: reason.\n"
        "Columns may come in any order; the name columns are optional, and a number may be left empty\n"
        "where its name names exactly one row. A number with no row in its list is accepted only where it\n"
        "equals what is stored, and is then left as stored. Slots that already hold the values are not\n"
        "written; the others are written as the editor's Save would, under one lock, with one sync.\n"
        "Reading stops with an error at a field over 1 KiB, a line over 64 KiB, more than 100,000 records\n"
        "or 100 problems; a read error fails the import. SIGINT, SIGTERM or SIGHUP during the writes\n"
        "finishes the slot being written, syncs, names the slots written and not written and exits 1;\n"
        "no slot is half-written, and importing the same FILE again writes the rest.");
    importCommand->add_option("ROM", rom, "ROM image to change in place")->required()->type_name("");
    importCommand->add_option("FILE", file, "CSV table, as export writes it; - for standard input")->required()->type_name("");
    importCommand->add_flag("-n,--dry-run", dryRun,
                            "Print each slot that would change, with its bytes, and write nothing");

    CLI::App* diffCommand = app.add_subcommand("diff", "Write, as CSV, ROM_B's slots whose values differ from ROM_A's");
    diffCommand->footer("Exits 0 whether or not the ROMs differ. 'diff original.nds mine.nds > changes.csv', then\n"
                        "'import copy.nds changes.csv', carries the changes to another copy.");
    diffCommand->add_option("ROM_A", rom, "ROM image to compare against")->required()->type_name("");
    diffCommand->add_option("ROM_B", romB, "ROM image whose differing slots are written")->required()->type_name("");

    CLI::App* showCommand = app.add_subcommand("show", "Print one species' seven slots as a table");
    showCommand->add_option("ROM", rom, "ROM image to read")->required()->type_name("");
    showCommand->add_option("SPECIES", species, "Species number (1-649) or exact name")->required()->type_name("");
    showCommand->footer("Each number is followed by its name; \"(no row)\" marks a number with no row in its list.");

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
