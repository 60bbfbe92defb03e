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

    // The same as write() and read(), for the commands that move a value or a
    // byte at a time. While the stream kind keeps a window open onto its
    // buffer, the bytes go straight into or out of it without a virtual call;
    // the value travels in a register, never through memory.
    //
    // Writes the low width bytes of the value, little-endian.
    template <int32_t width>
    int32_t writeValue(uint32_t value) {
        return writeValueInWindow<width>(value) ? width : writeValueThrough(value, width);
    }
    // Reads width bytes into the low bytes of a zeroed value; bytes that do
    // not arrive stay 0.
    template <int32_t width>
    uint32_t readValue() {
        uint32_t value;
        return readValueInWindow<width>(value) ? value : readValueThrough(width);
    }
    // Only the window parts of writeValue and readValue: false, with nothing
    // moved, when the window cannot take or give the whole value. They call
    // nothing.
    template <int32_t width>
    bool writeValueInWindow(uint32_t value) {
        if (width > putLimit_ - putCursor_) return false;
        std::memcpy(putCursor_, &value, width);
        putCursor_ += width;
        return true;
    }
    template <int32_t width>
    bool readValueInWindow(uint32_t& value) {
        if (width > getLimit_ - getCursor_) return false;
        value = 0;
        std::memcpy(&value, getCursor_, width);
        getCursor_ += width;
        return true;
    }
    // One byte as 0..255, or -1 when none came.
    int32_t readByte() { return getCursor_ < getLimit_ ? *getCursor_++ : readByteThrough(); }

protected:
    // The windows of writeValue, readValue and readByte: bytes may be stored at
    // [putCursor_, putLimit_) and taken from [getCursor_, getLimit_) as if
    // write() and read() had moved them. Closed (null) unless a stream kind
    // opens them; one that does keeps them in step with its own state.
    uint8_t* putCursor_ = nullptr;
    uint8_t* putLimit_ = nullptr;
    const uint8_t* getCursor_ = nullptr;
    const uint8_t* getLimit_ = nullptr;

private:
    // Out of line, to keep the inline paths short.
    int32_t writeValueThrough(uint32_t value, int32_t width);
    uint32_t readValueThrough(int32_t width);
    int32_t readByteThrough();
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
