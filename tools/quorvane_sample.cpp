// Writes a sparse sample ROM image to try the editor on.
#include <cstdio>
#include <string_view>

#include "rom/romfile.h"
#include "tools/sampleimage.h"

int main(int argc, char* argv[])
{
    rom::ExitOnUncaughtException("quorvane-sample");
    const bool force = argc == 4 && std::string_view(argv[1]) == "--force";
    if (argc != 3 && !force) {
        std::fprintf(stderr, "usage: %s [--force] IRBO|IREO OUTPUT.nds\n", argv[0]);
        return 2;
    }
    const std::string_view wanted = argv[argc - 2];
    const char* output = argv[argc - 1];
    const rom::SupportedGame* game = nullptr;
    for (const rom::SupportedGame& g : rom::kSupportedGames) {
        if (wanted == std::string_view(g.code.data(), g.code.size()))
            game = &g;
    }
    if (!game) {
        std::fprintf(stderr, "unknown game code '%s' (use IRBO or IREO)\n", argv[argc - 2]);
        return 2;
    }
    // An existing file may be someone's real ROM: it is replaced only when asked to.
    if (auto err = sample::WriteSampleImage(output, *game, force)) {
        std::fprintf(stderr, "%s: %s\n", output, err->c_str());
        return 1;
    }
    std::printf("wrote %s: %.*s, %llu bytes (sparse)\n", output, static_cast<int>(game->name.size()),
                game->name.data(), static_cast<unsigned long long>(sample::CartridgeSize(*game)));
    return 0;
}
