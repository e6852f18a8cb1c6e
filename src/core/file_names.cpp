#include "core/file_names.h"

#include <filesystem>
#include <system_error>

namespace tarnwick {

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace tarnwick
