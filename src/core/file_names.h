#pragma once
// File-name completion. A name's extension is looked for in its last path component only, so
// that a dot in a folder name is never taken for one.

#include <optional>
#include <string>

#include "core/settings.h"

namespace tarnwick {

// Where the name's last path component begins, after a "/" or "\\" (0 when it has no folder).
inline std::string::size_type last_component_position(const std::string& name) {
    const std::string::size_type slash = name.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// Where the extension of the name's last path component begins, or npos when it has none.
inline std::string::size_type extension_position(const std::string& name) {
    const std::string::size_type start = last_component_position(name);
    const std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos || dot < start) return std::string::npos;
    return dot;
}

inline bool has_extension(const std::string& name) { return extension_position(name) != std::string::npos; }

// The name with `extension` appended when it has none of its own.
inline std::string with_default_extension(const std::string& name, const char* extension) {
    return has_extension(name) ? name : name + extension;
}

// The name without its extension.
inline std::string without_extension(const std::string& name) { return name.substr(0, extension_position(name)); }

// Names the run's files in `settings` from the file arguments as typed, for the job its switches
// chose: the board file, with ".fpc" when its name has no extension; the Specctra file, `specctra`
// or else the board's name as typed without its extension, with ".ses" (-B) or ".dsn" when it has
// none (so that "board-v1.2.fpc" exports "board-v1.2.dsn"); and the routed board of -B, the
// board file's name with "_routed" before its extension. For the route job (-R) the Specctra
// name, its extension dropped, names the design file (".dsn") and the router's session
// ("_routed.ses"), and the board's name the router's log ("_router.log"). With --svg, the
// picture: the board file's name without its extension, with "_routed" for -B and -R (not with
// -I), and ".svg".
void name_run_files(RunSettings& settings, const std::string& board, const std::optional<std::string>& specctra);

// True when both names reach one file: the same text, or another spelling of an existing file
// ("./board.fpc", a link).
bool same_file(const std::string& a, const std::string& b);

}  // namespace tarnwick
