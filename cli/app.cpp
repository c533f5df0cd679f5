#include <algorithm>
#include <memory>
#include <sstream>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/suggest.h"
#include "cli/text.h"
#include "rom/supportedgames.h"

namespace cli {
namespace {

Runner declareHelp(CLI::App& command);

constexpr Command kHelpCommand{"help", "Print this help, or a command's help", declareHelp};

constexpr const Command* kCommands[] = {&kExportCommand, &kImportCommand, &kSetCommand,  &kDiffCommand,
                                        &kShowCommand,   &kGraphCommand,  &kCheckCommand, &kHelpCommand};

std::vector<std::string> commandNames()
{
    std::vector<std::string> names;
    for (const Command* command : kCommands)
        names.emplace_back(command->name);
    return names;
}

// "unknown command "exprot"; did you mean "export"?", or with none near, "...; the commands are ...".
std::string unknownName(std::string_view what, std::string_view whats, std::string_view name,
                        std::span<const std::string> names)
{
    std::vector<std::string> shown;
    for (const std::size_t i : Suggest(names, name))
        shown.push_back("\"" + names[i] + "\"");
    std::string text = "unknown " + std::string(what) + " " + Quoted(name);
    if (!shown.empty())
        return text + DidYouMean(shown);
    text += "; the " + std::string(whats) + " are";
    for (std::size_t i = 0; i < names.size(); ++i)
        (text += i ? ", " : " ") += names[i];
    return text;
}

int unknownCommand(const std::string& name, Io& io)
{
    Say(io, kProgram, unknownName("command", "commands", name, commandNames()));
    return kUsage;
}

bool isCommand(std::string_view name)
{
    return std::any_of(std::begin(kCommands), std::end(kCommands),
                       [&](const Command* c) { return c->name == name; });
}

Runner declareHelp(CLI::App& command)
{
    auto topic = std::make_shared<std::string>();
    command.add_option("COMMAND", *topic, "Command whose help to print")->type_name("");
    return [topic](Io& io) {
        if (topic->empty())
            return Run({"--help"}, io);
        if (!isCommand(*topic))
            return unknownCommand(*topic, io);
        return Run({*topic, "--help"}, io);
    };
}

std::string description()
{
    return "The evolution table of " +
           rom::SupportedGames([](const rom::SupportedGame& g) { return g.name; }, "and") +
           " ROM images as CSV text, one line per evolution slot.";
}

}  // namespace

std::span<const Command* const> Commands()
{
    return kCommands;
}

CLI::Validator OneOf(std::vector<std::string> names, std::string what, std::string whats)
{
    return CLI::Validator(
        [names, what, whats](std::string& value) {
            if (std::find(names.begin(), names.end(), value) != names.end())
                return std::string();
            return unknownName(what, whats, value, names);
        },
        "", what);
}

void AddRomArgument(CLI::App& command, std::filesystem::path& rom, const std::string& what)
{
    command.add_option("ROM", rom, what)->required()->type_name("");
}

void AddOutputOption(CLI::App& command, std::filesystem::path& output, const std::string& what)
{
    command.add_option("-o,--output", output, what)->option_text("FILE");
}

int Run(const std::vector<std::string>& args, Io& io)
{
    CLI::App app{description(), "quorvane-cli"};
    app.set_version_flag("--version", "quorvane-cli " QUORVANE_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 success, 1 failure, 2 bad usage. Data goes to standard output, messages to\n"
               "standard error. Only import and set open the ROM for writing; run COMMAND --help for details.\n"
               "check exits as a linter does: 1 when it lists anything, 2 on a failure.");
    std::vector<std::pair<CLI::App*, Runner>> declared;
    for (const Command* command : kCommands) {
        CLI::App* sub = app.add_subcommand(std::string(command->name), std::string(command->summary));
        declared.emplace_back(sub, command->declare(*sub));
    }

    // CLI11 would only say that a command is required.
    const auto named = std::find_if(args.begin(), args.end(), [](const std::string& a) { return !a.starts_with('-'); });
    if (named != args.end() && !isCommand(*named))
        return unknownCommand(*named, io);

    std::vector<const char*> argv{"quorvane-cli"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        // Help and version end with CLI11's success code; its own codes for usage errors become 2,
        // said as every message is, since they may quote any argument. A value OneOf refused is
        // answered with the values near it, which is help enough.
        if (e.get_exit_code() != static_cast<int>(CLI::ExitCodes::Success)) {
            Say(io, kProgram,
                std::string(e.what()) +
                    (e.get_name() == "ValidationError" ? "" : "; run with --help for more information"));
            return kUsage;
        }
        // Help and version are output like any other, so a failed write of them fails too.
        std::ostringstream text, unused;
        app.exit(e, text, unused);
        return text.str().empty() ? kSuccess : WriteOut(io, text.str());
    }
    for (const auto& [sub, run] : declared)
        if (sub->parsed())
            return run(io);
    return kUsage;  // not reached: the parser requires one command of the table
}

}  // namespace cli
