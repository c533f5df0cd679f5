#include "tests/support/testsupport.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace testsupport {

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    m_path = std::filesystem::temp_directory_path() /
             ("quorvane-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path makeImage(const std::filesystem::path& path, const rom::SupportedGame& game, Fill fill,
                                std::uint64_t tail)
{
    if (const auto created = sample::CreateImage(path, game.code, rom::TableEnd(game) + tail); !created)
        throw std::runtime_error(created.error().reason);
    switch (fill) {
    case Fill::Zero:
        break;
    case Fill::Pattern: {
        constexpr std::int64_t kMargin = 64;
        const std::int64_t after = std::min<std::int64_t>(kMargin, std::int64_t(tail));
        std::vector<std::uint8_t> pattern(std::size_t(kMargin + std::int64_t(rom::kTableBytes) + after));
        for (std::int64_t i = -kMargin; i < std::int64_t(rom::kTableBytes) + after; ++i)
            pattern[std::size_t(i + kMargin)] = static_cast<std::uint8_t>((i * 37 + 11) & 0xFF);
        writeBytes(path, game.tableBase - kMargin, pattern);
        break;
    }
    case Fill::Sample:
    case Fill::Full: {
        const auto slots = fill == Fill::Full ? sample::FullSlots() : sample::SampleSlots();
        if (const auto put = sample::PutSlots(path, game, slots); !put)
            throw std::runtime_error(put.error().reason);
        break;
    }
    }
    return path;
}

std::filesystem::path makeImage(const TempDir& dir, const rom::SupportedGame& game, Fill fill, const std::string& name)
{
    return makeImage(dir.file(name), game, fill);
}

void putSlot(const std::filesystem::path& path, const rom::SupportedGame& game, const sample::SampleSlot& slot)
{
    if (const auto put = sample::PutSlot(path, game, slot); !put)
        throw std::runtime_error(put.error().reason);
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path, std::uint64_t offset, std::size_t n)
{
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<std::uint8_t> out(n);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
    out.resize(static_cast<std::size_t>(in.gcount()));
    return out;
}

void writeBytes(const std::filesystem::path& path, std::uint64_t offset, const std::vector<std::uint8_t>& bytes)
{
    std::fstream io(path, std::ios::in | std::ios::out | std::ios::binary);
    io.seekp(static_cast<std::streamoff>(offset));
    io.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!io.flush())
        throw std::runtime_error("cannot write " + path.string());
}

void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::uint8_t> table(const std::filesystem::path& path, const rom::SupportedGame& game)
{
    return readBytes(path, game.tableBase, rom::kTableBytes);
}

void putTable(const std::filesystem::path& path, const rom::SupportedGame& game, const std::vector<std::uint8_t>& bytes)
{
    writeBytes(path, game.tableBase, bytes);
}

void putWord(std::vector<std::uint8_t>& table, std::size_t at, int value)
{
    table[at] = static_cast<std::uint8_t>(value & 0xFF);
    table[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

}  // namespace testsupport
