// The byte stream under every file, TCP and UDP handle a program holds, and
// the registry that lets debug runs tell live streams from stale handles.
#pragma once

#include <cstdint>

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
