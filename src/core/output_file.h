#pragma once
// An output file that is either stored whole or not at all: it is written under a temporary
// name beside its target and renamed over the target only when complete, so that a run that
// fails part way leaves neither a half-written file nor a destroyed earlier one.

#include <cstdio>
#include <memory>
#include <string>

namespace tarnwick {

class OutputFile {
public:
    // Creates a new temporary file in the target's folder (a name no other file has), which an
    // interruption of the run removes. A symbolic link as target is followed, so that the file it
    // names is the one replaced or created; links that loop are not opened. A target that exists
    // and is no regular file (a device, a pipe) is written directly, as there is nothing to
    // rename over. is_open() tells whether a stream could be had.
    explicit OutputFile(const std::string& target);
    // Takes over a stream of the caller's (in memory, say): commit() flushes, checks and closes it.
    explicit OutputFile(std::FILE* stream);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Without a commit: closes the stream and removes the temporary file.
    ~OutputFile();

    bool is_open() const { return stream_ != nullptr; }
    std::FILE* stream() const { return stream_; }

    // Flushes, checks for write errors, closes and puts the file in place. False when anything
    // written could not be stored; the temporary file is removed then and the target left as it was.
    bool commit();

private:
    std::FILE* stream_ = nullptr;
    std::string temporary_;  // empty when the stream is written directly
    std::string target_;
    std::unique_ptr<char[]> buffer_;  // the stream's, closed before it goes
    int noted_slot_ = -1;  // where the interruption handler knows the temporary file
};

}  // namespace tarnwick
