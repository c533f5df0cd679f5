#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <istream>
#include <ostream>

#include "cli/commands.h"
#include "cli/fdstream.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "cli/tablecsv.h"
#include "cli/text.h"
#include "rom/describe.h"
#include "rom/methods.h"

namespace cli {
namespace {

enum Column { kSpecies, kSpeciesName, kSlot, kMethod, kMethodName, kParameter, kParameterName, kTarget, kTargetName };

// A parsed header: the field index of each known column, -1 where absent.
using ColumnMap = std::array<int, kColumns.size()>;

// Reading stops at this many: past it, more reports help no one and only cost time and output.
constexpr std::size_t kMaxProblems = 100;

struct Problems {
    std::string file;
    std::vector<std::string> lines;
    bool full() const { return lines.size() >= kMaxProblems; }
    void add(int line, const std::string& reason)
    {
        if (!full())
            lines.push_back(file + ":" + std::to_string(line) + ": " + reason);
    }
};

// Only for the program's own texts (column and list names); input goes through Quoted.
std::string inQuotes(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

std::optional<int> parseNumber(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool readHeader(const CsvRecord& header, ColumnMap& columns, Problems& problems)
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
    if (columns[kSlot] < 0) {
        problems.add(header.line, "missing column " + inQuotes(kColumns[kSlot]));
        ok = false;
    }
    for (const auto& [number, name] : {std::pair{kSpecies, kSpeciesName}, std::pair{kMethod, kMethodName},
                                      std::pair{kParameter, kParameterName}, std::pair{kTarget, kTargetName}}) {
        if (columns[number] < 0 && columns[name] < 0) {
            problems.add(header.line,
                         "missing column " + inQuotes(kColumns[number]) + " (or " + inQuotes(kColumns[name]) + ")");
            ok = false;
        }
    }
    return ok;
}

// One line being checked: its fields, where problems go, and whether any was found.
class LineCheck {
public:
    LineCheck(const CsvRecord& record, const ColumnMap& columns, Problems& problems)
        : m_record(record), m_columns(columns), m_problems(problems)
    {
    }

    std::string_view field(Column c) const
    {
        const int at = m_columns[c];
        return at < 0 ? std::string_view() : m_record.fields[static_cast<std::size_t>(at)];
    }

    void problem(const std::string& reason)
    {
        m_problems.add(m_record.line, reason);
        m_ok = false;
    }
    bool ok() const { return m_ok; }

    /// A value from its number column, its name column or both; nullopt (with a problem) when neither
    /// gives one, or when they disagree.
    std::optional<int> value(Column number, Column name, List list, std::string_view what)
    {
        const std::string_view numberText = field(number);
        const std::string_view nameText = field(name);
        if (!numberText.empty()) {
            const auto parsed = parseNumber(numberText);
            if (!parsed) {
                problem(std::string(what) + " " + Quoted(numberText) + " is not a number");
                return std::nullopt;
            }
            if (!nameText.empty()) {
                const std::string* rowName = NameOf(list, *parsed);
                if (!rowName) {
                    problem(std::string(what) + " " + std::to_string(*parsed) + " has no row in the " +
                            std::string(WhatOf(list)) + " list, yet its name is given as " + Quoted(nameText));
                    return std::nullopt;
                }
                if (!NamesRow(list, *parsed, nameText)) {
                    problem(std::string(what) + " " + std::to_string(*parsed) + " is " + inQuotes(*rowName) + ", not " +
                            Quoted(nameText) + ": correct one of them, or empty the name cell");
                    return std::nullopt;
                }
            }
            return parsed;
        }
        if (nameText.empty())
            return std::nullopt;
        const auto rows = RowsNamed(list, nameText);
        if (rows.empty()) {
            // Names within two edits of a number are other numbers, not what was meant.
            problem("no " + std::string(WhatOf(list)) + " is named " + Quoted(nameText) +
                    (list == List::Level ? std::string(": a level is named by its number, 0 to 100")
                                         : DidYouMeanRow(list, nameText)));
            return std::nullopt;
        }
        if (rows.size() > 1) {
            std::string which;
            for (const int r : rows)
                which += (which.empty() ? "" : ", ") + std::to_string(r);
            problem(std::string(WhatOf(list)) + " name " + Quoted(nameText) + " names rows " + which +
                    ": give the number in the " + std::string(kColumns[number]) + " column");
            return std::nullopt;
        }
        return rows[0];
    }

    bool given(Column number, Column name) const { return !field(number).empty() || !field(name).empty(); }

private:
    const CsvRecord& m_record;
    const ColumnMap& m_columns;
    Problems& m_problems;
    bool m_ok = true;
};

// A slot to write: the values asked for and the six bytes the editor's Save would store for them.
struct Planned {
    SlotValues from;
    SlotValues to;
    rom::SlotChange change;
};

// Checks one line against the slot's current bytes; on success fills values and the editor's write.
bool checkLine(LineCheck& line, const rom::EvolutionTable& table, SlotValues& values, rom::SlotWrite& write)
{
    const auto species = line.value(kSpecies, kSpeciesName, List::Species, "species");
    const auto slotText = line.field(kSlot);
    const auto slot = parseNumber(slotText);
    if (species && (*species < 1 || *species > rom::kSpeciesRows))
        line.problem("species " + std::to_string(*species) + " is outside 1-649");
    else if (!species && line.ok())
        line.problem("species missing");
    if (slotText.empty())
        line.problem("slot missing");
    else if (!slot)
        line.problem("slot " + Quoted(slotText) + " is not a number");
    else if (*slot < 1 || *slot > rom::EvolutionRecord::kSlots)
        line.problem("slot " + std::to_string(*slot) + " is outside 1-7");
    if (!line.ok())
        return false;

    const rom::SlotAddress address = *rom::SlotAddress::Of(*species - 1, *slot);  // in range: checked above
    const rom::SlotBytes current = table.slot(address);
    const SlotValues now = ValuesOf(address, current);
    values = SlotValues{*species, *slot, 0, std::nullopt, 0};

    // A number with no row cannot be chosen in the editor: it may only stay as it is stored.
    auto unlistedUnchanged = [&](List list, std::string_view what, int value, std::optional<int> stored) {
        if (NameOf(list, value))
            return true;
        if (stored == value)
            return true;
        line.problem(std::string(what) + " " + std::to_string(value) + " has no row in the " +
                     std::string(WhatOf(list)) + " list and differs from the stored " +
                     (stored ? std::to_string(*stored) : std::string("value")));
        return false;
    };

    const auto method = line.value(kMethod, kMethodName, List::Method, "method");
    if (!method) {
        if (line.ok())
            line.problem("method missing");
    } else if (unlistedUnchanged(List::Method, "method", *method, now.method)) {
        values.method = *method;
        const rom::ParamKind kind = rom::KindOf(*method);
        const auto parameterList = ParameterList(kind);
        if (!parameterList) {
            if (line.given(kParameter, kParameterName))
                line.problem("method " + std::to_string(*method) + " (" +
                             (NameOf(List::Method, *method) ? *NameOf(List::Method, *method) : std::string("no row")) +
                             ") takes no parameter");
        } else if (const auto parameter =
                       line.value(kParameter, kParameterName, *parameterList, "parameter")) {
            // What reading the slot's parameter with this method's width gives now.
            rom::SlotBytes asRead = current;
            asRead[0] = static_cast<std::uint8_t>(*method);
            if (unlistedUnchanged(*parameterList, "parameter", *parameter, rom::DecodeSlot(asRead).parameter))
                values.parameter = *parameter;
        } else if (line.ok()) {
            line.problem("method " + std::to_string(*method) + " (" + *NameOf(List::Method, *method) + ") needs a " +
                         std::string(WhatOf(*parameterList)) + " as its parameter");
        }
    }

    const auto target = line.value(kTarget, kTargetName, List::Species, "target");
    if (!target) {
        if (line.ok())
            line.problem("target missing");
    } else if (unlistedUnchanged(List::Species, "target", *target, now.target)) {
        values.target = *target;
    }
    if (!line.ok())
        return false;

    // As the editor's Save: listed values are written, unlisted ones (left alone) keep their words.
    write = rom::SlotWrite{};
    if (NameOf(List::Method, values.method)) {
        write.method = values.method;
        write.kind = rom::KindOf(values.method);
        if (values.parameter && NameOf(*ParameterList(write.kind), *values.parameter))
            write.parameter = values.parameter;
    }
    if (NameOf(List::Species, values.target))
        write.target = values.target;
    return true;
}

std::string describe(const SlotValues& v)
{
    auto numberAndName = [](List list, int number) {
        const std::string* name = NameOf(list, number);
        return std::to_string(number) + (name ? " " + inQuotes(*name) : std::string(" (no row)"));
    };
    const auto list = ParameterList(rom::KindOf(v.method));
    return "method " + numberAndName(List::Method, v.method) + ", parameter " +
           (v.parameter && list ? numberAndName(*list, *v.parameter) : std::string("none")) + ", target " +
           numberAndName(List::Species, v.target);
}

std::string planText(const std::vector<Planned>& plan, const rom::SupportedGame& game)
{
    std::string out;
    for (const Planned& p : plan) {
        out += SlotName(p.to.species, p.to.slot) + '\n';
        out += "  old: " + describe(p.from) + '\n';
        out += "  new: " + describe(p.to) + '\n';
        const std::uint64_t start = rom::FieldOffset(game.tableBase, p.change.address);
        for (std::size_t i = 0; i < p.change.wanted.size(); ++i) {
            if (p.change.expected[i] == p.change.wanted[i])
                continue;
            char line[96];
            std::snprintf(line, sizeof line, "  byte %llu (0x%llX): %02X -> %02X\n",
                          static_cast<unsigned long long>(start + i), static_cast<unsigned long long>(start + i),
                          p.change.expected[i], p.change.wanted[i]);
            out += line;
        }
    }
    return out;
}

std::string slotList(const std::vector<Planned>& plan, std::size_t from, std::size_t to)
{
    std::string out;
    for (std::size_t i = from; i < to; ++i)
        out += (out.empty() ? "" : ", ") + SlotName(plan[i].to.species, plan[i].to.slot);
    return out.empty() ? "none" : out;
}

std::string count(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " slot" : " slots");
}

// SIGINT, SIGTERM and SIGHUP wait while a batch writes: it then stops after the slot in flight, syncs
// what it wrote and says which slots those are, where the signal's default action would end the
// program between two slots with no word of them.
volatile std::sig_atomic_t g_signal = 0;

void noteSignal(int signal)
{
    g_signal = signal;
}

class DeferredSignals {
public:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

    DeferredSignals()
    {
        g_signal = 0;
        struct sigaction deferred {};
        deferred.sa_handler = noteSignal;
        deferred.sa_flags = SA_RESTART;
        sigemptyset(&deferred.sa_mask);
        for (const int s : kSignals)
            sigaddset(&deferred.sa_mask, s);
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            m_installed[i] = ::sigaction(kSignals[i], nullptr, &m_old[i]) == 0 && m_old[i].sa_handler != SIG_IGN &&
                             ::sigaction(kSignals[i], &deferred, nullptr) == 0;
        }
    }
    ~DeferredSignals()
    {
        for (std::size_t i = 0; i < std::size(kSignals); ++i) {
            if (m_installed[i])
                ::sigaction(kSignals[i], &m_old[i], nullptr);
        }
    }
    DeferredSignals(const DeferredSignals&) = delete;
    DeferredSignals& operator=(const DeferredSignals&) = delete;

private:
    // A signal the user had ignored (nohup's SIGHUP) stays ignored.
    struct sigaction m_old[std::size(kSignals)] {};
    bool m_installed[std::size(kSignals)] {};
};

std::string signalName(int signal)
{
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    }
    return "signal " + std::to_string(signal);
}

// The table file's descriptor, closed at the end.
struct TableFile {
    int fd = -1;
    ~TableFile()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

int Import(const std::filesystem::path& romPath, const std::filesystem::path& tableFile, bool dryRun, Io& io)
{
    const bool fromStandardInput = tableFile == "-";
    const std::string fileName = fromStandardInput ? std::string("standard input") : Shown(tableFile);
    // Opened before the ROM is looked at, so that a wrong name is told first. A FIFO's open waits
    // for its writer, as cat's would.
    TableFile file;
    if (!fromStandardInput) {
        do {
            file.fd = ::open(tableFile.c_str(), O_RDONLY | O_CLOEXEC);
        } while (file.fd < 0 && errno == EINTR);
        if (file.fd < 0) {
            io.err << fileName << ": cannot be read: " << std::strerror(errno) << '\n';
            return kFailure;
        }
    }
    std::optional<FdInput> fileInput;
    if (!fromStandardInput)
        fileInput.emplace(file.fd);
    std::streambuf* input = fromStandardInput ? io.in.rdbuf() : &*fileInput;

    // A dry run writes nothing, so it can look at a write-protected ROM.
    const rom::Access access = dryRun ? rom::Access::ReadOnly : rom::Access::ReadWrite;
    const auto read = ReadRomTable(romPath, access, io);
    if (!read)
        return kFailure;
    const rom::EvolutionTable& table = read->table;
    const rom::SupportedGame& game = read->game;

    Problems problems{fileName, {}};
    std::vector<Planned> plan;
    std::vector<int> seen(std::size_t(rom::kSpeciesRows) * rom::EvolutionRecord::kSlots);  // line naming each slot
    ColumnMap columns;
    std::size_t headerFields = 0;  // 0 until the header is read
    bool headerOk = false;
    auto checkRecord = [&](const CsvRecord& record) {
        if (headerFields == 0) {
            headerFields = std::max<std::size_t>(record.fields.size(), 1);
            headerOk = readHeader(record, columns, problems);
            return !problems.full();
        }
        // Without its columns known, a line cannot be read.
        if (!headerOk)
            return false;
        // Spreadsheets leave rows of empty cells below the data.
        if (std::all_of(record.fields.begin(), record.fields.end(), [](std::string_view f) { return f.empty(); }))
            return true;
        if (record.fields.size() != headerFields) {
            problems.add(record.line, std::to_string(record.fields.size()) + " fields where the header has " +
                                          std::to_string(headerFields));
            return !problems.full();
        }
        LineCheck line(record, columns, problems);
        SlotValues values;
        rom::SlotWrite write;
        if (!checkLine(line, table, values, write))
            return !problems.full();
        int& earlier = seen[std::size_t((values.species - 1) * rom::EvolutionRecord::kSlots + values.slot - 1)];
        if (earlier) {
            problems.add(record.line, SlotName(values.species, values.slot) + " is already given on line " +
                                          std::to_string(earlier));
            return !problems.full();
        }
        earlier = record.line;
        // checkLine found both in range.
        const rom::SlotAddress address = *rom::SlotAddress::Of(values.species - 1, values.slot);
        const rom::SlotBytes current = table.slot(address);
        const SlotValues now = ValuesOf(address, current);
        if (values == now)
            return true;  // what the editor would show already: not a byte is written
        plan.push_back({now, values, rom::SlotChange{address, current, rom::ComposeSlot(current, write)}});
        return true;
    };
    const auto stopped = input ? ReadCsv(*input, checkRecord)
                               : std::optional<CsvStop>(CsvStop{1, "no input", true});
    if (stopped && stopped->readFailed) {
        for (const std::string& p : problems.lines)
            io.err << p << '\n';
        io.err << fileName << ": cannot be read: " << stopped->reason << '\n';
        io.err << Shown(romPath) << ": nothing written (" << fileName << " could not be read)\n";
        return kFailure;
    }
    if (stopped)
        problems.add(stopped->line, stopped->reason);
    else if (headerFields == 0)
        problems.add(1, "not CSV: no header line");
    if (!problems.lines.empty()) {
        for (const std::string& p : problems.lines)
            io.err << p << '\n';
        if (problems.full())
            io.err << fileName << ": stopping after " << kMaxProblems << " problems\n";
        io.err << Shown(romPath) << ": nothing written ("
               << (problems.full() ? std::to_string(kMaxProblems) + " or more problems"
                                   : std::to_string(problems.lines.size()) +
                                         (problems.lines.size() == 1 ? " problem" : " problems"))
               << " in " << fileName << ")\n";
        return kFailure;
    }

    if (dryRun)
        return WriteOut(io, planText(plan, game) + count(plan.size()) + " would change; nothing written\n");

    std::vector<rom::SlotChange> changes;
    changes.reserve(plan.size());
    for (const Planned& p : plan)
        changes.push_back(p.change);
    rom::Result<void, rom::BatchError> result;
    int signal = 0;
    {
        DeferredSignals deferred;
        result = rom::WriteSlots(romPath, game.code, changes, io.files, &g_signal);
        signal = g_signal;
    }
    const std::string rom = Shown(romPath);
    if (result) {
        // The slots are in the file and synced: that, not the report, decides the exit status.
        WriteOut(io, count(changes.size()) + " changed\n");
        return kSuccess;
    }
    const rom::BatchError& error = result.error();
    const std::string at = error.at < plan.size() ? SlotName(plan[error.at].to.species, plan[error.at].to.slot)
                                                   : std::string();
    if (error.written == changes.size()) {
        io.err << rom << ": " << rom::Describe(error) << "; written but not confirmed: "
               << slotList(plan, 0, error.written) << '\n';
    } else if (error.kind == rom::ErrorKind::Interrupted) {
        io.err << rom << ": stopped by " << signalName(signal) << " before writing " << at << "; "
               << (error.written == 0 ? std::string("nothing written")
                                      : std::string("written") + (error.confirmed ? "" : " but not confirmed") +
                                            ": " + slotList(plan, 0, error.written) + "; not written: " +
                                            slotList(plan, error.written, plan.size()))
               << '\n';
    } else if (error.written == 0 && error.kind == rom::ErrorKind::SlotChanged) {
        io.err << rom << ": " << at << " was changed by another program since it was read; nothing written\n";
    } else if (error.written == 0) {
        io.err << rom << ": " << (error.kind == rom::ErrorKind::WriteFailed ? "writing " + at + " failed: " : "")
               << rom::Describe(error) << "; nothing written\n";
    } else {
        io.err << rom << ": writing " << at << " failed: " << rom::Describe(error) << '\n'
               << rom << ": written" << (error.confirmed ? "" : " but not confirmed") << ": "
               << slotList(plan, 0, error.written) << "; not written: " << slotList(plan, error.written, plan.size())
               << '\n';
    }
    return kFailure;
}

}  // namespace cli
