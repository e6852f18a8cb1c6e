#include "core/run_folder.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "core/file_system.h"
#include "core/signals.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tarnwick {

RunFolder::RunFolder(const char* prefix) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
#ifdef _WIN32
    std::uint64_t state = (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32) ^
                          static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#else
    std::uint64_t state = (static_cast<std::uint64_t>(::getpid()) << 32) ^
                          static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 8; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            name += letters[state % 36];
        }
        const std::string folder = utf8_name(base / name);
        const InterruptionsHeld held;
        // Made by this call and no other: an existing folder of that name is never taken over.
        if (!std::filesystem::create_directory(native_path(folder), error)) {
            if (!error) continue;
            return;
        }
        path_ = folder;
        noted_slot_ = note_temporary_folder(folder);
        return;
    }
}

RunFolder::~RunFolder() {
    if (path_.empty()) return;
    const InterruptionsHeld held;
    std::error_code error;
    std::filesystem::remove_all(native_path(path_), error);
    forget_temporary_file(noted_slot_);
}

}  // namespace tarnwick
