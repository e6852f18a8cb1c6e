#include "core/file_names.h"

#include <filesystem>
#include <system_error>

#include "core/file_system.h"

namespace tarnwick {

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(native_path(a), native_path(b), error) && !error;
}

}  // namespace tarnwick
