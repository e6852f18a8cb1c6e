#include "core/file_system.h"

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <system_error>

#include "core/huge_pages.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tarnwick {

#ifdef _WIN32

std::wstring widened(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                           nullptr, 0);
    // Not UTF-8 at all (text in an old code page): the system's own reading of it.
    const UINT code_page = size > 0 ? CP_UTF8 : CP_ACP;
    const int length = ::MultiByteToWideChar(code_page, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) ::MultiByteToWideChar(code_page, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string narrowed(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
    }
    return utf8;
}

std::FILE* open_file(const std::string& name, const char* mode) {
    std::wstring wide_mode;
    for (const char* c = mode; *c != '\0'; ++c) wide_mode += static_cast<wchar_t>(*c);
    if (wide_mode.find(L'b') == std::wstring::npos) wide_mode += L'b';
    return ::_wfopen(widened(name).c_str(), wide_mode.c_str());
}

bool regular_file_size(std::FILE* file, std::uint64_t& size) {
    struct _stat64 status {};
    if (::_fstat64(::_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG || status.st_size < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

std::filesystem::path native_path(const std::string& name) { return std::filesystem::path(widened(name)); }

std::string utf8_name(const std::filesystem::path& path) { return narrowed(path.native()); }

#else

std::FILE* open_file(const std::string& name, const char* mode) { return std::fopen(name.c_str(), mode); }

bool regular_file_size(std::FILE* file, std::uint64_t& size) {
    struct stat status {};
    if (::fstat(::fileno(file), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) return false;
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

std::filesystem::path native_path(const std::string& name) { return std::filesystem::path(name); }

std::string utf8_name(const std::filesystem::path& path) { return path.native(); }

#endif

bool is_regular_file(const std::string& name) {
    std::error_code error;
    return std::filesystem::is_regular_file(native_path(name), error);
}

bool is_folder(const std::string& name) {
    std::error_code error;
    return std::filesystem::is_directory(native_path(name), error);
}

bool is_runnable_file(const std::string& name) {
#ifdef _WIN32
    return is_regular_file(name);
#else
    return is_regular_file(name) && ::access(name.c_str(), X_OK) == 0;
#endif
}

std::string absolute_name(const std::string& name) {
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(native_path(name), error);
    return error ? name : utf8_name(whole);
}

bool read_whole_file(const std::string& name, std::vector<char>& contents) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_file(name, "rb"), &std::fclose);
    if (!file) return false;
    contents.clear();
    // A regular file is read in one piece into memory of its size (and the NUL a reader
    // adds); anything else, or a file that grew meanwhile, is read on in chunks.
    std::uint64_t file_size = 0;
    if (regular_file_size(file.get(), file_size) && file_size > 0 && file_size < SIZE_MAX) {
        const auto size = static_cast<std::size_t>(file_size);
        contents.reserve(size + 1);
        prefer_huge_pages(contents.data(), size);
        contents.resize(size);
        contents.resize(std::fread(contents.data(), 1, size, file.get()));
        if (contents.size() < size) return !std::ferror(file.get());
    }
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) contents.insert(contents.end(), chunk, chunk + got);
    return !std::ferror(file.get());
}

}  // namespace tarnwick
