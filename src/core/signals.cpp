#include "core/signals.h"

#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#include <system_error>

#include "core/file_system.h"
#else
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
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
enum SlotState : int { free_slot = 0, filling = 1, noted = 2, noted_folder = 3 };
constexpr int slot_count = 8;
constexpr std::size_t name_room = 4096;

struct Slot {
    std::atomic<int> state{free_slot};
    NativeChar name[name_room];
};

Slot slots[slot_count];

// The process group or job of the programs the run started, 0 for none.
std::atomic<std::intptr_t> noted_group{0};

#ifdef _WIN32

void remove_folder(const wchar_t* name) {
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(name), error);
}

// The handler runs on a thread of its own, so it may wait for the job's processes to end: a
// process still running holds its files open, and they could not be removed.
void end_noted_children() {
    const auto job = reinterpret_cast<HANDLE>(noted_group.load());
    if (job == nullptr) return;
    ::TerminateJobObject(job, STATUS_CONTROL_C_EXIT);
    for (int waited = 0; waited < 250; ++waited) {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        if (::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting,
                                        nullptr) == 0 ||
            accounting.ActiveProcesses == 0) {
            return;
        }
        ::Sleep(20);
    }
}

#else

// Everything here runs in the signal handler: system calls only, no memory allocated.
struct FolderEntry {
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

constexpr int folder_depth_max = 16;

// Removes the entry `name` of the open folder `parent`, a folder with all it holds.
void remove_entry(int parent, const char* name, int depth) {
    if (::unlinkat(parent, name, 0) == 0 || depth >= folder_depth_max) return;
    const int folder = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder < 0) return;
    // A pass over a folder that loses entries meanwhile may miss some: a few passes take them.
    for (int pass = 0; pass < 4; ++pass) {
        alignas(8) char buffer[2048];
        bool removed = false;
        ::lseek(folder, 0, SEEK_SET);
        for (;;) {
            const long got = ::syscall(SYS_getdents64, folder, buffer, sizeof buffer);
            if (got <= 0) break;
            for (long at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const FolderEntry*>(buffer + at);
                at += entry->length;
                const char* entry_name = entry->name;
                if (entry_name[0] == '.' && (entry_name[1] == '\0' || (entry_name[1] == '.' && entry_name[2] == '\0'))) {
                    continue;
                }
                remove_entry(folder, entry_name, depth + 1);
                removed = true;
            }
        }
        if (!removed) break;
    }
    ::close(folder);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

void remove_folder(const char* name) { remove_entry(AT_FDCWD, name, 0); }

// Asks the group to end, gives its first program two seconds, then ends what is left. The
// program is not reaped, so that its group's number cannot pass to another meanwhile.
void end_noted_children() {
    const auto group = static_cast<pid_t>(noted_group.load());
    if (group <= 0) return;
    ::kill(-group, SIGTERM);
    for (int waited = 0; waited < 100; ++waited) {
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(group), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0) {
            break;
        }
        const struct timespec pause = {0, 20 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
    ::kill(-group, SIGKILL);
}

#endif

void remove_noted_files() {
    end_noted_children();
    for (Slot& slot : slots) {
        const int state = slot.state.load();
        if (state == noted_folder) {
            remove_folder(slot.name);
        } else if (state == noted) {
#ifdef _WIN32
            ::DeleteFileW(slot.name);
#else
            ::unlink(slot.name);
#endif
        }
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

namespace {

int note_name(const std::string& name, SlotState kind) {
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
            slots[i].state.store(kind);
            taken = i;
        }
    }
    return taken;
}

}  // namespace

int note_temporary_file(const std::string& name) { return note_name(name, noted); }

int note_temporary_folder(const std::string& name) { return note_name(name, noted_folder); }

void note_child_processes(std::intptr_t group) { noted_group.store(group); }

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
