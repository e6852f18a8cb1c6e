#include "core/program_start.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "core/file_system.h"
#endif

namespace tarnwick {

#ifdef _WIN32

namespace {

UINT code_page_before = 0;

void restore_code_page() {
    if (code_page_before != 0) ::SetConsoleOutputCP(code_page_before);
}

// Ctrl-C or a closed console ends the program from another handler: the code page goes back first.
BOOL WINAPI restore_code_page_on_event(DWORD) {
    restore_code_page();
    return FALSE;
}

}  // namespace

CommandLineArguments::CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 0; i < count; ++i) texts_.push_back(narrowed(wide[i]));
        ::LocalFree(wide);
    } else {
        for (int i = 0; i < argc; ++i) texts_.emplace_back(argv[i]);
    }
    for (const std::string& text : texts_) pointers_.push_back(text.c_str());
}

void use_binary_streams() {
    _fmode = _O_BINARY;
    ::_setmode(::_fileno(stdin), _O_BINARY);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool console_opened_for_this_run() {
    // The processes attached to the console: a console that cmd or PowerShell opened holds them
    // too; one that Windows opened for this program holds it alone.
    DWORD processes[2];
    return ::GetConsoleProcessList(processes, 2) == 1;
}

void wait_for_enter() {
    std::fputs("\nPress Enter to close this window.\n", stderr);
    std::fflush(stderr);
    const HANDLE input = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE) return;
    // Keys pressed while the run went on do not count.
    ::FlushConsoleInputBuffer(input);
    wchar_t key = 0;
    DWORD got = 0;
    while (::ReadConsoleW(input, &key, 1, &got, nullptr) != 0 && got == 1 && key != L'\r' && key != L'\n') {
    }
    ::CloseHandle(input);
}

void prepare_console() {
    const UINT current = ::GetConsoleOutputCP();
    if (current == 0 || current == CP_UTF8 || ::SetConsoleOutputCP(CP_UTF8) == 0) return;
    code_page_before = current;
    std::atexit(restore_code_page);
    ::SetConsoleCtrlHandler(restore_code_page_on_event, TRUE);
}

#else

CommandLineArguments::CommandLineArguments(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) texts_.emplace_back(argv[i]);
    for (const std::string& text : texts_) pointers_.push_back(text.c_str());
}

void use_binary_streams() {}

bool console_opened_for_this_run() { return false; }

void wait_for_enter() {}

void prepare_console() {}

#endif

}  // namespace tarnwick
