#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "rom/slotcodec.h"
#include "tests/support/faultyfiles.h"
#include "tests/support/testsupport.h"

using namespace testsupport;
using faulty::FaultyFileSystem;

namespace {

rom::GameCode codeOf(const char* s) { return {s[0], s[1], s[2], s[3]}; }

std::string codeText(const rom::GameCode& c) { return std::string(c.data(), c.size()); }

struct GameCase {
    const char* code;
    std::uint64_t base;
    const char* caption;
};

void PrintTo(const GameCase& c, std::ostream* os) { *os << c.code; }

class Identify : public ::testing::TestWithParam<GameCase> {};

TEST_P(Identify, CodeAloneDecidesTheGame)
{
    const GameCase& c = GetParam();
    TempDir dir;
    const auto p = dir.file("any.bin");
    // Only the code is looked at: the rest of the file is junk and far too short for a table.
    ASSERT_TRUE(sample::CreateImage(p, codeOf(c.code), 64));
    writeBytes(p, 0, {0xDE, 0xAD, 0xBE, 0xEF});

    const auto id = rom::IdentifyRom(p);
    ASSERT_TRUE(id);
    ASSERT_NE(id->game, nullptr);
    EXPECT_EQ(codeText(id->code), c.code);
    EXPECT_EQ(id->game->tableBase, c.base);
    EXPECT_EQ(rom::TableBase(id->code), c.base);
    EXPECT_EQ(rom::RomCaption(id->code), c.caption);
    EXPECT_EQ(id->fileSize, 64);
    EXPECT_FALSE(rom::TableFits(*id->game, id->fileSize));
}

INSTANTIATE_TEST_SUITE_P(BothGames, Identify,
                         ::testing::Values(GameCase{"IRBO", 0x6966740, "Pokemon Black (E) : Code (IRBO) "},
                                           GameCase{"IREO", 0xA785288, "Pokemon Black 2 (U) : Code (IREO) "}));

TEST(Identify, NoticeNamesTheGames)
{
    EXPECT_EQ(rom::FindGame(codeOf("IRBO"))->name, "Pokemon Black (E) (IRBO)");
    EXPECT_EQ(rom::FindGame(codeOf("IREO"))->name, "Pokemon Black 2 (U) (IREO)");
}

TEST(Identify, AnyOtherCodeIsUnsupported)
{
    TempDir dir;
    const auto p = dir.file("other.nds");
    for (const char* code : {"irbo", "IRB ", "IRBE", "IREE", "IRE0", " IRB", "IRBo", "BOIR", "\0RBO"}) {
        SCOPED_TRACE(code);
        ASSERT_TRUE(sample::CreateImage(p, codeOf(code), 1 << 20));
        const auto id = rom::IdentifyRom(p);
        ASSERT_TRUE(id);
        EXPECT_EQ(id->game, nullptr);
        EXPECT_EQ(std::string(id->code.data(), 4), std::string(code, 4));
        EXPECT_FALSE(rom::TableBase(id->code));
        EXPECT_EQ(rom::RomCaption(id->code), "");
    }
}

TEST(Identify, FileShorterThanAHeaderIsUnsupportedAndForgetsEarlierCodes)
{
    TempDir dir;
    const auto good = makeImage(dir, irbo());
    ASSERT_TRUE(rom::IdentifyRom(good)->game);

    // 15 bytes that would read "IRB" plus nothing: no byte past the end may be taken for the code.
    for (std::uint64_t size : {0, 1, 12, 15}) {
        SCOPED_TRACE(size);
        const auto p = dir.file("short.nds");
        std::filesystem::remove(p);
        std::ofstream(p, std::ios::binary).write("............IRBO", static_cast<std::streamsize>(size));
        const auto id = rom::IdentifyRom(p);
        ASSERT_TRUE(id);
        EXPECT_EQ(id->game, nullptr);
        EXPECT_EQ(id->code, (rom::GameCode{}));
        EXPECT_EQ(id->fileSize, static_cast<std::int64_t>(size));
    }

    const auto exact = dir.file("sixteen.nds");
    std::ofstream(exact, std::ios::binary).write("............IRBO", 16);
    ASSERT_TRUE(rom::IdentifyRom(exact)->game);
}

TEST(Identify, TableFitsOnlyWhenEveryRecordIsInside)
{
    for (const auto& g : rom::kSupportedGames) {
        EXPECT_TRUE(rom::TableFits(g, static_cast<std::int64_t>(rom::TableEnd(g))));
        EXPECT_FALSE(rom::TableFits(g, static_cast<std::int64_t>(rom::TableEnd(g) - 1)));
        EXPECT_FALSE(rom::TableFits(g, -1));
    }
    EXPECT_EQ(rom::TableEnd(irbo()), 110520128u + 649u * 44u);
    EXPECT_EQ(rom::TableEnd(ireo()), 175657608u + 28556u);
}

TEST(OpenFailures, MissingFileOrDirectoryIsAnErrorNotUnsupported)
{
    TempDir dir;
    const auto missing = dir.file("missing.nds");
    auto id = rom::IdentifyRom(missing);
    ASSERT_FALSE(id);
    EXPECT_EQ(id.error().kind, rom::ErrorKind::CannotOpen);
    EXPECT_EQ(id.error().reason, std::generic_category().message(ENOENT));
    EXPECT_FALSE(std::filesystem::exists(missing)) << "opening must never create the file";

    // Read, a folder opens and is then found to be no regular file; the system refuses to open one for writing.
    id = rom::IdentifyRom(dir.path());
    ASSERT_FALSE(id);
    EXPECT_EQ(id.error().kind, rom::ErrorKind::CannotOpen);
    EXPECT_EQ(id.error().reason, "not a regular file");
    const auto writable = rom::CheckWritable(dir.path());
    ASSERT_FALSE(writable);
    EXPECT_EQ(writable.error().kind, rom::ErrorKind::CannotOpen);
    EXPECT_EQ(writable.error().reason, std::generic_category().message(EISDIR));
}

// A FIFO's open would wait for a writer, and a device reads without end: neither is a ROM image.
TEST(OpenFailures, AnythingButARegularFileIsRefusedAtOnce)
{
    TempDir dir;
    const auto fifo = dir.file("pipe.nds");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::alarm(20);  // a blocking open would hang the test instead of failing it
    for (const auto& path : {fifo, std::filesystem::path("/dev/zero"), dir.path()}) {
        // Identification reads; the check before a save opens for writing.
        const auto id = rom::IdentifyRom(path);
        const auto writable = rom::CheckWritable(path);
        ASSERT_FALSE(id) << path;
        ASSERT_FALSE(writable) << path;
        for (const rom::RomError* error : {&id.error(), &writable.error()}) {
            EXPECT_EQ(error->kind, rom::ErrorKind::CannotOpen);
            if (path != dir.path() || error == &id.error()) {  // a folder opened for writing: EISDIR
                EXPECT_EQ(error->reason, "not a regular file") << path;
            }
        }
    }
    ::alarm(0);
}

TEST(OpenFailures, RefusedOpenCarriesTheSystemsReason)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    FaultyFileSystem fs;
    fs.refuseOpenWith = EACCES;
    const auto id = rom::IdentifyRom(p, fs);
    ASSERT_FALSE(id);
    EXPECT_EQ(id.error().kind, rom::ErrorKind::CannotOpen);
    EXPECT_EQ(id.error().reason, std::generic_category().message(EACCES));
}

TEST(Paths, SpacesAndNonAsciiCharacters)
{
    TempDir dir;
    const auto p = dir.path() / std::filesystem::path(u8"Pokémon Black (copie n°2) ★.nds");
    ASSERT_TRUE(sample::WriteSampleImage(p, irbo()));
    const auto id = rom::IdentifyRom(p);
    ASSERT_TRUE(id);
    ASSERT_TRUE(id->game);
    ASSERT_TRUE(rom::WriteSlot(p, id->code, {3, 2}, {5, rom::ParamKind::Constant, {}, 9}));
    const auto s = rom::ReadSlot(p, id->code, {3, 2});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->method, 5);
    EXPECT_EQ(s->target, 9);
}

}  // namespace
