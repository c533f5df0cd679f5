// The core's slot read and save against the same system calls made directly, and the same read on
// a small and a cartridge-sized image. A save's sync is measured on its own line.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "bench/ratios.h"
#include "rom/slotcodec.h"
#include "tools/sampleimage.h"

namespace {

const rom::SupportedGame& kGame = rom::kSupportedGames[1];  // IREO, the larger image
constexpr rom::SlotAddress kSlot{132, 1};                   // Eevee's first

struct Images {
    std::filesystem::path small;  // holds the table and nothing past it beyond 1 MiB of tail
    std::filesystem::path large;  // the cartridge's 512 MiB
    Images()
    {
        const auto dir = std::filesystem::temp_directory_path() / ("quorvane-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        small = dir / "small.nds";
        large = dir / "large.nds";
        if (!sample::CreateImage(small, kGame.code, rom::TableEnd(kGame) + (1u << 20)) || !sample::WriteSampleImage(large, kGame))
            throw std::runtime_error("cannot write the benchmark images");
        for (const auto& s : sample::SampleSlots()) {
            if (!sample::PutSlot(small, kGame, s))
                throw std::runtime_error("cannot write the benchmark images");
        }
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
        auto s = rom::ReadSlot(path, kGame.code, kSlot);
        if (!s)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(s);
    }
}

void BM_ReadSlotFloor(benchmark::State& state)
{
    const auto at = rom::FieldOffset(kGame.tableBase, kSlot);
    for (auto _ : state) {
        const int fd = ::open(images().large.c_str(), O_RDWR | O_NONBLOCK);
        struct stat st {};
        char code[4];
        std::uint8_t slot[6];
        bool ok = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::pread(fd, code, 4, 12) == 4 &&
                  ::pread(fd, slot, 6, static_cast<off_t>(at)) == 6;
        ::close(fd);
        if (!ok)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(code);
        benchmark::DoNotOptimize(slot);
    }
}

// The core's file layer with the sync left out: the sync costs tens of microseconds and would hide
// everything else in the ratio, so it is compared on its own below.
class NoSyncFiles final : public rom::FileSystem {
public:
    rom::Result<std::unique_ptr<rom::RomFile>> openReadWrite(const std::filesystem::path& path) override
    {
        auto real = rom::SystemFiles().openReadWrite(path);
        if (!real)
            return real.error();
        return std::unique_ptr<rom::RomFile>(std::make_unique<File>(std::move(*real)));
    }
    rom::Result<std::unique_ptr<rom::RomFile>> openReadOnly(const std::filesystem::path& path) override
    {
        return rom::SystemFiles().openReadOnly(path);
    }

private:
    class File final : public rom::RomFile {
    public:
        explicit File(std::unique_ptr<rom::RomFile> inner) : m_inner(std::move(inner)) {}
        rom::Result<> readAt(std::uint64_t o, std::span<std::uint8_t> b) override { return m_inner->readAt(o, b); }
        rom::Result<> writeAt(std::uint64_t o, std::span<const std::uint8_t> b) override
        {
            return m_inner->writeAt(o, b);
        }
        rom::Result<> reserve(std::uint64_t o, std::uint64_t n) override { return m_inner->reserve(o, n); }
        rom::Result<> lock(std::uint64_t o, std::uint64_t n) override { return m_inner->lock(o, n); }
        rom::Result<> sync() override { return {}; }
        rom::Result<> close() override { return m_inner->close(); }
        rom::Result<std::int64_t> size() override { return m_inner->size(); }

    private:
        std::unique_ptr<rom::RomFile> m_inner;
    };
};

const rom::SlotWrite kSave{8, rom::ParamKind::Item, 84, 134};

// As the editor saves: compared with the bytes last shown, which after a save are the ones written.
void saveSlot(benchmark::State& state, rom::FileSystem& files)
{
    const auto read = rom::ReadSlot(images().large, kGame.code, kSlot);
    if (!read)
        state.SkipWithError("read failed");
    rom::SlotBytes shown = read ? read->bytes : rom::SlotBytes{};
    for (auto _ : state) {
        if (!rom::WriteSlot(images().large, kGame.code, kSlot, kSave, shown, files))
            state.SkipWithError("save failed");
        shown = rom::ComposeSlot(shown, kSave);
    }
}

void BM_SaveSlot(benchmark::State& state)
{
    NoSyncFiles files;
    saveSlot(state, files);
}

void BM_SaveSlotDurable(benchmark::State& state) { saveSlot(state, rom::SystemFiles()); }

// The same system calls made directly: open, file type, lock, game code, size, compare, reserve, one
// write, close.
void saveFloor(benchmark::State& state, bool durable)
{
    const auto at = rom::FieldOffset(kGame.tableBase, kSlot);
    const std::uint8_t slot[6] = {8, 0, 84, 0, 134, 0};
    for (auto _ : state) {
        const int fd = ::open(images().large.c_str(), O_RDWR | O_NONBLOCK);
        struct stat st {};
        struct flock range {};
        range.l_type = F_WRLCK;
        range.l_whence = SEEK_SET;
        range.l_start = static_cast<off_t>(at);
        range.l_len = 6;
        char code[4];
        std::uint8_t now[6];
        bool ok = fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::fcntl(fd, F_OFD_SETLK, &range) == 0 &&
                  ::pread(fd, code, 4, 12) == 4 &&
                  static_cast<std::uint64_t>(::lseek(fd, 0, SEEK_END)) >= at + 6 &&
                  ::pread(fd, now, 6, static_cast<off_t>(at)) == 6 &&
                  ::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(at), 6) == 0 &&
                  ::pwrite(fd, slot, 6, static_cast<off_t>(at)) == 6;
        if (durable)
            ok = ok && ::fdatasync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        if (!ok)
            state.SkipWithError("save failed");
        benchmark::DoNotOptimize(now);
    }
}

void BM_SaveSlotFloor(benchmark::State& state) { saveFloor(state, false); }
void BM_SaveSlotDurableFloor(benchmark::State& state) { saveFloor(state, true); }

void BM_ReadSlot_Large(benchmark::State& state) { BM_ReadSlot(state, images().large); }
void BM_ReadSlot_Small(benchmark::State& state) { BM_ReadSlot(state, images().small); }

}  // namespace

BENCHMARK(BM_ReadSlotFloor)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadSlot_Large)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_ReadSlot_Small)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveSlotFloor)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveSlot)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveSlotDurableFloor)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveSlotDurable)->Repetitions(15)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    images();
    return bench::runWithRatios(argc, argv,
                                {{"BM_ReadSlot_Large", "BM_ReadSlotFloor", 1.3},
                                 {"BM_SaveSlot", "BM_SaveSlotFloor", 1.3},
                                 {"BM_SaveSlotDurable", "BM_SaveSlotDurableFloor", 0},
                                 {"BM_ReadSlot_Large", "BM_ReadSlot_Small", 1.1}});
}
