// Writes a sparse sample ROM image to try the editor on.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "rom/processhandlers.h"
#include "tools/sampleimage.h"

namespace {

void usage(std::FILE* to, const char* program)
{
    std::fprintf(to, "usage: %s [--force] [--full] GAME OUTPUT.nds\n", program);
    std::fprintf(to, "Writes a sparse image of GAME holding a small evolution table, to try the editor on:\n");
    for (const rom::SupportedGame& game : rom::kSupportedGames)
        std::fprintf(to, "  %.*s  %.*s, %llu MiB\n", static_cast<int>(game.code.size()), game.code.data(),
                     static_cast<int>(game.name.size()), game.name.data(),
                     static_cast<unsigned long long>(game.cartridgeSize / rom::kMiB));
    std::fprintf(to, "With --full it holds every evolution of the games instead (%zu slots), to try bulk edits\n"
                     "and checks on.\n",
                 sample::FullSlots().size());
    std::fprintf(to, "An existing OUTPUT.nds is replaced only with --force.\n");
}

// Output that could not be written fails the program, as a failed write of the image does; the reason
// goes to standard error, which may fail too without changing the status.
int flushed(int status)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    std::fprintf(stderr, "quorvane-sample: standard output: %s\n", std::strerror(errno));
    return 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    rom::ExitOnUncaughtException("quorvane-sample");
    rom::IgnoreBrokenPipeSignal();
    bool force = false;
    bool full = false;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            usage(stdout, argv[0]);
            return flushed(0);
        }
        if (arg == "--force") {
            force = true;
        } else if (arg == "--full") {
            full = true;
        } else if (arg.size() > 1 && arg.front() == '-') {
            // Not taken for a file name: a mistyped option must not write anything.
            std::fprintf(stderr, "unknown option '%s'\n", argv[i]);
            usage(stderr, argv[0]);
            return 2;
        } else {
            operands.push_back(argv[i]);
        }
    }
    if (operands.size() != 2) {
        usage(stderr, argv[0]);
        return 2;
    }
    const std::string_view wanted = operands[0];
    const char* output = operands[1];
    const rom::SupportedGame* game =
        wanted.size() == 4 ? rom::FindGame({wanted[0], wanted[1], wanted[2], wanted[3]}) : nullptr;
    if (!game) {
        std::fprintf(stderr, "unknown game code '%s' (use %s)\n", operands[0], rom::SupportedCodes("or").c_str());
        return 2;
    }
    // An existing file may be someone's real ROM: it is replaced only when asked to.
    const auto slots = full ? sample::FullSlots() : sample::SampleSlots();
    if (const auto written = sample::WriteSampleImage(output, *game, force, slots); !written) {
        std::fprintf(stderr, "%s: %s\n", output, written.error().reason.c_str());
        return 1;
    }
    std::printf("wrote %s: %.*s, %llu bytes (sparse)\n", output, static_cast<int>(game->name.size()),
                game->name.data(), static_cast<unsigned long long>(game->cartridgeSize));
    return flushed(0);
}
