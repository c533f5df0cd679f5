#pragma once

#include <filesystem>
#include <iosfwd>
#include <string_view>

#include "rom/romfile.h"

namespace cli {

enum Exit { kSuccess = 0, kFailure = 1, kUsage = 2 };

/// Where a command reads and writes: the process's streams in the program, string streams in tests.
/// A stream buffer reports a failed read or write by throwing std::system_error (see fdstream.h).
struct Io {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    rom::FileSystem& files;
};

/// What messages about the command line, and about the program itself, begin with.
inline constexpr std::string_view kProgram = "quorvane-cli";

/// Says a message on io.err, the one way every message is said: what it is about first (a file's
/// name as Shown gives it, "FILE:LINE" for a line of a table, kProgram for the command line), then
/// ": " and what happened, as one line whose control and bidirectional characters are escaped. A
/// message that cannot be written is dropped: it never changes the status the command chose.
void Say(Io& io, std::string_view about, std::string_view what);
/// The same for a message already begun with what it is about ("FILE:LINE: reason").
void Say(Io& io, std::string_view message);

/// Writes the text to io.out and flushes it; a failure (a full disk, a closed descriptor) is reported
/// with the system's reason and is a failed command.
Exit WriteOut(Io& io, std::string_view text);

/// Writes a command's text where -o named: standard output for "" or "-"; a regular file (or one that
/// does not exist yet) is replaced whole, so a failure leaves it as it was; a device or FIFO is written
/// as it is. The ROM itself is refused.
Exit WriteOutput(const std::filesystem::path& romPath, const std::filesystem::path& output, std::string_view text,
                 Io& io);

}  // namespace cli
