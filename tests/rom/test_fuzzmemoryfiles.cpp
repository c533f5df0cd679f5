// The fuzz targets' in-memory ROM finds what changed since a mark from the pages it copied before
// their first write, and their properties rest on it: checked against a plain copy of every byte.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "fuzz/memoryfiles.h"

namespace {

TEST(FuzzMemoryFiles, ChangesSinceTheMarkAreExactlyTheBytesThatDiffer)
{
    std::mt19937 rng(26);
    // Four pages far into a sparse file, and writes that cross their edges.
    constexpr std::uint64_t kBase = (1ull << 30) - 300;
    std::uniform_int_distribution<std::uint64_t> offset(kBase, kBase + 4 * fuzzfiles::SparseBytes::kPage);
    std::uniform_int_distribution<int> length(1, 300), byte(0, 3), pick(0, 9);

    fuzzfiles::SparseBytes bytes;
    std::map<std::uint64_t, std::uint8_t> now, atMark;  // every byte written, as it is and as at the mark
    auto marked = [&](std::uint64_t at) { return atMark.count(at) ? atMark[at] : 0; };
    for (int round = 0; round < 300; ++round) {
        if (pick(rng) == 0) {
            bytes.mark();
            atMark = now;
        }
        if (pick(rng) == 0) {
            bytes.undo();
            now = atMark;
        }
        // Few values, so that writes often leave a byte as it was or put it back.
        const std::uint64_t at = offset(rng);
        std::vector<std::uint8_t> written(static_cast<std::size_t>(length(rng)));
        for (auto& b : written)
            b = static_cast<std::uint8_t>(byte(rng));
        if (written.size() == 1)
            bytes.set(at, written[0]);
        else
            bytes.write(at, written);
        for (std::size_t i = 0; i < written.size(); ++i)
            now[at + i] = written[i];

        std::vector<std::uint64_t> expected, listed;
        for (const auto& [o, b] : now)
            if (b != marked(o))
                expected.push_back(o);
        bytes.forEachChange([&](std::uint64_t o) { listed.push_back(o); });
        ASSERT_EQ(listed, expected) << "round " << round;
        EXPECT_EQ(bytes.changed(), !expected.empty());
        for (const auto& [o, b] : now) {
            ASSERT_EQ(bytes.get(o), b);
            ASSERT_EQ(bytes.marked(o), marked(o));
        }
        std::vector<std::uint8_t> read(written.size());
        bytes.read(at, read);
        EXPECT_EQ(read, written);
    }
}

}  // namespace
