// The byte stream under every file, TCP and UDP handle a program holds, and
// the registry that lets debug runs tell live streams from stale handles.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/handle.h"
#include "startup/error.h"

// A stream kind (file, TCP, UDP) derives from this and defines the four
// operations; the commands that create and close a kind's streams own them.
// The virtual functions are declared in their fixed slot order: destructor,
// read, write, avail, eof.
class qyStream {
public:
    qyStream();  // enters the stream registry
    virtual ~qyStream();  // leaves it

    qyStream(const qyStream&) = delete;
    qyStream& operator=(const qyStream&) = delete;

    // Delivers up to count bytes into buffer and returns how many arrived:
    // 0 at the end of the data, on a failed stream, or when count <= 0.
    virtual int32_t read(void* buffer, int32_t count) = 0;
    // Returns the number of bytes accepted; 0 on a failed stream.
    virtual int32_t write(const void* buffer, int32_t count) = 0;
    // Bytes that read() can deliver now without waiting.
    virtual int32_t avail() = 0;
    // 0 while more data may come, 1 at the end, -1 once the stream has failed.
    virtual int32_t eof() = 0;

    // The same as write() and read(), for the commands that move a few bytes
    // at a time (typed values, the bytes of a line): while the stream kind
    // keeps a window open onto its buffer, the bytes go straight into or out
    // of it without a virtual call.
    int32_t writeFew(const void* bytes, int32_t count) {
        if (count <= 0 || count > putLimit_ - putCursor_) return write(bytes, count);
        std::memcpy(putCursor_, bytes, static_cast<size_t>(count));
        putCursor_ += count;
        return count;
    }
    int32_t readFew(void* bytes, int32_t count) {
        if (count <= 0 || count > getLimit_ - getCursor_) return read(bytes, count);
        std::memcpy(bytes, getCursor_, static_cast<size_t>(count));
        getCursor_ += count;
        return count;
    }

protected:
    // The windows of writeFew and readFew: bytes may be stored at
    // [putCursor_, putLimit_) and taken from [getCursor_, getLimit_) as if
    // write() and read() had moved them. Closed (null) unless a stream kind
    // opens them; one that does keeps them in step with its own state.
    uint8_t* putCursor_ = nullptr;
    uint8_t* putLimit_ = nullptr;
    const uint8_t* getCursor_ = nullptr;
    const uint8_t* getLimit_ = nullptr;
};

namespace korva {

// True while the stream is alive (constructed and not yet destroyed).
bool streamExists(const qyStream* stream);

// Raises "Stream does not exist" unless the stream is alive.
void checkStreamExists(const qyStream* stream);

// The stream behind a program's handle. Under the debugger an unknown handle
// raises "Stream does not exist"; otherwise the handle is trusted. Inline:
// every stream command starts here.
inline qyStream* streamFromHandle(int32_t handle) {
    auto* stream = objectOf<qyStream>(handle);
    if (debugMode) checkStreamExists(stream);
    return stream;
}

}  // namespace korva
