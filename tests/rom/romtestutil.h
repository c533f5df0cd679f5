#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "rom/romfile.h"
#include "tests/faultyfiles.h"
#include "rom/slotcodec.h"
#include "rom/supportedgames.h"
#include "tools/sampleimage.h"

namespace romtest {

inline const rom::SupportedGame& irbo() { return rom::kSupportedGames[0]; }
inline const rom::SupportedGame& ireo() { return rom::kSupportedGames[1]; }

inline std::uint64_t tableEnd(const rom::SupportedGame& g)
{
    return rom::TableEnd(g);
}

/// A fresh directory removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("quorvane-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path file(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path& p, std::uint64_t offset, std::size_t n)
{
    std::ifstream in(p, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<std::uint8_t> out(n);
    in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(n));
    out.resize(static_cast<std::size_t>(in.gcount()));
    return out;
}

inline void writeBytes(const std::filesystem::path& p, std::uint64_t offset, const std::vector<std::uint8_t>& b)
{
    std::fstream io(p, std::ios::in | std::ios::out | std::ios::binary);
    io.seekp(static_cast<std::streamoff>(offset));
    io.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

/// An image of the game just big enough for its table plus a little tail.
inline std::filesystem::path makeImage(const TempDir& dir, const rom::SupportedGame& g, const std::string& name = "rom.nds",
                                       std::uint64_t tail = 64)
{
    const auto p = dir.file(name);
    if (const auto created = sample::CreateImage(p, g.code, tableEnd(g) + tail); !created)
        throw std::runtime_error(created.error().reason);
    return p;
}

using faulty::FaultyFileSystem;

}  // namespace romtest
