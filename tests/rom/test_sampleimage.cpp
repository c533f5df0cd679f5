#include <gtest/gtest.h>

#include <set>

#include <sys/stat.h>

#include "rom/slotcodec.h"
#include "tests/support/testsupport.h"

using namespace testsupport;

namespace {

class SampleImage : public ::testing::TestWithParam<std::size_t> {};

TEST_P(SampleImage, CoreReadsBackWhatTheWriterStored)
{
    const rom::SupportedGame& g = rom::kSupportedGames[GetParam()];
    TempDir dir;
    const auto p = dir.file("sample.nds");
    ASSERT_TRUE(sample::WriteSampleImage(p, g));

    EXPECT_EQ(std::filesystem::file_size(p), g.code[2] == 'E' ? 512u << 20 : 256u << 20);
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_LT(st.st_blocks * 512, 1 << 20) << "the image should be sparse";

    const auto id = rom::IdentifyRom(p);
    ASSERT_TRUE(id);
    ASSERT_EQ(id->game, &g);
    EXPECT_TRUE(rom::TableFits(g, id->fileSize));

    std::set<rom::ParamKind> kinds;
    for (const sample::SampleSlot& s : sample::SampleSlots()) {
        const auto got = rom::ReadSlot(p, g.code, s.address);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->method, s.method);
        EXPECT_EQ(got->target, s.target);
        const auto kind = rom::KindOf(s.method);
        kinds.insert(kind);
        if (kind == rom::ParamKind::None || kind == rom::ParamKind::Constant)
            EXPECT_FALSE(got->parameter);
        else
            EXPECT_EQ(got->parameter, s.parameter);
    }
    // Levels, stones, trades, happiness, a move and a party member, and Bulbasaur's empty slot 2.
    EXPECT_EQ(kinds.size(), 5u);
    const auto empty = rom::ReadSlot(p, g.code, {0, 2});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->method, 0);
    EXPECT_EQ(empty->target, 0);
}

INSTANTIATE_TEST_SUITE_P(BothGames, SampleImage, ::testing::Values(0, 1), [](const auto& info) {
    return std::string(rom::kSupportedGames[info.param].code.data(), 4);
});

}  // namespace
