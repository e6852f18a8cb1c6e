#include "core/signals.h"

#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include "core/file_system.h"
#else
#include <unistd.h>
#endif

namespace tarnwick {

namespace {

#ifdef _WIN32
using NativeChar = wchar_t;
#else
using NativeChar = char;
#endif

// A fixed table, so that the handler neither allocates nor follows memory that may be freed
// under it: a name is written while its slot is `filling` and read only once it is `noted`.
enum SlotState : int { free_slot = 0, filling = 1, noted = 2 };
constexpr int slot_count = 8;
constexpr std::size_t name_room = 4096;

struct Slot {
    std::atomic<int> state{free_slot};
    NativeChar name[name_room];
};

Slot slots[slot_count];

void remove_noted_files() {
    for (Slot& slot : slots) {
        if (slot.state.load() != noted) continue;
#ifdef _WIN32
        ::DeleteFileW(slot.name);
#else
        ::unlink(slot.name);
#endif
    }
}

#ifdef _WIN32

// The handler runs on a thread of its own: the lock, held by the program while it creates, renames
// or removes a noted file, keeps the handler from the table meanwhile, and the program from
// creating a file once the handler has begun.
SRWLOCK table_lock = SRWLOCK_INIT;

BOOL WINAPI on_console_event(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    ::AcquireSRWLockExclusive(&table_lock);
    // A file still open is deleted when its handle closes, which ending the process does.
    remove_noted_files();
    // The status Windows gives a console program that Ctrl-C ends.
    ::TerminateProcess(::GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

#else

constexpr int handled_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

extern "C" void on_signal(int signal_number) {
    remove_noted_files();
    // Ends the process as the signal would have: the parent sees the same status.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
    sigset_t pending;
    sigemptyset(&pending);
    sigaddset(&pending, signal_number);
    sigprocmask(SIG_UNBLOCK, &pending, nullptr);
    _exit(128 + signal_number);
}

sigset_t handled_set() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal_number : handled_signals) sigaddset(&set, signal_number);
    return set;
}

#endif

}  // namespace

void install_signal_handlers() {
#ifdef _WIN32
    ::SetConsoleCtrlHandler(on_console_event, TRUE);
#else
    std::signal(SIGXFSZ, SIG_IGN);
    struct sigaction action {};
    action.sa_handler = on_signal;
    action.sa_mask = handled_set();
    for (const int signal_number : handled_signals) {
        struct sigaction current {};
        if (sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        sigaction(signal_number, &action, nullptr);
    }
#endif
}

int note_temporary_file(const std::string& name) {
#ifdef _WIN32
    const std::wstring native = widened(name);
#else
    const std::string& native = name;
#endif
    int taken = -1;
    if (native.size() < name_room) {
        for (int i = 0; i < slot_count && taken < 0; ++i) {
            int expected = free_slot;
            if (!slots[i].state.compare_exchange_strong(expected, filling)) continue;
            std::memcpy(slots[i].name, native.c_str(), (native.size() + 1) * sizeof(NativeChar));
            slots[i].state.store(noted);
            taken = i;
        }
    }
    return taken;
}

void forget_temporary_file(int slot) {
    if (slot >= 0 && slot < slot_count) slots[slot].state.store(free_slot);
}

#ifdef _WIN32

InterruptionsHeld::InterruptionsHeld() : saved_{} { ::AcquireSRWLockExclusive(&table_lock); }
InterruptionsHeld::~InterruptionsHeld() { ::ReleaseSRWLockExclusive(&table_lock); }

#else

InterruptionsHeld::InterruptionsHeld() : saved_{} {
    static_assert(sizeof(sigset_t) <= sizeof saved_, "room for the signal mask");
    const sigset_t held = handled_set();
    sigset_t saved;
    sigprocmask(SIG_BLOCK, &held, &saved);
    std::memcpy(saved_, &saved, sizeof saved);
}

InterruptionsHeld::~InterruptionsHeld() {
    sigset_t saved;
    std::memcpy(&saved, saved_, sizeof saved);
    sigprocmask(SIG_SETMASK, &saved, nullptr);
}

#endif

}  // namespace tarnwick
