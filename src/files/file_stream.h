// Binary file streams over the C library's buffered files.
#pragma once

#include <cstdint>
#include <cstdio>

#include "files/stream.h"

// One open file. How it may be used is fixed when it is opened, and each
// kind of opening is its own class, so read and write never ask which kind
// of file they serve.
class qyFileStream : public qyStream {
public:
    enum class Mode { read, write, update };  // "rb", "wb", "r+b"

    // The stream, or null when the file cannot be opened. The path is the
    // host's path, already resolved.
    static qyFileStream* open(const char* hostPath, Mode mode);

    ~qyFileStream() override;  // flushes and closes

    int32_t read(void* buffer, int32_t count) override;
    int32_t write(const void* buffer, int32_t count) override;
    int32_t avail() override;
    int32_t eof() override;

    // The position after moving to the given one (or staying put); -1 when
    // the move fails. Either way what was read ahead is dropped and what was
    // written is flushed.
    int32_t position();
    int32_t seek(int32_t position);

protected:
    explicit qyFileStream(FILE* file) : file_(file) {}

    // Sets the position; called whenever the stream changes direction too.
    virtual int32_t moveTo(int64_t offset, int whence);

    FILE* const file_;
};
