#include "rom/supportedgames.h"

namespace rom {

const SupportedGame* FindGame(const GameCode& code)
{
    for (const SupportedGame& game : kSupportedGames) {
        if (game.code == code)
            return &game;
    }
    return nullptr;
}

std::optional<std::uint64_t> TableBase(const GameCode& code)
{
    if (const SupportedGame* game = FindGame(code))
        return game->tableBase;
    return std::nullopt;
}

std::string_view RomCaption(const GameCode& code)
{
    if (const SupportedGame* game = FindGame(code))
        return game->caption;
    return {};
}

std::string_view CodeText(const GameCode& code)
{
    return {code.data(), code.size()};
}

std::string SupportedGames(std::string_view (*part)(const SupportedGame&), std::string_view lastJoin)
{
    std::string out;
    for (std::size_t i = 0; i < kSupportedGames.size(); ++i) {
        if (i > 0)
            out += i + 1 == kSupportedGames.size() ? " " + std::string(lastJoin) + " " : std::string(", ");
        out += part(kSupportedGames[i]);
    }
    return out;
}

std::string SupportedCodes(std::string_view lastJoin)
{
    return SupportedGames([](const SupportedGame& g) { return CodeText(g.code); }, lastJoin);
}

Result<Identification> IdentifyRom(const std::filesystem::path& path, FileSystem& files)
{
    auto opened = files.openReadOnly(path);
    if (!opened)
        return opened.error();
    RomFile& file = **opened;

    Identification id;
    const auto size = file.size();
    if (!size)
        return size.error();
    id.fileSize = *size;
    if (id.fileSize < static_cast<std::int64_t>(kHeaderBytesNeeded))
        return id;  // too short to hold a header: unsupported, nothing read

    std::uint8_t bytes[4];
    if (auto read = file.readAt(kGameCodeOffset, bytes); !read)
        return read.error();
    for (std::size_t i = 0; i < 4; ++i)
        id.code[i] = static_cast<char>(bytes[i]);
    id.game = FindGame(id.code);
    return id;
}

std::uint64_t TableEnd(const SupportedGame& game)
{
    return game.tableBase + kTableBytes;
}

bool TableFits(const SupportedGame& game, std::int64_t fileSize)
{
    return fileSize >= 0 && static_cast<std::uint64_t>(fileSize) >= TableEnd(game);
}

}  // namespace rom
