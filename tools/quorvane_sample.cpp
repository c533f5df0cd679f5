// Writes a sparse sample ROM image to try the editor on.
#include <cstdio>
#include <string_view>

#include "tools/sampleimage.h"

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IRBO|IREO OUTPUT.nds\n", argv[0]);
        return 2;
    }
    const std::string_view wanted = argv[1];
    const rom::SupportedGame* game = nullptr;
    for (const rom::SupportedGame& g : rom::kSupportedGames) {
        if (wanted == std::string_view(g.code.data(), g.code.size()))
            game = &g;
    }
    if (!game) {
        std::fprintf(stderr, "unknown game code '%s' (use IRBO or IREO)\n", argv[1]);
        return 2;
    }
    if (auto err = sample::WriteSampleImage(argv[2], *game)) {
        std::fprintf(stderr, "%s: %s\n", argv[2], err->c_str());
        return 1;
    }
    std::printf("wrote %s: %.*s, %llu bytes (sparse)\n", argv[2], static_cast<int>(game->name.size()),
                game->name.data(), static_cast<unsigned long long>(sample::CartridgeSize(*game)));
    return 0;
}
