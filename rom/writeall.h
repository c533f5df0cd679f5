#pragma once

#include <string_view>

namespace rom {

/// Writes every byte of text to the descriptor, retrying short writes and EINTR; 0 when all were
/// written, else the system's error number (EIO for a write that wrote nothing and gave no error).
/// Positioned writes of a save are not for this: PosixFile::writeAt makes one call, so that what a
/// short write landed is known and can be put back.
int WriteAll(int fd, std::string_view text);

}  // namespace rom
