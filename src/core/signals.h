#pragma once
// What the program does when the system signals it: a run that is interrupted (Ctrl-C, kill, a
// closed terminal or console window) ends the programs it started and removes the temporary
// output files and folders it has before it ends as the signal ends a process; past a file size limit a write fails like one to a full disk,
// so that the run reports it and removes its unfinished output, instead of being killed.

#include <cstdint>
#include <string>

namespace tarnwick {

// Installs the handlers, once, at the start of the program. A signal that the program was started
// with ignored (nohup, a background job) stays ignored.
void install_signal_handlers();

// The temporary files that an interruption removes. A file is noted before it can be left
// behind and forgotten once it is gone or has its final name; the slot number (-1 when every
// slot is taken or the name is too long to keep) is what forget_temporary_file takes.
int note_temporary_file(const std::string& name);
void forget_temporary_file(int slot);
// A folder of the run's own, removed with all it holds; forget_temporary_file forgets it.
int note_temporary_folder(const std::string& name);

// The programs the run started and has not yet seen end: a process group (its id) on Linux, a
// job object (its handle) on Windows. An interruption ends them first, so that none is left
// running and none still writes into a folder being removed. 0 forgets them.
void note_child_processes(std::intptr_t group);

// While one lives, an interruption waits: a temporary file is created and noted, or renamed or
// removed and forgotten, as one step.
class InterruptionsHeld {
public:
    InterruptionsHeld();
    ~InterruptionsHeld();
    InterruptionsHeld(const InterruptionsHeld&) = delete;
    InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

private:
    unsigned char saved_[256];  // the signal mask as it was (a sigset_t where there is one)
};

}  // namespace tarnwick
