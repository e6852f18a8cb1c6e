#include "core/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <utility>

namespace tarnwick {

namespace {

// Where writing to `target` lands: opening a symbolic link for writing writes the file it names,
// and so does this, rather than replacing the link by a file.
std::string followed_link(const std::string& target) {
    std::error_code error;
    if (!std::filesystem::is_symlink(target, error)) return target;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(target, error);
    return error ? target : resolved.string();
}

// The permissions the file would have had if opened in place: an existing target's own, else
// what a new file gets under the process's umask (mkstemp would make it private to its owner).
mode_t permissions_for(const struct stat* existing) {
    if (existing != nullptr) return existing->st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

OutputFile::OutputFile(const std::string& target) : target_(followed_link(target)) {
    struct stat status {};
    const bool exists = ::stat(target_.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        stream_ = std::fopen(target_.c_str(), "w");
        return;
    }
    // A file we may not write stays as it is, as it would if it were opened in place.
    if (exists && ::access(target_.c_str(), W_OK) != 0) return;
    std::string name = target_ + ".XXXXXX";
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) return;
    temporary_ = name;
    if (::fchmod(descriptor, permissions_for(exists ? &status : nullptr)) == 0) {
        stream_ = ::fdopen(descriptor, "w");
    }
    if (stream_ == nullptr) {
        ::close(descriptor);
        std::remove(temporary_.c_str());
        temporary_.clear();
    }
}

OutputFile::OutputFile(std::FILE* stream) : stream_(stream) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)),
      temporary_(std::exchange(other.temporary_, std::string())),
      target_(std::move(other.target_)) {}

OutputFile::~OutputFile() {
    if (stream_ != nullptr) std::fclose(stream_);
    if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool OutputFile::commit() {
    std::FILE* stream = std::exchange(stream_, nullptr);
    if (stream == nullptr) return false;
    bool stored = std::fflush(stream) == 0 && std::ferror(stream) == 0;
    // A disk that reports its failures only when the data reaches it must not pass for stored.
    if (stored && !temporary_.empty()) stored = ::fsync(::fileno(stream)) == 0;
    stored = std::fclose(stream) == 0 && stored;
    if (temporary_.empty()) return stored;
    if (stored) stored = std::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (!stored) std::remove(temporary_.c_str());
    temporary_.clear();
    return stored;
}

}  // namespace tarnwick
