#pragma once

#include <string>

#include "rom/result.h"

namespace rom {

/// What went wrong, as one sentence without a capital or a full stop and without the file's name, for
/// every program to frame in its own words: the kind, the system's reason where it gave one, and the
/// bytes at risk where a failed write could not be undone.
std::string Describe(const RomError& error);

}  // namespace rom
