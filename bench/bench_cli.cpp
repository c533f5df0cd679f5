// quorvane-cli's export and unchanged import of the whole table against a floor of one read of the
// table plus the formatting (snprintf) or the parsing (the CSV library) of the same text, and both
// on the smallest image that holds the table and on a cartridge-sized one; graph and check of the same
// table against the export floor.
#include <fcntl.h>
#include <unistd.h>

#include <csv.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "bench/ratios.h"
#include "cli/commands.h"
#include "rom/namelists.h"
#include "tools/sampleimage.h"

namespace {

const rom::SupportedGame& kGame = rom::kSupportedGames[1];  // IREO, the larger image
constexpr std::size_t kTableBytes = 649u * 44u;

// A table with a listed value in every slot, so every line carries numbers and names.
std::vector<std::uint8_t> fullTable()
{
    std::mt19937 rng(7);
    std::vector<std::uint8_t> t(kTableBytes);
    auto put = [&](std::size_t at, int v) {
        t[at] = static_cast<std::uint8_t>(v & 0xFF);
        t[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    for (std::size_t row = 0; row < 649; ++row) {
        for (std::size_t slot = 0; slot < 7; ++slot) {
            const std::size_t at = row * 44 + slot * 6;
            put(at, std::uniform_int_distribution<int>(1, 27)(rng));
            put(at + 2, std::uniform_int_distribution<int>(0, 100)(rng));
            put(at + 4, std::uniform_int_distribution<int>(1, 649)(rng));
        }
    }
    return t;
}

struct Files {
    std::filesystem::path dir, small, large, csv;
    Files()
    {
        dir = std::filesystem::temp_directory_path() / ("quorvane-bench-cli-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        small = dir / "small.nds";
        large = dir / "large.nds";
        csv = dir / "table.csv";
        const auto table = fullTable();
        if (sample::CreateImage(small, kGame.code, kGame.tableBase + kTableBytes) ||
            sample::CreateImage(large, kGame.code, sample::CartridgeSize(kGame)))
            throw std::runtime_error("cannot write the benchmark images");
        for (const auto& p : {small, large}) {
            std::fstream io(p, std::ios::in | std::ios::out | std::ios::binary);
            io.seekp(static_cast<std::streamoff>(kGame.tableBase));
            io.write(reinterpret_cast<const char*>(table.data()), static_cast<std::streamsize>(table.size()));
        }
        std::istringstream in;
        std::ostringstream out, err;
        cli::Io io{in, out, err, rom::SystemFiles()};
        if (cli::Export(small, csv, true, io) != 0)
            throw std::runtime_error("cannot export: " + err.str());
    }
    ~Files() { std::filesystem::remove_all(dir); }
};

Files& files()
{
    static Files f;
    return f;
}

void BM_Export(benchmark::State& state, const std::filesystem::path& rom)
{
    std::istringstream in;
    for (auto _ : state) {
        std::ostringstream out, err;
        cli::Io io{in, out, err, rom::SystemFiles()};
        if (cli::Export(rom, {}, true, io) != 0)
            state.SkipWithError("export failed");
        benchmark::DoNotOptimize(out.str().size());
    }
}

bool readTable(const std::filesystem::path& rom, std::vector<std::uint8_t>& table)
{
    const int fd = ::open(rom.c_str(), O_RDONLY);
    table.resize(kTableBytes);
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
        for (int row = 0; row < 649; ++row) {
            for (int slot = 1; slot <= 7; ++slot) {
                const std::uint8_t* s = &table[std::size_t(row * 44 + (slot - 1) * 6)];
                const int method = s[0], parameter = s[2], target = s[4] | (s[5] << 8);
                const int n = std::snprintf(line, sizeof line, "%d,%s,%d,%d,%s,%d,%s,%d,%s\n", row + 1,
                                            rom::SpeciesNames[std::size_t(row + 1)].data(), slot, method,
                                            rom::MethodNames[method % 28].data(), parameter,
                                            rom::LevelNames[parameter % 101].data(), target,
                                            rom::SpeciesNames[std::size_t(target % 650)].data());
                text.append(line, std::size_t(n));
            }
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
        if (cli::Import(rom, files().csv, false, io) != 0 || out.str() != "0 slots changed\n")
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

// graph and check on the same full table: one read, then the walk over it and the formatting.
void BM_Command(benchmark::State& state, int (*command)(const std::filesystem::path&, cli::Io&))
{
    std::istringstream in;
    for (auto _ : state) {
        std::ostringstream out, err;
        cli::Io io{in, out, err, rom::SystemFiles()};
        if (command(files().small, io) == 2 || out.tellp() <= 0)
            state.SkipWithError("the command failed");
    }
}

void BM_Graph(benchmark::State& state)
{
    BM_Command(state, [](const std::filesystem::path& rom, cli::Io& io) { return cli::Graph(rom, {}, {}, io); });
}

void BM_Check(benchmark::State& state)
{
    BM_Command(state, [](const std::filesystem::path& rom, cli::Io& io) { return cli::Check(rom, {}, io); });
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
BENCHMARK(BM_Graph)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_Check)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    files();
    return bench::runWithRatios(argc, argv,
                                {{"BM_Export_Small", "BM_ExportFloor", 2.0},
                                 {"BM_ImportUnchanged_Small", "BM_ImportFloor", 2.0},
                                 {"BM_Export_Large", "BM_Export_Small", 1.1},
                                 {"BM_ImportUnchanged_Large", "BM_ImportUnchanged_Small", 1.1},
                                 {"BM_Graph", "BM_ExportFloor", 2.0},
                                 {"BM_Check", "BM_ExportFloor", 2.0}});
}
