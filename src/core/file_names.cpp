#include "core/file_names.h"

#include <filesystem>
#include <system_error>

#include "core/file_system.h"

namespace tarnwick {

void name_run_files(RunSettings& settings, const std::string& board, const std::optional<std::string>& specctra) {
    const char* job_extension = settings.back_annotate ? ".ses" : ".dsn";
    settings.fpcname = with_default_extension(board, ".fpc");
    const std::string stem = without_extension(settings.fpcname);
    settings.routed_fpcname = stem + "_routed" + settings.fpcname.substr(stem.size());
    // The picture is of the board the job writes: the routed board for -B and the route job, the
    // board as loaded for the export and for -I (which wins over either).
    if (settings.picture) {
        const bool routed = (settings.back_annotate || settings.route.enabled) && !settings.info_only;
        settings.picture_name = stem + (routed ? "_routed.svg" : ".svg");
    }
    if (settings.route.enabled) {
        // One name for both Specctra files of the route, whatever extension it was given: the
        // design file, and the session named for the routed board it becomes, so that a session
        // of the board's own (a routing by hand) stays as it is.
        const std::string specctra_stem = without_extension(specctra ? *specctra : board);
        settings.specctraname = specctra_stem + ".dsn";
        settings.route.session_file = specctra_stem + "_routed.ses";
        settings.route.log_file = stem + "_router.log";
        return;
    }
    settings.specctraname = with_default_extension(specctra ? *specctra : without_extension(board) + job_extension,
                                                   job_extension);
}

bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::error_code error;
    return std::filesystem::equivalent(native_path(a), native_path(b), error) && !error;
}

}  // namespace tarnwick
