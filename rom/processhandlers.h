#pragma once
// What a program of the project sets up for its whole process: signals and exceptions nothing catches.

#include <csignal>
#include <iterator>

namespace rom {

/// Makes a write past the process's file-size limit fail with an error instead of killing the
/// program with SIGXFSZ, so a save can report it and undo what it wrote. Call once at start.
void IgnoreFileSizeSignal();

/// Makes a write to a pipe whose reader has gone fail with EPIPE, reported as any failed write, instead
/// of killing the program (after an import wrote its ROM, with its status lost). Call once at start.
void IgnoreBrokenPipeSignal();

/// The signals a user stops a program with, which the classes below hold back or clean up after.
inline constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

/// Makes an exception that nothing catches (in main, in a thread, inside Qt's event loop) end the
/// program with one line "PROGRAM: internal error: WHAT" on standard error and exit status 1, instead
/// of the runtime's abort. Call once at start.
void ExitOnUncaughtException(const char* program);

/// A handler for SIGINT, SIGTERM and SIGHUP while one lives. A signal the user had ignored (nohup's
/// SIGHUP) stays ignored; the old actions come back with the destructor.
class StopSignalHandler {
public:
    StopSignalHandler(const StopSignalHandler&) = delete;
    StopSignalHandler& operator=(const StopSignalHandler&) = delete;

protected:
    StopSignalHandler(void (*handler)(int), int flags);
    ~StopSignalHandler();

private:
    struct sigaction m_old[std::size(kStopSignals)] {};
    bool m_installed[std::size(kStopSignals)] {};
};

/// While one lives, SIGINT, SIGTERM and SIGHUP only set a flag, which a batch of writes reads between
/// two slots: it then stops after the slot in flight, syncs what it wrote and says so, where the
/// signal's default action would end the program between two slots with no word of them.
class DeferredSignals : private StopSignalHandler {
public:
    DeferredSignals();
    /// The signal received since construction, 0 while none has come.
    static const volatile std::sig_atomic_t& Received();
};

/// While one lives, SIGINT, SIGTERM and SIGHUP first remove the file it names, then end the program:
/// a temporary file must not outlive an interrupted write. One at a time.
class RemovedOnSignal : private StopSignalHandler {
public:
    RemovedOnSignal();
    ~RemovedOnSignal();

    /// The file to remove: name (at most 255 bytes) in the folder open as folderFd; nullptr for none.
    /// Call it inside WithStopSignalsHeld, together with the call that creates or renames the file,
    /// so that no signal falls between the two.
    void name(int folderFd, const char* name);
};

sigset_t HoldStopSignals();
void ReleaseStopSignals(const sigset_t& old);

/// Runs work with SIGINT, SIGTERM and SIGHUP held back; they arrive once it is done.
template <typename Work>
void WithStopSignalsHeld(Work&& work)
{
    struct Held {
        sigset_t old = HoldStopSignals();
        ~Held() { ReleaseStopSignals(old); }
    } held;
    work();
}

/// "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
const char* SignalName(int signal);

}  // namespace rom
