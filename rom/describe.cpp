#include "rom/describe.h"

namespace rom {

std::string Describe(const RomError& error)
{
    std::string what;
    switch (error.kind) {
    case ErrorKind::CannotOpen: what = "the file cannot be opened"; break;
    case ErrorKind::ReadFailed: what = "reading the file failed"; break;
    case ErrorKind::OutsideFile: what = "part of the evolution table lies beyond the end of the file"; break;
    case ErrorKind::GameChanged: what = "the file has changed since it was opened"; break;
    case ErrorKind::WriteFailed: what = "writing the file failed"; break;
    case ErrorKind::SyncFailed: what = "the written bytes could not be made safe on the disk"; break;
    case ErrorKind::InvalidSlot: what = "there is no such slot"; break;
    case ErrorKind::SlotChanged: what = "the slot was changed by another program since it was read"; break;
    case ErrorKind::Locked: what = "another program holds a lock on the table"; break;
    case ErrorKind::Interrupted: what = "the writing was interrupted by a signal"; break;
    }
    if (!error.reason.empty())
        what += ": " + error.reason;
    if (error.mayHaveChanged)
        what += "; putting the old bytes back failed too, so bytes " + std::to_string(error.mayHaveChanged->first) +
                " to " + std::to_string(error.mayHaveChanged->last) + " may hold a mix of old and new";
    return what;
}

}  // namespace rom
