#pragma once
// File-name completion. A name's extension is looked for in its last path component only, so
// that a dot in a folder name is never taken for one.

#include <string>

namespace tarnwick {

// Where the extension of the name's last path component begins, or npos when it has none.
inline std::string::size_type extension_position(const std::string& name) {
    const std::string::size_type slash = name.find_last_of("/\\");
    const std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
    return dot;
}

inline bool has_extension(const std::string& name) { return extension_position(name) != std::string::npos; }

// The name with `extension` appended when it has none of its own.
inline std::string with_default_extension(const std::string& name, const char* extension) {
    return has_extension(name) ? name : name + extension;
}

// The name without its extension.
inline std::string without_extension(const std::string& name) { return name.substr(0, extension_position(name)); }

// True when both names reach one file: the same text, or another spelling of an existing file
// ("./board.fpc", a link).
bool same_file(const std::string& a, const std::string& b);

}  // namespace tarnwick
