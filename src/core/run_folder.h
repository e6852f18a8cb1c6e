#pragma once
// A folder of the run's own, for the files of a program it starts: made new, with a name no
// other folder has, in the system's folder for temporary files, and removed with all it holds
// when the run is done with it, also when the run is interrupted.

#include <string>

namespace tarnwick {

class RunFolder {
public:
    // `prefix` begins the folder's name. path() is "" when no folder could be made.
    explicit RunFolder(const char* prefix);
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    int noted_slot_ = -1;
};

}  // namespace tarnwick
