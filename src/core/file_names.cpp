#include "core/file_names.h"

#include <filesystem>
#include <system_error>

#include "core/file_system.h"

namespace tarnwick {

void name_run_files(RunSettings& settings, const std::string& board, const std::optional<std::string>& specctra) {
    const char* job_extension = settings.back_annotate ? ".ses" : ".dsn";
    settings.fpcname = with_default_extension(board, ".fpc");
    settings.specctraname = with_default_extension(specctra ? *specctra : without_extension(board) + job_extension,
                                                   job_extension);
    const std::string stem = without_extension(settings.fpcname);
    settings.routed_fpcname = stem + "_routed" + settings.fpcname.substr(stem.size());
    if (settings.picture) settings.picture_name = stem + (settings.back_annotate ? "_routed.svg" : ".svg");
}

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(native_path(a), native_path(b), error) && !error;
}

}  // namespace tarnwick
