// Both programs frame the core's one sentence per error; a kind left out of it, or two kinds sharing
// words, would give the user the wrong reason.
#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "rom/describe.h"

TEST(Describe, EveryKindHasItsOwnSentenceThatCarriesTheReasonAndTheBytesAtRisk)
{
    std::set<std::string> seen;
    for (int k = 0; k <= static_cast<int>(rom::ErrorKind::Interrupted); ++k) {
        const auto kind = static_cast<rom::ErrorKind>(k);
        const std::string bare = rom::Describe({kind, ""});
        ASSERT_FALSE(bare.empty()) << k;
        EXPECT_TRUE(std::islower(static_cast<unsigned char>(bare.front()))) << bare;
        EXPECT_NE(bare.back(), '.') << bare;
        EXPECT_TRUE(seen.insert(bare).second) << "shared by two kinds: " << bare;

        EXPECT_EQ(rom::Describe({kind, "Input/output error"}), bare + ": Input/output error");
        const std::string atRisk = rom::Describe({kind, "No space left on device", rom::ByteRange{110521184, 110521189}});
        EXPECT_EQ(atRisk.rfind(bare + ": No space left on device; ", 0), 0u) << atRisk;
        EXPECT_NE(atRisk.find("bytes 110521184 to 110521189"), std::string::npos) << atRisk;
    }
}
