#include "files/stream.h"

#include <set>

#include "startup/error.h"

namespace korva {
namespace {

// Every live stream of every kind, for the debug-mode handle check. Built on
// first use, before any module creates a stream, and kept for the process.
std::set<const qyStream*>& liveStreams() {
    static std::set<const qyStream*> streams;
    return streams;
}

}  // namespace

bool streamExists(const qyStream* stream) { return liveStreams().count(stream) != 0; }

void checkStreamExists(const qyStream* stream) {
    if (!streamExists(stream)) raiseRuntimeError("Stream does not exist");
}

}  // namespace korva

qyStream::qyStream() { korva::liveStreams().insert(this); }

qyStream::~qyStream() { korva::liveStreams().erase(this); }

int32_t qyStream::writeValueThrough(uint32_t value, int32_t width) { return write(&value, width); }

uint32_t qyStream::readValueThrough(int32_t width) {
    uint32_t value = 0;
    read(&value, width);
    return value;
}

int32_t qyStream::readByteThrough() {
    uint8_t byte;
    return read(&byte, 1) == 1 ? byte : -1;
}
