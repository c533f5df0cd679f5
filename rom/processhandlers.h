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

/// Makes an exception that nothing catches (in main, in a thread, inside Qt's event loop) end the
/// program with one line "PROGRAM: internal error: WHAT" on standard error and exit status 1, instead
/// of the runtime's abort. Call once at start.
void ExitOnUncaughtException(const char* program);

/// While one lives, SIGINT, SIGTERM and SIGHUP only set a flag, which a batch of writes reads between
/// two slots: it then stops after the slot in flight, syncs what it wrote and says so, where the
/// signal's default action would end the program between two slots with no word of them. A signal
/// the user had ignored (nohup's SIGHUP) stays ignored; the old actions come back with the destructor.
class DeferredSignals {
public:
    DeferredSignals();
    /// The signal received since construction, 0 while none has come.
    static const volatile std::sig_atomic_t& Received();
    ~DeferredSignals();

    DeferredSignals(const DeferredSignals&) = delete;
    DeferredSignals& operator=(const DeferredSignals&) = delete;

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_old[std::size(kSignals)] {};
    bool m_installed[std::size(kSignals)] {};
};

/// "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
const char* SignalName(int signal);

}  // namespace rom
