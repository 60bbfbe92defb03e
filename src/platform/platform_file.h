// An open file of the operating system, without a buffer of its own: the
// file streams (files/file_stream.h) keep their buffers over it.
//
// Failures are results: an open that fails gives a file that is not open;
// a read or write that fails delivers fewer bytes and marks the file
// failed, for good. Nothing here raises a runtime error.
#pragma once

#include <cstdint>

namespace korva {

class PlatformFile {
public:
    // How the file is opened: read an existing file; write a file created or
    // emptied at once; update (read and write) an existing file from its
    // start, cutting nothing off.
    enum class Mode { read, write, update };

    // Opens the file at a host path (see hostPath). The result is not open
    // when the file cannot be opened in that mode or is a directory.
    static PlatformFile open(const char* hostPath, Mode mode);

    PlatformFile() = default;
    PlatformFile(PlatformFile&& other) noexcept : descriptor_(other.descriptor_), failed_(other.failed_) {
        other.descriptor_ = -1;
    }
    PlatformFile& operator=(PlatformFile&&) = delete;
    ~PlatformFile();  // closes

    bool isOpen() const { return descriptor_ >= 0; }
    // True once a read or a write has failed (a full disk, a device error).
    bool failed() const { return failed_; }

    // One read from the current position: the number of bytes that arrived,
    // 0 at the end of the file or on a failure.
    int32_t read(void* buffer, int32_t count);
    // Writes all count bytes at the current position and returns how many
    // the system took: fewer only on a failure.
    int32_t write(const void* buffer, int32_t count);
    // Moves from the start (SEEK_SET) or from the current position
    // (SEEK_CUR); the new position, or -1 when it cannot move there.
    int64_t seek(int64_t offset, int whence);

private:
    explicit PlatformFile(int descriptor) : descriptor_(descriptor) {}

    int descriptor_ = -1;
    bool failed_ = false;
};

}  // namespace korva
