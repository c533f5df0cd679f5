// quorvane-cli's export and unchanged import of the whole table against a floor of one read of the
// table plus the formatting (snprintf) or the parsing (the CSV library) of the same text, and both
// on the smallest image that holds the table and on a cartridge-sized one; graph and check of the same
// table against the export floor. Then the real program's peak resident memory and time on input
// without end or out of all proportion.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csv.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "bench/ratios.h"
#include "cli/commands.h"
#include "rom/methods.h"
#include "rom/namelists.h"
#include "tools/sampleimage.h"

namespace {

const rom::SupportedGame& kGame = rom::kSupportedGames[1];  // IREO, the larger image

// A table with a listed value in every slot, so every line carries numbers and names.
std::vector<std::uint8_t> fullTable(unsigned seed = 7)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> t(rom::kTableBytes);
    auto put = [&](std::size_t at, int v) {
        t[at] = static_cast<std::uint8_t>(v & 0xFF);
        t[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    for (const rom::SlotAddress slot : rom::SlotAddress::All()) {
        const std::size_t at = slot.offset();
        put(at, std::uniform_int_distribution<int>(1, 27)(rng));
        put(at + 2, std::uniform_int_distribution<int>(0, 100)(rng));
        put(at + 4, std::uniform_int_distribution<int>(1, 649)(rng));
    }
    return t;
}

// Runs a command line in-process; its standard output, or an exception with its messages.
std::string runCli(const std::vector<std::string>& args)
{
    std::istringstream in;
    std::ostringstream out, err;
    cli::Io io{in, out, err, rom::SystemFiles()};
    if (cli::Run(args, io) != 0)
        throw std::runtime_error(err.str());
    return out.str();
}

struct Files {
    std::filesystem::path dir, small, large, csv;
    std::filesystem::path changed, changes;  // an image where every slot differs, and the change set to it
    std::filesystem::path bySet;             // set's own image, so that the two never meet
    Files()
    {
        dir = std::filesystem::temp_directory_path() / ("quorvane-bench-cli-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        small = dir / "small.nds";
        large = dir / "large.nds";
        csv = dir / "table.csv";
        changed = dir / "changed.nds";
        changes = dir / "changes.csv";
        bySet = dir / "set.nds";
        if (!sample::CreateImage(small, kGame.code, rom::TableEnd(kGame)) ||
            !sample::CreateImage(large, kGame.code, kGame.cartridgeSize) ||
            !sample::CreateImage(changed, kGame.code, rom::TableEnd(kGame)) ||
            !sample::CreateImage(bySet, kGame.code, rom::TableEnd(kGame)))
            throw std::runtime_error("cannot write the benchmark images");
        for (const auto& [p, table] : {std::pair{small, fullTable()}, {large, fullTable()}, {changed, fullTable(8)}, {bySet, fullTable()}}) {
            std::fstream io(p, std::ios::in | std::ios::out | std::ios::binary);
            io.seekp(static_cast<std::streamoff>(kGame.tableBase));
            io.write(reinterpret_cast<const char*>(table.data()), static_cast<std::streamsize>(table.size()));
        }
        std::istringstream in;
        std::ostringstream out, err;
        cli::Io io{in, out, err, rom::SystemFiles()};
        if (cli::Export(small, csv, true, io) != 0)
            throw std::runtime_error("cannot export: " + err.str());
        std::ofstream(changes) << runCli({"diff", small.string(), changed.string()});
        // The change set's slots all hold their was values on `changed` once it is taken back.
        runCli({"import", "--reverse", changed.string(), changes.string()});
    }
    ~Files() { std::filesystem::remove_all(dir); }
};

Files& files()
{
    static Files f;
    return f;
}

// Where the real program's standard output goes (a pipe or a file), the text leaves the process; a
// string stream would instead grow and copy it, a cost the commands themselves do not have.
class CountingSink final : public std::streambuf {
public:
    std::streamsize written = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override { return written += n, n; }
    int_type overflow(int_type c) override { return ++written, traits_type::not_eof(c); }
};

// A command of the real program on the given image, its output leaving as the program's would; the
// command says whether it ran.
void BM_Command(benchmark::State& state, const std::filesystem::path& rom,
                bool (*command)(const std::filesystem::path&, cli::Io&))
{
    std::istringstream in;
    for (auto _ : state) {
        CountingSink sink;
        std::ostream out(&sink);
        std::ostringstream err;
        cli::Io io{in, out, err, rom::SystemFiles()};
        if (!command(rom, io) || sink.written == 0)
            state.SkipWithError("the command failed");
    }
}

void BM_Export(benchmark::State& state, const std::filesystem::path& rom)
{
    BM_Command(state, rom, [](const std::filesystem::path& p, cli::Io& io) { return cli::Export(p, {}, true, io) == 0; });
}

bool readTable(const std::filesystem::path& rom, std::vector<std::uint8_t>& table)
{
    const int fd = ::open(rom.c_str(), O_RDONLY);
    table.resize(rom::kTableBytes);
    const bool ok = fd >= 0 && ::pread(fd, table.data(), table.size(), kGame.tableBase) == ssize_t(table.size());
    return ::close(fd) == 0 && ok;
}

void BM_ExportFloor(benchmark::State& state)
{
    std::vector<std::uint8_t> table;
    std::string text;
    for (auto _ : state) {
        if (!readTable(files().small, table))
            state.SkipWithError("read failed");
        text.clear();
        text.reserve(300'000);
        text += "species,species_name,slot,method,method_name,parameter,parameter_name,target,target_name\n";
        char line[256];
        for (const rom::SlotAddress at : rom::SlotAddress::All()) {
            const std::uint8_t* s = &table[at.offset()];
            const int method = s[0], parameter = s[2], target = s[4] | (s[5] << 8);
            const int n = std::snprintf(line, sizeof line, "%d,%s,%d,%d,%s,%d,%s,%d,%s\n", at.species(),
                                        rom::SpeciesNames[std::size_t(at.species())].data(), at.slot(), method,
                                        rom::MethodNames[method % 28].data(), parameter,
                                        rom::LevelNames[parameter % 101].data(), target,
                                        rom::SpeciesNames[std::size_t(target % 650)].data());
            text.append(line, std::size_t(n));
        }
        benchmark::DoNotOptimize(text.data());
    }
}

void BM_ImportUnchanged(benchmark::State& state, const std::filesystem::path& rom)
{
    std::istringstream in;
    for (auto _ : state) {
        std::ostringstream out, err;
        cli::Io io{in, out, err, rom::SystemFiles()};
        if (cli::Import({rom, files().csv}, io) != 0 || out.str() != "0 slots changed\n")
            state.SkipWithError("import failed or changed something");
    }
}

int noSpaces(unsigned char)
{
    return 0;
}

void countField(void*, std::size_t, void* fields)
{
    ++*static_cast<std::size_t*>(fields);
}

void BM_ImportFloor(benchmark::State& state)
{
    std::vector<std::uint8_t> table;
    for (auto _ : state) {
        std::ifstream file(files().csv, std::ios::binary);
        std::ostringstream buffer;
        buffer << file.rdbuf();
        const std::string text = std::move(buffer).str();
        if (!readTable(files().small, table))
            state.SkipWithError("read failed");
        csv_parser parser;
        csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI);
        csv_set_space_func(&parser, noSpaces);  // as any reader of these names must
        std::size_t fields = 0;
        csv_parse(&parser, text.data(), text.size(), countField, nullptr, &fields);
        csv_fini(&parser, countField, nullptr, &fields);
        csv_free(&parser);
        if (fields != 649u * 7 * 9 + 9)
            state.SkipWithError("parse failed");
    }
}

// A change of all 4,543 slots, applied and taken back in turn so that every run writes every slot:
// as a change set, and as set (every slot's target, to one species and back).
void BM_ChangeSetImport(benchmark::State& state)
{
    const std::string rom = files().changed.string(), changes = files().changes.string();
    static bool forward = true;  // the image keeps what the last run left, whichever run that was
    for (auto _ : state) {
        const std::string out = forward ? runCli({"import", rom, changes}) : runCli({"import", "--reverse", rom, changes});
        if (out.rfind("4543 slots changed", 0) != 0)
            state.SkipWithError("the change set did not change every slot");
        forward = !forward;
    }
}

void BM_Set(benchmark::State& state)
{
    const std::string rom = files().bySet.string();
    std::vector<std::string> args{"set", rom};
    for (int slot = 1; slot <= rom::EvolutionRecord::kSlots; ++slot)
        args.insert(args.end(), {"--where", "slot=" + std::to_string(slot)});
    args.insert(args.end(), {"--to", ""});
    static bool forward = true;
    for (auto _ : state) {
        args.back() = forward ? "target=0" : "target=1";
        if (runCli(args) != "4543 slots changed\n")
            state.SkipWithError("set did not change every slot");
        forward = !forward;
    }
}

// graph and check on the same full table: one read, then the walk over it and the formatting.
void BM_Graph(benchmark::State& state)
{
    BM_Command(state, files().small,
               [](const std::filesystem::path& p, cli::Io& io) { return cli::Graph(p, {}, {}, io) == 0; });
}

void BM_Check(benchmark::State& state)
{
    BM_Command(state, files().small,
               [](const std::filesystem::path& p, cli::Io& io) { return cli::Check(p, {}, io) != 2; });
}

// What the real program is fed on its standard input (or, for /dev/zero, as FILE).
struct Flood {
    std::string head;
    std::string unit;  // repeated until `bytes` are written or the program stops reading
    std::uint64_t bytes;
};

const std::map<std::string, Flood>& floods()
{
    static const std::map<std::string, Flood> all{
        {"dev_zero", {"", "", 0}},
        {"10M_bad_lines", {"species,slot,method,parameter,target\n", "x,1,4,30,3\n", 110'000'000}},
        {"10M_blank_lines", {"species,slot,method,parameter,target\n", "\n", 10'000'000}},
        {"100MB_field", {"species,slot,method,parameter,target\n1,1,4,\"", "a", 100'000'000}},
    };
    return all;
}

std::map<std::string, double> g_peakMiB;  // the most any run of each flood took

// Runs quorvane-cli import on the flood and returns its peak resident memory in KiB, -1 on failure.
long importFlood(const Flood& flood, bool devZero)
{
    int feed[2];
    if (::pipe2(feed, O_CLOEXEC) != 0)
        return -1;
    const std::string rom = files().small.string();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(feed[0], STDIN_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        const char* argv[] = {QUORVANE_CLI, "import", rom.c_str(), devZero ? "/dev/zero" : "-", nullptr};
        ::execv(QUORVANE_CLI, const_cast<char* const*>(argv));
        ::_exit(127);
    }
    ::close(feed[0]);
    if (!devZero) {
        std::string block;
        while (block.size() < 64 * 1024)
            block += flood.unit;
        bool reading = ::write(feed[1], flood.head.data(), flood.head.size()) == ssize_t(flood.head.size());
        for (std::uint64_t sent = 0; reading && sent < flood.bytes;) {
            const std::size_t n = std::min<std::uint64_t>(block.size(), flood.bytes - sent);
            reading = ::write(feed[1], block.data(), n) == static_cast<ssize_t>(n);  // else it stopped reading
            sent += n;
        }
    }
    ::close(feed[1]);
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return -1;
    return usage.ru_maxrss;
}

void BM_ImportFlood(benchmark::State& state, const std::string& name)
{
    const Flood& flood = floods().at(name);
    for (auto _ : state) {
        const long kib = importFlood(flood, name == "dev_zero");
        if (kib < 0) {
            state.SkipWithError("the program failed");
            return;
        }
        g_peakMiB[name] = std::max(g_peakMiB[name], kib / 1024.0);
    }
    state.counters["peak_MiB"] = g_peakMiB[name];
}

void BM_Export_Small(benchmark::State& state) { BM_Export(state, files().small); }
void BM_Export_Large(benchmark::State& state) { BM_Export(state, files().large); }
void BM_ImportUnchanged_Small(benchmark::State& state) { BM_ImportUnchanged(state, files().small); }
void BM_ImportUnchanged_Large(benchmark::State& state) { BM_ImportUnchanged(state, files().large); }

}  // namespace

BENCHMARK(BM_ExportFloor)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_Export_Small)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_Export_Large)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImportFloor)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImportUnchanged_Small)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ImportUnchanged_Large)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ChangeSetImport)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_Set)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_Graph)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_Check)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    files();
    std::signal(SIGPIPE, SIG_IGN);  // a program that stops reading its flood is a success
    for (const auto& [name, flood] : floods())
        benchmark::RegisterBenchmark(("BM_ImportFlood/" + name).c_str(), BM_ImportFlood, name)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
    const int status = bench::runWithRatios(argc, argv,
                                            {{"BM_Export_Small", "BM_ExportFloor", 2.0},
                                             {"BM_ImportUnchanged_Small", "BM_ImportFloor", 2.0},
                                             {"BM_Export_Large", "BM_Export_Small", 1.1},
                                             {"BM_ImportUnchanged_Large", "BM_ImportUnchanged_Small", 1.1},
                                             {"BM_ChangeSetImport", "BM_ExportFloor", 2.0},
                                             {"BM_Set", "BM_ExportFloor", 2.0},
                                             {"BM_Graph", "BM_ExportFloor", 2.0},
                                             {"BM_Check", "BM_ExportFloor", 2.0}});
    for (const auto& [name, peak] : g_peakMiB)
        std::printf("PEAK  BM_ImportFlood/%-16s %6.1f MiB resident at most, target 32 MiB: %s\n", name.c_str(), peak,
                    peak < 32 ? "met" : "MISSED");
    return status;
}
