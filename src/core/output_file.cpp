#include "core/output_file.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "core/file_system.h"
#include "core/signals.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tarnwick {

namespace {

// As many links in a row as the systems follow before they call it a loop.
constexpr int link_limit = 40;

// Board and design files run to tens of megabytes: a buffer of a megabyte writes them in a few
// dozen system calls rather than in thousands of the standard buffer's size. The buffer must
// outlive the stream.
constexpr std::size_t output_buffer_size = std::size_t{1} << 20;
void buffer_generously(std::FILE* stream, std::unique_ptr<char[]>& buffer) {
    if (stream == nullptr) return;
    buffer.reset(new char[output_buffer_size]);
    if (std::setvbuf(stream, buffer.get(), _IOFBF, output_buffer_size) != 0) buffer.reset();
}

// Where writing to `target` lands: opening a symbolic link for writing writes the file it names
// (through links to links), and so does this, rather than replacing the link by a file; a link
// whose file does not exist yet is written through as well, creating that file. False for links
// that loop, as opening them would fail.
bool link_destination(const std::string& target, std::string& destination) {
    std::filesystem::path path = native_path(target);
    for (int followed = 0; followed <= link_limit; ++followed) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) {
            destination = followed == 0 ? target : utf8_name(path);
            return true;
        }
        const std::filesystem::path named = std::filesystem::read_symlink(path, error);
        if (error) return false;
        path = named.is_absolute() ? named : path.parent_path() / named;
    }
    return false;
}

#ifdef _WIN32

// Six letters or digits that differ from run to run and from try to try.
std::string temporary_suffix(std::uint64_t& state) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(".");
    for (int i = 0; i < 6; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        suffix += letters[state % 62];
    }
    return suffix;
}

#else

// The permissions the file would have had if opened in place: an existing target's own, else
// what a new file gets under the process's umask (mkstemp would make it private to its owner).
mode_t permissions_for(const struct stat* existing) {
    if (existing != nullptr) return existing->st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

#endif

}  // namespace

#ifdef _WIN32

OutputFile::OutputFile(const std::string& target) {
    if (!link_destination(target, target_)) return;
    const std::wstring wide_target = widened(target_);
    const DWORD attributes = ::GetFileAttributesW(wide_target.c_str());
    // A folder of that name, or a file marked read-only, stays as it is, as it would if it were
    // opened in place.
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return;
    }
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    std::uint64_t state = (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32) ^
                          static_cast<std::uint64_t>(counter.QuadPart) ^ reinterpret_cast<std::uintptr_t>(this);
    if (state == 0) state = 1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = target_ + temporary_suffix(state);
        const InterruptionsHeld held;
        // Others may read it meanwhile, and an interruption may delete it while it is open.
        const HANDLE handle = ::CreateFileW(widened(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (::GetLastError() == ERROR_FILE_EXISTS) continue;
            return;
        }
        const int descriptor = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (descriptor >= 0) stream_ = ::_fdopen(descriptor, "wb");
        buffer_generously(stream_, buffer_);
        if (stream_ == nullptr) {
            if (descriptor >= 0) {
                ::_close(descriptor);
            } else {
                ::CloseHandle(handle);
            }
            ::DeleteFileW(widened(name).c_str());
            return;
        }
        temporary_ = name;
        noted_slot_ = note_temporary_file(temporary_);
        return;
    }
}

namespace {

// The data on the disk, not only in the system's cache.
bool store_on_disk(std::FILE* stream) {
    return ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)))) != 0;
}

// In one step, so that there is no moment in which neither file exists; the rename is on the disk
// when it returns.
bool replace_target(const std::string& temporary, const std::string& target) {
    return ::MoveFileExW(widened(temporary).c_str(), widened(target).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void remove_file(const std::string& name) { ::DeleteFileW(widened(name).c_str()); }

}  // namespace

#else

OutputFile::OutputFile(const std::string& target) {
    if (!link_destination(target, target_)) return;
    struct stat status {};
    const bool exists = ::stat(target_.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        stream_ = std::fopen(target_.c_str(), "w");
        return;
    }
    // A file we may not write stays as it is, as it would if it were opened in place.
    if (exists && ::access(target_.c_str(), W_OK) != 0) return;
    std::string name = target_ + ".XXXXXX";
    const InterruptionsHeld held;
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) return;
    temporary_ = name;
    noted_slot_ = note_temporary_file(temporary_);
    if (::fchmod(descriptor, permissions_for(exists ? &status : nullptr)) == 0) {
        stream_ = ::fdopen(descriptor, "w");
        buffer_generously(stream_, buffer_);
    }
    if (stream_ == nullptr) {
        ::close(descriptor);
        std::remove(temporary_.c_str());
        forget_temporary_file(std::exchange(noted_slot_, -1));
        temporary_.clear();
    }
}

namespace {

// A disk that reports its failures only when the data reaches it must not pass for stored.
bool store_on_disk(std::FILE* stream) { return ::fsync(::fileno(stream)) == 0; }

bool replace_target(const std::string& temporary, const std::string& target) {
    return std::rename(temporary.c_str(), target.c_str()) == 0;
}

void remove_file(const std::string& name) { std::remove(name.c_str()); }

}  // namespace

#endif

OutputFile::OutputFile(std::FILE* stream) : stream_(stream) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      temporary_(std::exchange(other.temporary_, std::string())),
      target_(std::move(other.target_)),
      buffer_(std::move(other.buffer_)),
      noted_slot_(std::exchange(other.noted_slot_, -1)) {}

OutputFile::~OutputFile() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!temporary_.empty()) {
        const InterruptionsHeld held;
        remove_file(temporary_);
        forget_temporary_file(noted_slot_);
    }
}

bool OutputFile::commit() {
    std::FILE* stream = std::exchange(stream_, nullptr);
    if (stream == nullptr) return false;
    bool stored = std::fflush(stream) == 0 && std::ferror(stream) == 0;
    if (stored && !temporary_.empty()) stored = store_on_disk(stream);
    stored = std::fclose(stream) == 0 && stored;
    if (temporary_.empty()) return stored;
    {
        const InterruptionsHeld held;
        if (stored) stored = replace_target(temporary_, target_);
        if (!stored) remove_file(temporary_);
        forget_temporary_file(std::exchange(noted_slot_, -1));
    }
    temporary_.clear();
    return stored;
}

}  // namespace tarnwick
