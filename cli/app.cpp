#include <algorithm>
#include <sstream>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/suggest.h"
#include "cli/text.h"

namespace cli {
namespace {

// Read from the command line itself, so that every command added there is known here too.
std::vector<std::string> commandNames(CLI::App& app)
{
    std::vector<std::string> names;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        names.push_back(command->get_name());
    return names;
}

int unknownCommand(const std::string& name, const std::vector<std::string>& commands, Io& io)
{
    std::vector<std::string> shown;
    for (const std::size_t i : Suggest(commands, name))
        shown.push_back("\"" + commands[i] + "\"");
    io.err << "quorvane-cli: unknown command " << Quoted(name);
    if (shown.empty()) {
        io.err << "; the commands are";
        for (std::size_t i = 0; i < commands.size(); ++i)
            io.err << (i ? ", " : " ") << commands[i];
        io.err << '\n';
    } else {
        io.err << DidYouMean(shown) << '\n';
    }
    return kUsage;
}

}  // namespace

int Run(const std::vector<std::string>& args, Io& io)
{
    CLI::App app{"The evolution table of \"Pokemon Black (E)\" (IRBO) and \"Pokemon Black 2 (U)\" (IREO) ROM "
                 "images as CSV text, one line per evolution slot.",
                 "quorvane-cli"};
    app.set_version_flag("--version", "quorvane-cli " QUORVANE_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 success, 1 failure, 2 bad usage. Data goes to standard output, messages to\n"
               "standard error. Only import opens the ROM for writing; run COMMAND --help for its details.\n"
               "check exits as a linter does: 1 when it lists anything, 2 on a failure.");

    std::filesystem::path rom, romB, file, output;
    std::string species, format = "csv", topic;
    bool all = false, dryRun = false, exitCode = false;

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
        "Fields are separated by commas, semicolons or tabs: the header line shows which. Columns may come\n"
        "in any order; the name columns are optional, and a number may be left empty, or its column left\n"
        "out, where its name names exactly one row:\n"
        "  species_name,slot,method_name,parameter_name,target_name\n"
        "Names match exactly, but a level is also named by its number with leading zeros or without (7, 07,\n"
        "007), as spreadsheets write it back; a name that names no row gets up to three near ones suggested.\n"
        "A number with no row in its list is accepted only where it equals what is stored, and is then left\n"
        "as stored. Slots that already hold the values are not written; the others are written as the\n"
        "editor's Save would, under one lock, with one sync.\n"
        "Reading stops with an error at a field over 1 KiB, a line over 64 KiB, more than 100,000 records\n"
        "or 100 problems; a read error fails the import. SIGINT, SIGTERM or SIGHUP during the writes\n"
        "finishes the slot being written, syncs, names the slots written and not written and exits 1;\n"
        "no slot is half-written, and importing the same FILE again writes the rest.");
    importCommand->add_option("ROM", rom, "ROM image to change in place")->required()->type_name("");
    importCommand->add_option("FILE", file, "CSV table, as export writes it; - for standard input")->required()->type_name("");
    importCommand->add_flag("-n,--dry-run", dryRun,
                            "Print each slot that would change, with its bytes, and write nothing");

    CLI::App* diffCommand = app.add_subcommand("diff", "Write ROM_B's slots whose values differ from ROM_A's");
    diffCommand->footer("Without --exit-code, exits 0 whether or not the ROMs differ. 'diff original.nds mine.nds >\n"
                        "changes.csv', then 'import copy.nds changes.csv', carries the changes to another copy.");
    diffCommand->add_option("ROM_A", rom, "ROM image to compare against")->required()->type_name("");
    diffCommand->add_option("ROM_B", romB, "ROM image whose differing slots are written")->required()->type_name("");
    diffCommand->add_option("--format", format,
                            "csv (the default): as export writes them; text: one line per slot, by name")
        ->check(CLI::IsMember({"csv", "text"}))
        ->option_text("csv|text");
    diffCommand->add_flag("--exit-code", exitCode, "Exit 0 when the tables are equal, 1 when they differ, 2 on failure");

    CLI::App* showCommand = app.add_subcommand("show", "Print one species' seven slots as a table");
    showCommand->add_option("ROM", rom, "ROM image to read")->required()->type_name("");
    showCommand->add_option("SPECIES", species, "Species number (1-649) or name, in any letter case")->required()->type_name("");
    showCommand->footer("Each number is followed by its name; \"(no row)\" marks a number with no row in its list.");

    std::vector<std::string> speciesList, ignored;
    CLI::App* graphCommand =
        app.add_subcommand("graph", "Write the evolution families as a Graphviz DOT digraph, for dot to draw");
    graphCommand->footer(
        "A family is every species joined to another by evolutions, in either direction. An edge is a slot\n"
        "whose method is not 0, labelled with the method and its parameter; a target that is no species\n"
        "is a dashed node (\"None (0)\", \"no row: N\"). The same table always gives the same text.\n"
        "Example: quorvane-cli graph rom.nds Eevee | dot -Tsvg > eevee.svg");
    graphCommand->add_option("ROM", rom, "ROM image to read")->required()->type_name("");
    graphCommand->add_option("SPECIES", speciesList,
                             "Only the families of these species (numbers 1-649 or exact names); "
                             "all families with an evolution when none is given")
        ->type_name("");
    graphCommand->add_option("-o,--output", output, "Write to FILE instead of standard output")->option_text("FILE");

    CLI::App* checkCommand = app.add_subcommand(
        "check", "List the evolutions a player cannot perform or that look like mistakes, then the loops");
    checkCommand->footer(
        "Classes, for --ignore:\n"
        "  trade          a trade method: it needs a second console\n"
        "  target         a method with target 0 or a target outside 1-649\n"
        "  unlisted       a method, or a level (above 100), item, move or species parameter, with no row\n"
        "  self           a species that evolves into itself\n"
        "  loop           species that evolve into each other in two or more steps: each group once, with a cycle\n"
        "  orphan-target  method 0 with a target that is not 0: the target is never reached\n"
        "Exit status, as for a linter: 0 nothing listed, 1 something listed, 2 a failure or bad usage.");
    checkCommand->add_option("ROM", rom, "ROM image to read")->required()->type_name("");
    checkCommand
        ->add_option("--ignore", ignored, "Leave out the findings of CLASS; may be given again, or as a list with commas")
        ->option_text("CLASS")
        ->allow_extra_args(false)
        ->delimiter(',')
        ->check(CLI::IsMember(std::vector<std::string>(kCheckClasses.begin(), kCheckClasses.end())));

    CLI::App* helpCommand = app.add_subcommand("help", "Print this help, or a command's help");
    helpCommand->add_option("COMMAND", topic, "Command whose help to print")->type_name("");

    // CLI11 would only say that a command is required.
    const std::vector<std::string> commands = commandNames(app);
    const auto named = std::find_if(args.begin(), args.end(), [](const std::string& a) { return !a.starts_with('-'); });
    if (named != args.end() && std::find(commands.begin(), commands.end(), *named) == commands.end())
        return unknownCommand(*named, commands, io);

    std::vector<const char*> argv{"quorvane-cli"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        // Help and version are output like any other, so a failed write of them fails too.
        std::ostringstream text;
        const int status = app.exit(e, text, io.err);
        const Exit written = text.str().empty() ? kSuccess : WriteOut(io, text.str());
        // Help and version end with CLI11's success code; its own codes for usage errors become 2.
        return status != 0 ? kUsage : written;
    }

    if (exportCommand->parsed())
        return Export(rom, output, all, io);
    if (importCommand->parsed())
        return Import(rom, file, dryRun, io);
    if (diffCommand->parsed())
        return Diff(rom, romB, format == "text" ? DiffFormat::Text : DiffFormat::Csv, exitCode, io);
    if (graphCommand->parsed())
        return Graph(rom, speciesList, output, io);
    if (checkCommand->parsed())
        return Check(rom, ignored, io);
    if (helpCommand->parsed()) {
        if (topic.empty())
            return Run({"--help"}, io);
        if (std::find(commands.begin(), commands.end(), topic) == commands.end())
            return unknownCommand(topic, commands, io);
        return Run({topic, "--help"}, io);
    }
    return Show(rom, species, io);
}

}  // namespace cli
