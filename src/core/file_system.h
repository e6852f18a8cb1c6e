#pragma once
// The file system as the rest of the program sees it: names are UTF-8 text on every system.
// On Windows they are handed to the wide-character API, so that a name in any script opens
// whatever the system's code page; elsewhere they are passed on as they are.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick {

// std::fopen for a UTF-8 name. Streams are binary on every system: a file holds the same bytes
// wherever it was written.
std::FILE* open_file(const std::string& name, const char* mode);

// The size of the regular file open in `file`; false for anything else (a pipe, a device).
bool regular_file_size(std::FILE* file, std::uint64_t& size);

// Reads the named file whole into `contents`; false when it cannot be opened or read.
bool read_whole_file(const std::string& name, std::vector<char>& contents);

// What a name is on the file system: a regular file (through links), a folder, or a regular
// file the system can start as a program (executable for us, on Linux).
bool is_regular_file(const std::string& name);
bool is_folder(const std::string& name);
bool is_runnable_file(const std::string& name);

// The name made whole from the current folder, as a program started in another folder needs it.
std::string absolute_name(const std::string& name);

// A UTF-8 name as a path of the system, and back.
std::filesystem::path native_path(const std::string& name);
std::string utf8_name(const std::filesystem::path& path);

#ifdef _WIN32
std::wstring widened(const std::string& utf8);
std::string narrowed(const std::wstring& wide);
#endif

}  // namespace tarnwick
