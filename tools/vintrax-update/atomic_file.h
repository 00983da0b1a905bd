// Reading the input and writing the output so that a failure or a kill never
// leaves a half-written file, or a damaged input.
#pragma once

#include <stdexcept>
#include <string>

#include "tools/vintrax-update/byte_sink.h"

namespace vintrax::objtool {

// An I/O failure; what() names the file and the reason.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole file, or all of standard input for "-".
std::string ReadInput(const std::string& path);

// Unbuffered writes to an open descriptor (standard output).
class DescriptorSink final : public ByteSink {
public:
    DescriptorSink(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    void Write(std::string_view bytes) override;

private:
    int fd_;
    std::string name_;
};

// Writes go to a temporary file in the target's folder; Commit() flushes it to
// disk and renames it over the target. Until then the target is untouched, and
// the temporary file is removed when the object dies uncommitted (also on
// SIGINT, SIGTERM and SIGHUP). A target that exists keeps its permission bits
// (and group, where allowed); a symbolic link target is written through.
class AtomicFile final : public ByteSink {
public:
    explicit AtomicFile(const std::string& target);
    ~AtomicFile() override;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::string_view bytes) override;
    void Commit();

private:
    void Discard() noexcept;

    std::string target_;  // symbolic links resolved
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

}  // namespace vintrax::objtool
