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

/// Writes a command's text where -o named: standard output for "" or "-". /dev/stdout, /dev/stderr,
/// /dev/fd/N and /proc/self/fd/N are written as the descriptor is, and so is anything else that is
/// not a regular file (a device, a FIFO). A regular file, or a name with no file yet, is replaced
/// whole through a temporary file, so that a failure leaves it as it was; it keeps its mode, and its
/// owner, group and extended attributes where the system allows. Refused, with nothing written: the
/// ROM itself, a file this user could not open for writing, and a symbolic link that the kernel's
/// fs.protected_symlinks rule would not follow (in a sticky folder anyone may write, one owned by
/// neither this user nor the folder's owner).
Exit WriteOutput(const std::filesystem::path& romPath, const std::filesystem::path& output, std::string_view text,
                 Io& io);

}  // namespace cli
