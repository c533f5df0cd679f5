#pragma once
// What the tests of every folder share: temporary folders, the one factory of test images, and byte-level
// access to a file and its evolution table. Toolkit-free; the editor's tests add Qt helpers on top.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "rom/slotaddress.h"
#include "rom/supportedgames.h"
#include "tools/sampleimage.h"

namespace testsupport {

inline const rom::SupportedGame& irbo() { return rom::kSupportedGames[0]; }
inline const rom::SupportedGame& ireo() { return rom::kSupportedGames[1]; }

/// A fresh folder, removed with everything in it when the test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path file(const std::string& name) const { return m_path / name; }
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// What a test image's evolution table holds.
enum class Fill {
    Zero,     // nothing: every slot empty
    Pattern,  // every byte of the table and of up to 64 bytes either side differs from its neighbours, so
              // a write one byte off or one word too wide shows
    Sample,   // the sample tool's slots
    Full,     // every evolution of the games, as quorvane-sample --full writes them
};

/// A sparse image of the game ending `tail` bytes past its table. Throws when it cannot be written.
std::filesystem::path makeImage(const std::filesystem::path& path, const rom::SupportedGame& game,
                                Fill fill = Fill::Zero, std::uint64_t tail = 64);
/// The same, as a file of dir.
std::filesystem::path makeImage(const TempDir& dir, const rom::SupportedGame& game, Fill fill = Fill::Zero,
                                const std::string& name = "rom.nds");

/// The absolute offset of a slot's first byte.
inline std::uint64_t slotStart(const rom::SupportedGame& game, rom::SlotAddress address)
{
    return rom::FieldOffset(game.tableBase, address);
}

/// Stores raw words into one slot, as the sample tool does. Throws when it cannot.
void putSlot(const std::filesystem::path& path, const rom::SupportedGame& game, const sample::SampleSlot& slot);

/// Up to n bytes at offset; fewer where the file ends.
std::vector<std::uint8_t> readBytes(const std::filesystem::path& path, std::uint64_t offset, std::size_t n);
void writeBytes(const std::filesystem::path& path, std::uint64_t offset, const std::vector<std::uint8_t>& bytes);
/// Replaces the file's contents.
void writeText(const std::filesystem::path& path, const std::string& text);

/// The game's whole evolution table as stored, and the same written back.
std::vector<std::uint8_t> table(const std::filesystem::path& path, const rom::SupportedGame& game);
void putTable(const std::filesystem::path& path, const rom::SupportedGame& game, const std::vector<std::uint8_t>& bytes);

/// A 16-bit little-endian word at a table offset.
void putWord(std::vector<std::uint8_t>& table, std::size_t at, int value);

/// The text's lines, without their line ends.
std::vector<std::string> lines(const std::string& text);

}  // namespace testsupport

/// Permission bits do not bind root: a GoogleTest test of them skips itself there, and ctest runs it
/// again as nobody (tests/support/run-unprivileged), where it must not skip.
#define SKIP_WHERE_PERMISSIONS_DO_NOT_BIND()                                                              \
    if (::geteuid() == 0) {                                                                               \
        ASSERT_EQ(std::getenv("QUORVANE_UNPRIVILEGED"), nullptr) << "the unprivileged run is still root"; \
        GTEST_SKIP() << "root ignores permission bits; ctest runs this again without privileges";        \
    }
