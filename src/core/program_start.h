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

// On Windows a console shows the program's UTF-8 text as such (its output code page is UTF-8
// while the program runs, and what it was once the program ends); elsewhere nothing to do.
void prepare_console();

}  // namespace tarnwick
