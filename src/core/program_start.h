#pragma once
// What a run needs of the system before it starts: its arguments as UTF-8 text, and a console
// that shows that text.

#include <string>
#include <vector>

namespace tarnwick {

// The command line. On Windows it is read from the system's wide-character command line, so that
// a file name in any script arrives whole whatever the code page; elsewhere argv is UTF-8 as the
// system passes it.
class CommandLineArguments {
public:
    CommandLineArguments(int argc, char** argv);
    int count() const { return static_cast<int>(pointers_.size()); }
    const char* const* values() const { return pointers_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<const char*> pointers_;
};

// Standard input, output and error, and every stream opened later, are binary: a line ends in
// LF alone on every system, so that a listing or a report sent to a file holds the same bytes
// everywhere (the Windows console, cmd's and PowerShell's, starts a new line at LF as well).
void use_binary_streams();

// Whether the console window was opened for this run alone: the program was started from the
// desktop (a board dropped on it, say), and its window closes as it ends, before anyone could
// read what it said. Never on other systems, where a terminal outlives its programs.
bool console_opened_for_this_run();

// Asks on the console for Enter and waits for it.
void wait_for_enter();

// On Windows a console shows the program's UTF-8 text as such (its output code page is UTF-8
// while the program runs, and what it was once the program ends); elsewhere nothing to do.
void prepare_console();

}  // namespace tarnwick
