#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>

#include "rom/slotcodec.h"
#include "tests/support/faultyfiles.h"
#include "tests/support/randomtable.h"
#include "tests/support/testsupport.h"

using namespace testsupport;
using faulty::FaultyFileSystem;
using rom::Field;
using rom::ParamKind;

namespace {

std::vector<std::uint8_t> le(std::initializer_list<std::uint16_t> words)
{
    std::vector<std::uint8_t> out;
    for (auto w : words) {
        out.push_back(static_cast<std::uint8_t>(w & 0xFF));
        out.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return out;
}

// ---- addressing ---------------------------------------------------------------------------

TEST(Addressing, FieldOffsetsOnBothBases)
{
    EXPECT_EQ(rom::FieldOffset(irbo().tableBase, {0, 1}, Field::Method), 110520128u);
    EXPECT_EQ(rom::FieldOffset(irbo().tableBase, {0, 1}, Field::Parameter), 110520128u + 2);
    EXPECT_EQ(rom::FieldOffset(irbo().tableBase, {0, 1}, Field::Target), 110520128u + 4);
    EXPECT_EQ(rom::FieldOffset(ireo().tableBase, {1, 7}, Field::Method), 175657608u + 44 + 36);
    EXPECT_EQ(rom::FieldOffset(ireo().tableBase, {10, 3}, Field::Target), 175657608u + 440 + 12 + 4);
    EXPECT_EQ(rom::FieldOffset(irbo().tableBase, {648, 7}, Field::Target), 110520128u + 648 * 44 + 36 + 4);
}

TEST(Addressing, ReadAndWriteLandOnTheSameBytesAsTheTable)
{
    // Each slot gets its own marker straight into the file; the codec must find it where the table puts it.
    constexpr rom::SlotAddress kSpread[] = {{0, 1}, {1, 7}, {10, 3}, {320, 4}, {648, 7}};
    for (const auto* g : {&irbo(), &ireo()}) {
        TempDir dir;
        const auto p = makeImage(dir, *g);
        for (const rom::SlotAddress at : kSpread) {
            const auto target = static_cast<std::uint16_t>(at.speciesRow() * 8 + at.slot());
            writeBytes(p, slotStart(*g, at), le({5, 0, target}));
        }
        for (const rom::SlotAddress at : kSpread) {
            const auto s = rom::ReadSlot(p, g->code, at);
            ASSERT_TRUE(s);
            EXPECT_EQ(s->method, 5);
            EXPECT_EQ(s->target, at.speciesRow() * 8 + at.slot()) << "row " << at.speciesRow() << " slot " << at.slot();
        }
    }
}

// Every row and slot a caller could pass, the extremes included: an address exists exactly for rows
// 0-648 and slots 1-7, so no offset computed from one can wrap or leave the table.
TEST(Addressing, OnlyRowsAndSlotsInsideTheTableMakeAnAddress)
{
    std::vector<int> rows{INT_MIN, -32768, 32767, INT_MAX}, slots{INT_MIN, -7, -1, 14, INT_MAX};
    for (int row = -20; row < 680; ++row)
        rows.push_back(row);
    for (int slot = 0; slot <= 8; ++slot)
        slots.push_back(slot);
    int made = 0;
    for (const int row : rows) {
        for (const int slot : slots) {
            const auto at = rom::SlotAddress::Of(row, slot);
            const bool inside = row >= 0 && row <= 648 && slot >= 1 && slot <= 7;
            ASSERT_EQ(bool(at), inside) << "row " << row << " slot " << slot;
            if (!inside) {
                EXPECT_EQ(at.error().kind, rom::ErrorKind::InvalidSlot);
                EXPECT_EQ(at.error().reason, "species row " + std::to_string(row) + ", slot " + std::to_string(slot));
                continue;
            }
            ++made;
            EXPECT_EQ(at->speciesRow(), row);
            EXPECT_EQ(at->species(), row + 1);
            EXPECT_EQ(at->slot(), slot);
            EXPECT_EQ(at->offset(Field::Target), std::uint64_t(44 * row + 6 * (slot - 1) + 4));
        }
    }
    EXPECT_EQ(made, 649 * 7);
}

// The walk over the whole table meets each slot once, in file order; a row's walk its seven.
TEST(Addressing, WalksGoInFileOrder)
{
    std::vector<std::uint64_t> offsets;
    for (const rom::SlotAddress at : rom::SlotAddress::All())
        offsets.push_back(at.offset());
    ASSERT_EQ(offsets.size(), 649u * 7);
    EXPECT_EQ(offsets.front(), 0u);
    EXPECT_EQ(offsets.back(), 648u * 44 + 36);
    for (std::size_t i = 1; i < offsets.size(); ++i)
        ASSERT_EQ(offsets[i] - offsets[i - 1], i % 7 ? 6u : 8u) << "step " << i;  // 8: past a record's 2-byte tail

    for (const int row : {-1, 0, 132, 648, 649}) {
        std::vector<int> slots;
        for (const rom::SlotAddress at : rom::SlotAddress::OfRow(row)) {
            EXPECT_EQ(at.speciesRow(), row);
            slots.push_back(at.slot());
        }
        EXPECT_EQ(slots, (row < 0 || row > 648 ? std::vector<int>{} : std::vector<int>{1, 2, 3, 4, 5, 6, 7})) << row;
    }
}

// ---- reading ------------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::uint16_t method, parameter, target;
    int wantMethod;
    std::optional<int> wantParameter;
    int wantTarget;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadWidths : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadWidths, EachFieldIsReadWithItsWidth)
{
    const ReadCase& c = GetParam();
    TempDir dir;
    const auto p = makeImage(dir, ireo());
    writeBytes(p, slotStart(ireo(), {7, 2}), le({c.method, c.parameter, c.target}));
    const auto s = rom::ReadSlot(p, ireo().code, {7, 2});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->method, c.wantMethod);
    EXPECT_EQ(s->parameter, c.wantParameter);
    EXPECT_EQ(s->target, c.wantTarget);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, ReadWidths,
    ::testing::Values(
        // The method's high byte is never read.
        ReadCase{"MethodLowByteOnly", 0x0104, 0x0010, 0x0002, 4, 16, 2},
        // A level is one byte; its high byte is never read either.
        ReadCase{"LevelLowByte", 0x0004, 0x0120, 0x0102, 4, 32, 0x0102},
        ReadCase{"LevelAbove100", 0x0017, 0xABFA, 0x0010, 23, 0xFA, 16},
        // Items, moves and species are signed 16-bit words, as is the target.
        ReadCase{"ItemSigned", 0x0008, 0xFFFE, 0x8001, 8, -2, -32767},
        ReadCase{"ItemAboveList", 0x0013, 0x02BC, 0x0000, 19, 700, 0},
        ReadCase{"MoveWord", 0x0015, 0x0102, 0x01D9, 21, 258, 473},
        ReadCase{"SpeciesWord", 0x0016, 0x00DF, 0x00E2, 22, 223, 226},
        // No parameter is read for None and Constant, however the word is filled.
        ReadCase{"NoneReadsNoParameter", 0x0000, 0x1234, 0x0003, 0, std::nullopt, 3},
        ReadCase{"ConstantReadsNoParameter", 0x0009, 0x0014, 0x006A, 9, std::nullopt, 106},
        ReadCase{"UnknownMethodIsConstant", 0x00C8, 0x7777, 0xFFFF, 200, std::nullopt, -1},
        ReadCase{"UnknownMethodByHighByteOnly", 0x0100, 0x5555, 0x0001, 0, std::nullopt, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- writing ------------------------------------------------------------------------------

struct WriteCase {
    const char* name;
    rom::SlotWrite values;
    std::vector<std::uint8_t> want;  // the slot's six bytes afterwards
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class WriteRules : public ::testing::TestWithParam<WriteCase> {};

// Every byte of the slot and its neighbours differs, so a misplaced or swapped byte shows.
const std::vector<std::uint8_t> kStored = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};

TEST_P(WriteRules, OnlyTheSlotChangesAndAsTheRuleSays)
{
    const WriteCase& c = GetParam();
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    const auto slot = slotStart(irbo(), {10, 3});
    std::vector<std::uint8_t> around(64);
    for (std::size_t i = 0; i < around.size(); ++i)
        around[i] = static_cast<std::uint8_t>(0x40 + i);
    writeBytes(p, slot - 29, around);
    writeBytes(p, slot, kStored);
    const auto before = readBytes(p, slot - 29, 64);
    const auto size = std::filesystem::file_size(p);

    ASSERT_TRUE(rom::WriteSlot(p, irbo().code, {10, 3}, c.values));

    auto want = before;
    std::copy(c.want.begin(), c.want.end(), want.begin() + 29);
    EXPECT_EQ(readBytes(p, slot - 29, 64), want);
    EXPECT_EQ(std::filesystem::file_size(p), size);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, WriteRules,
    ::testing::Values(
        WriteCase{"Level", {4, ParamKind::Level, 32, 2}, {0x04, 0x00, 0x20, 0x00, 0x02, 0x00}},
        WriteCase{"Item", {8, ParamKind::Item, 626, 26}, {0x08, 0x00, 0x72, 0x02, 0x1A, 0x00}},
        WriteCase{"Species", {22, ParamKind::Species, 649, 226}, {0x16, 0x00, 0x89, 0x02, 0xE2, 0x00}},
        WriteCase{"Move", {21, ParamKind::Move, 559, 473}, {0x15, 0x00, 0x2F, 0x02, 0xD9, 0x01}},
        // Constant methods store a zero parameter whatever was there.
        WriteCase{"ConstantZeroesParameter", {9, ParamKind::Constant, {}, 106}, {0x09, 0x00, 0x00, 0x00, 0x6A, 0x00}},
        // Method None leaves the parameter word and still writes the target.
        WriteCase{"NoneLeavesParameter", {0, ParamKind::None, 77, 5}, {0x00, 0x00, 0xA3, 0xA4, 0x05, 0x00}},
        // An absent value keeps the stored word exactly.
        WriteCase{"AbsentMethodAndTarget", {{}, ParamKind::Item, 1, {}}, {0xA1, 0xA2, 0x01, 0x00, 0xA5, 0xA6}},
        WriteCase{"AbsentParameter", {4, ParamKind::Level, {}, 0}, {0x04, 0x00, 0xA3, 0xA4, 0x00, 0x00}},
        WriteCase{"NegativeIsTheSameWord", {6, ParamKind::Item, -2, -1}, {0x06, 0x00, 0xFE, 0xFF, 0xFF, 0xFF}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteRules, RoundTripNormalisesHighBytes)
{
    // 0x0104 reads as method 4 and 0x0120 as level 32; saving them back stores 0x0004 and 0x0020.
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    writeBytes(p, slotStart(irbo(), {0, 1}), le({0x0104, 0x0120, 0x0002}));
    const auto s = rom::ReadSlot(p, irbo().code, {0, 1});
    ASSERT_TRUE(s);
    ASSERT_TRUE(rom::WriteSlot(p, irbo().code, {0, 1}, {s->method, rom::KindOf(s->method), s->parameter, s->target}));
    EXPECT_EQ(readBytes(p, slotStart(irbo(), {0, 1}), 6), le({0x0004, 0x0020, 0x0002}));
}

TEST(WriteRules, ManyRandomSavesTouchOnlyTheirSixBytes)
{
    for (const auto* g : {&irbo(), &ireo()}) {
        TempDir dir;
        const auto p = makeImage(dir.file("rom.nds"), *g, Fill::Zero, 100);
        const std::uint64_t from = g->tableBase - 100;
        const std::size_t span = 100 + 649 * 44 + 100;

        std::mt19937 rng(20261207);
        std::vector<std::uint8_t> model(span);
        for (auto& b : model)
            b = static_cast<std::uint8_t>(rng());
        writeBytes(p, from, model);
        const auto header = readBytes(p, 0, 16);
        const auto size = std::filesystem::file_size(p);

        const ParamKind kinds[] = {ParamKind::None, ParamKind::Level, ParamKind::Item,
                                   ParamKind::Species, ParamKind::Move, ParamKind::Constant};
        for (int i = 0; i < 400; ++i) {
            const int row = static_cast<int>(rng() % 649);
            const auto address = rom::SlotAddress::Of(row, static_cast<int>(rng() % 7) + 1);
            ASSERT_TRUE(address);
            rom::SlotWrite w;
            if (rng() % 8)
                w.method = static_cast<int>(rng() % 28);
            w.kind = kinds[rng() % 6];
            if (rng() % 8)
                w.parameter = static_cast<int>(rng() % 700);
            if (rng() % 8)
                w.target = static_cast<int>(rng() % 650);
            ASSERT_TRUE(rom::WriteSlot(p, g->code, *address, w));

            const std::size_t at = static_cast<std::size_t>(slotStart(*g, *address) - from);
            auto put = [&](std::size_t off, int v) {
                model[at + off] = static_cast<std::uint8_t>(v & 0xFF);
                model[at + off + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
            };
            if (w.method)
                put(0, *w.method);
            if (w.kind == ParamKind::Constant) {
                put(2, 0);
            } else if (w.kind != ParamKind::None && w.parameter) {
                put(2, *w.parameter);
            }
            if (w.target)
                put(4, *w.target);
            if (i % 50 == 49 || i < 5) {
                ASSERT_EQ(readBytes(p, from, span), model) << "after save " << i;
            }
        }
        EXPECT_EQ(readBytes(p, from, span), model);
        EXPECT_EQ(readBytes(p, 0, 16), header);
        EXPECT_EQ(std::filesystem::file_size(p), size);
    }
}

TEST(WriteRules, RecordTailBytesSurviveSavesOfEverySlot)
{
    TempDir dir;
    const auto p = makeImage(dir, ireo());
    for (const rom::SlotAddress first : {rom::SlotAddress{0, 1}, {1, 1}, {648, 1}}) {
        const auto tail = slotStart(ireo(), first) + 42;
        writeBytes(p, tail, {0xEE, 0xDD});
        for (const rom::SlotAddress at : rom::SlotAddress::OfRow(first.speciesRow()))
            ASSERT_TRUE(rom::WriteSlot(p, ireo().code, at, {27, ParamKind::Constant, {}, 649}));
        EXPECT_EQ(readBytes(p, tail, 2), (std::vector<std::uint8_t>{0xEE, 0xDD}));
        EXPECT_EQ(readBytes(p, tail - 6, 6), le({27, 0, 649})) << "slot 7 ends where the tail starts";
    }
}

// ---- short, replaced and failing files ------------------------------------------------------

// One odd slot kind per row of the table; the count decides at 1% of the table's 4,543 slots.
TEST(Layout, SlotsNoGameWritesAreCountedAndMoreThanOnePercentLooksMoved)
{
    struct Case {
        int method, target;
        bool odd;
    };
    const Case kinds[] = {{27, 649, false}, {0, 0, false}, {0x0104, 0, false},  // a high byte is not read
                          {28, 1, true},    {255, 1, true}, {4, -1, true},      {4, 650, true}};
    for (const Case& k : kinds) {
        for (const int count : {45, 46}) {
            rom::EvolutionTable table{std::vector<std::uint8_t>(rom::kTableBytes)};
            int placed = 0;
            for (const rom::SlotAddress at : rom::SlotAddress::All()) {
                if (placed++ == count)
                    break;
                putWord(table.bytes, at.offset(Field::Method), k.method);
                putWord(table.bytes, at.offset(Field::Target), k.target);
            }
            const rom::TableLayout layout = rom::CheckLayout(table);
            EXPECT_EQ(layout.oddSlots, k.odd ? count : 0) << k.method << " " << k.target;
            EXPECT_EQ(layout.looksMoved(), k.odd && count == 46) << k.method << " " << k.target << " x" << count;
        }
    }
}

// The count reads two fields in place rather than decoding each slot: it must agree with DecodeSlot
// on every slot, stray high bytes and negative targets included.
TEST(Layout, CountAgreesWithTheDecodedSlotsOfRandomTables)
{
    std::mt19937 rng(26);
    for (int round = 0; round < 20; ++round) {
        const rom::EvolutionTable table{randomTable(rng)};
        int odd = 0;
        for (const rom::SlotAddress at : rom::SlotAddress::All()) {
            const rom::EvolutionSlot slot = rom::DecodeSlot(table.slot(at));
            odd += slot.method > 27 || slot.target < 0 || slot.target > rom::kSpeciesRows;
        }
        EXPECT_EQ(rom::CheckLayout(table).oddSlots, odd) << "round " << round;
    }
}

TEST(ShortFiles, SlotPastTheEndIsNeitherReadNorWritten)
{
    TempDir dir;
    const auto p = dir.file("short.nds");
    const auto end = slotStart(irbo(), {5, 2}) + 6;
    for (std::uint64_t size : {end - 1, end - 3, end - 6, std::uint64_t(irbo().tableBase)}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(sample::CreateImage(p, irbo().code, size));
        const auto before = readBytes(p, end - 16, 16);

        const auto s = rom::ReadSlot(p, irbo().code, {5, 2});
        ASSERT_FALSE(s);
        EXPECT_EQ(s.error().kind, rom::ErrorKind::OutsideFile);

        const auto saved = rom::WriteSlot(p, irbo().code, {5, 2}, {4, ParamKind::Level, 20, 3});
        ASSERT_FALSE(saved);
        EXPECT_EQ(saved.error().kind, rom::ErrorKind::OutsideFile);
        EXPECT_EQ(std::filesystem::file_size(p), size);
        EXPECT_EQ(readBytes(p, end - 16, 16), before);
    }

    // Ending exactly at the slot's last byte is enough.
    ASSERT_TRUE(sample::CreateImage(p, irbo().code, end));
    ASSERT_TRUE(rom::WriteSlot(p, irbo().code, {5, 2}, {4, ParamKind::Level, 20, 3}));
    EXPECT_EQ(rom::ReadSlot(p, irbo().code, {5, 2})->target, 3);
    EXPECT_EQ(std::filesystem::file_size(p), end);
}

TEST(ReplacedFiles, NotWrittenWhenTheGameCodeChanged)
{
    TempDir dir;
    const auto p = makeImage(dir, ireo());
    const auto id = rom::IdentifyRom(p);
    ASSERT_TRUE(id && id->game);

    // Another game copied over it, then one too short for a header.
    ASSERT_TRUE(sample::CreateImage(p, irbo().code, rom::TableEnd(ireo()) + 64));
    const auto before = readBytes(p, slotStart(ireo(), {2, 2}), 6);
    auto saved = rom::WriteSlot(p, id->code, {2, 2}, {5, ParamKind::Constant, {}, 5});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, rom::ErrorKind::GameChanged);
    EXPECT_EQ(readBytes(p, slotStart(ireo(), {2, 2}), 6), before);

    std::filesystem::resize_file(p, 14);
    saved = rom::WriteSlot(p, id->code, {2, 2}, {5, ParamKind::Constant, {}, 5});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, rom::ErrorKind::GameChanged);
    EXPECT_EQ(std::filesystem::file_size(p), 14u);
}

TEST(FailingFiles, MissingFileIsNeitherReadNorCreated)
{
    TempDir dir;
    const auto p = dir.file("gone.nds");
    EXPECT_EQ(rom::ReadSlot(p, irbo().code, {0, 1}).error().kind, rom::ErrorKind::CannotOpen);
    const auto saved = rom::WriteSlot(p, irbo().code, {0, 1}, {4, ParamKind::Level, 16, 2});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, rom::ErrorKind::CannotOpen);
    EXPECT_FALSE(std::filesystem::exists(p));
}

TEST(FailingFiles, RefusedOpenIsReportedWithItsReason)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    FaultyFileSystem fs;
    fs.refuseOpenWith = EROFS;
    const auto r = rom::ReadSlot(p, irbo().code, {0, 1}, fs);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().reason, std::generic_category().message(EROFS));
    const auto w = rom::WriteSlot(p, irbo().code, {0, 1}, {4, ParamKind::Level, 16, 2}, fs);
    ASSERT_FALSE(w);
    EXPECT_EQ(w.error().kind, rom::ErrorKind::CannotOpen);
    EXPECT_EQ(w.error().reason, std::generic_category().message(EROFS));
}

TEST(FailingFiles, EveryOperationClosesTheFileItOpened)
{
    // Nothing is kept open: the file can be replaced between two operations and the next one sees it.
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    writeBytes(p, slotStart(irbo(), {0, 1}), le({4, 16, 2}));
    ASSERT_EQ(rom::ReadSlot(p, irbo().code, {0, 1})->target, 2);
    writeBytes(p, slotStart(irbo(), {0, 1}), le({4, 16, 3}));
    EXPECT_EQ(rom::ReadSlot(p, irbo().code, {0, 1})->target, 3);
}

// Every read opens the file for reading only: a file that became write-protected after it was
// identified still reads, and only what writes (or checks it could) is refused.
TEST(FailingFiles, ReadsNeedNoWriteAccess)
{
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    writeBytes(p, slotStart(irbo(), {0, 1}), le({4, 16, 2}));
    FaultyFileSystem fs;
    fs.refuseWritingWith = EACCES;
    const auto id = rom::IdentifyRom(p, fs);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->game, &irbo());
    const auto slot = rom::ReadSlot(p, irbo().code, {0, 1}, fs);
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->target, 2);
    EXPECT_TRUE(rom::ReadTable(p, irbo().code, fs));
    for (const rom::Result<>& refused :
         {rom::CheckWritable(p, fs), rom::WriteSlot(p, irbo().code, {0, 1}, {5, ParamKind::Constant, {}, 3}, fs)}) {
        ASSERT_FALSE(refused);
        EXPECT_EQ(refused.error().kind, rom::ErrorKind::CannotOpen);
        EXPECT_EQ(refused.error().reason, std::generic_category().message(EACCES));
    }
    EXPECT_EQ(readBytes(p, slotStart(irbo(), {0, 1}), 6), le({4, 16, 2}));
}

// Run without privileges by ctest (root writes through any permission bits).
TEST(Permissions, ReadOnlyFileIsNotOpenedForWriting)
{
    SKIP_WHERE_PERMISSIONS_DO_NOT_BIND();
    TempDir dir;
    const auto p = makeImage(dir, irbo());
    std::filesystem::permissions(p, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                        std::filesystem::perms::others_read);
    const auto before = readBytes(p, slotStart(irbo(), {0, 1}), 6);
    const auto id = rom::IdentifyRom(p);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->game, &irbo());
    EXPECT_TRUE(rom::ReadSlot(p, irbo().code, {0, 1}));
    const auto writable = rom::CheckWritable(p);
    ASSERT_FALSE(writable);
    EXPECT_EQ(writable.error().kind, rom::ErrorKind::CannotOpen);
    EXPECT_EQ(writable.error().reason, std::generic_category().message(EACCES));
    const auto saved = rom::WriteSlot(p, irbo().code, {0, 1}, {4, ParamKind::Level, 16, 2});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error().kind, rom::ErrorKind::CannotOpen);
    EXPECT_EQ(readBytes(p, slotStart(irbo(), {0, 1}), 6), before);
}

}  // namespace
