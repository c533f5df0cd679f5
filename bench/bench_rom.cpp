// The core's slot read and save against the same system calls made directly, and the same read on
// a small and a cartridge-sized image.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "bench/ratios.h"
#include "rom/slotcodec.h"
#include "tools/sampleimage.h"

namespace {

const rom::SupportedGame& kGame = rom::kSupportedGames[1];  // IREO, the larger image
constexpr int kRow = 132;                                   // Eevee
constexpr int kSlot = 1;

struct Images {
    std::filesystem::path small;  // holds the table and nothing past it beyond 1 MiB of tail
    std::filesystem::path large;  // the cartridge's 512 MiB
    Images()
    {
        const auto dir = std::filesystem::temp_directory_path() / ("quorvane-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        small = dir / "small.nds";
        large = dir / "large.nds";
        const std::uint64_t tableEnd = kGame.tableBase + 649u * 44u;
        if (sample::CreateImage(small, kGame.code, tableEnd + (1u << 20)) || sample::WriteSampleImage(large, kGame))
            throw std::runtime_error("cannot write the benchmark images");
        for (const auto& s : sample::SampleSlots())
            sample::PutSlot(small, kGame, s);
    }
    ~Images() { std::filesystem::remove_all(small.parent_path()); }
};

Images& images()
{
    static Images i;
    return i;
}

// A real 1 MiB image would not hold the table at its real base; the small image is a 1 MiB window
// ending right after the table, read at the same offsets.
void BM_ReadSlot(benchmark::State& state, const std::filesystem::path& path)
{
    for (auto _ : state) {
        auto s = rom::ReadSlot(path, kGame.code, kRow, kSlot);
        if (!s)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(s);
    }
}

void BM_ReadSlotFloor(benchmark::State& state)
{
    const auto at = rom::FieldOffset(kGame.tableBase, kRow, kSlot, rom::Field::Method);
    for (auto _ : state) {
        const int fd = ::open(images().large.c_str(), O_RDWR);
        std::uint8_t method = 0, param[2], target[2];
        bool ok = fd >= 0 && ::pread(fd, &method, 1, static_cast<off_t>(at)) == 1 &&
                  ::pread(fd, param, 2, static_cast<off_t>(at + 2)) == 2 &&
                  ::pread(fd, target, 2, static_cast<off_t>(at + 4)) == 2;
        ::close(fd);
        if (!ok)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(method);
        benchmark::DoNotOptimize(param);
        benchmark::DoNotOptimize(target);
    }
}

void BM_SaveSlot(benchmark::State& state)
{
    const rom::SlotWrite w{8, rom::ParamKind::Item, 84, 134};
    for (auto _ : state) {
        if (rom::WriteSlot(images().large, kGame.code, kRow, kSlot, w))
            state.SkipWithError("save failed");
    }
}

void BM_SaveSlotFloor(benchmark::State& state)
{
    const auto at = rom::FieldOffset(kGame.tableBase, kRow, kSlot, rom::Field::Method);
    const std::uint8_t method[2] = {8, 0}, param[2] = {84, 0}, target[2] = {134, 0};
    for (auto _ : state) {
        const int fd = ::open(images().large.c_str(), O_RDWR);
        char code[4];
        bool ok = fd >= 0 && ::pread(fd, code, 4, 12) == 4 && ::pwrite(fd, method, 2, static_cast<off_t>(at)) == 2 &&
                  ::pwrite(fd, param, 2, static_cast<off_t>(at + 2)) == 2 &&
                  ::pwrite(fd, target, 2, static_cast<off_t>(at + 4)) == 2;
        // The core hands its bytes to the system before it reports success; so does the floor.
        ok = ok && ::close(fd) == 0;
        if (!ok)
            state.SkipWithError("save failed");
    }
}

// The floor plus the size query the core makes so that it never writes past the end of the file.
void BM_SaveSlotFloorSized(benchmark::State& state)
{
    const auto at = rom::FieldOffset(kGame.tableBase, kRow, kSlot, rom::Field::Method);
    const std::uint8_t method[2] = {8, 0}, param[2] = {84, 0}, target[2] = {134, 0};
    for (auto _ : state) {
        const int fd = ::open(images().large.c_str(), O_RDWR);
        char code[4];
        bool ok = fd >= 0 && ::pread(fd, code, 4, 12) == 4 &&
                  static_cast<std::uint64_t>(::lseek(fd, 0, SEEK_END)) >= at + 6 &&
                  ::pwrite(fd, method, 2, static_cast<off_t>(at)) == 2 &&
                  ::pwrite(fd, param, 2, static_cast<off_t>(at + 2)) == 2 &&
                  ::pwrite(fd, target, 2, static_cast<off_t>(at + 4)) == 2;
        ok = ok && ::close(fd) == 0;
        if (!ok)
            state.SkipWithError("save failed");
    }
}

void BM_ReadSlot_Large(benchmark::State& state) { BM_ReadSlot(state, images().large); }
void BM_ReadSlot_Small(benchmark::State& state) { BM_ReadSlot(state, images().small); }

}  // namespace

BENCHMARK(BM_ReadSlotFloor)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadSlot_Large)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadSlot_Small)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveSlotFloor)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveSlotFloorSized)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveSlot)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    images();
    return bench::runWithRatios(argc, argv,
                                {{"BM_ReadSlot_Large", "BM_ReadSlotFloor", 1.3},
                                 {"BM_SaveSlot", "BM_SaveSlotFloor", 1.3},
                                 {"BM_SaveSlot", "BM_SaveSlotFloorSized", 0},
                                 {"BM_ReadSlot_Large", "BM_ReadSlot_Small", 1.1}});
}
