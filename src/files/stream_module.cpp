// The commands that work on any stream: typed values in little-endian byte
// order, length-prefixed strings, text lines, and copying one stream into
// another.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>

#include "core/str_pool.h"
#include "files/stream.h"
#include "startup/declaration.h"
#include "startup/error.h"

namespace korva {
namespace {

constexpr int32_t kLargestCopyBuffer = 1 << 20;
// A string cut short by the end of the data is padded with zeros to the
// length its prefix states, but a damaged prefix must not make the runtime
// allocate gigabytes of padding: beyond this length only the bytes that
// arrived are kept.
constexpr int32_t kLargestPaddedString = 16 << 20;

// A typed value is read into the low bytes of a zeroed cell, so it is never
// sign-extended and the bytes a short read did not deliver stay 0.
template <int32_t width>
uint32_t readCell(int32_t handle) {
    return streamFromHandle(handle)->readValue<width>();
}

// The low bytes of the value as it lies in memory: little-endian.
template <int32_t width>
void writeCell(int32_t handle, uint32_t cell) {
    streamFromHandle(handle)->writeValue<width>(cell);
}

int32_t cmdEof(int32_t stream) { return streamFromHandle(stream)->eof(); }
int32_t cmdReadAvail(int32_t stream) { return streamFromHandle(stream)->avail(); }
int32_t cmdReadByte(int32_t stream) { return static_cast<int32_t>(readCell<1>(stream)); }
int32_t cmdReadShort(int32_t stream) { return static_cast<int32_t>(readCell<2>(stream)); }
int32_t cmdReadInt(int32_t stream) { return static_cast<int32_t>(readCell<4>(stream)); }
float cmdReadFloat(int32_t stream) { return std::bit_cast<float>(readCell<4>(stream)); }

void cmdWriteByte(int32_t stream, int32_t value) { writeCell<1>(stream, static_cast<uint32_t>(value)); }
void cmdWriteShort(int32_t stream, int32_t value) { writeCell<2>(stream, static_cast<uint32_t>(value)); }
void cmdWriteInt(int32_t stream, int32_t value) { writeCell<4>(stream, static_cast<uint32_t>(value)); }
void cmdWriteFloat(int32_t stream, float value) { writeCell<4>(stream, std::bit_cast<uint32_t>(value)); }

// Reads up to length bytes onto the end of text, in chunks, so that memory
// follows the data that arrives rather than what a prefix claims. Stops at
// the first short read; returns the count delivered.
int32_t appendFromStream(qyStream& stream, qyStr* text, int32_t length) {
    char chunk[16384];
    int32_t delivered = 0;
    while (delivered < length) {
        const int32_t wanted = std::min<int32_t>(length - delivered, sizeof chunk);
        const int32_t got = std::clamp(stream.read(chunk, wanted), 0, wanted);
        strAppend(text, chunk, static_cast<size_t>(got));
        delivered += got;
        if (got < wanted) break;
    }
    return delivered;
}

void appendZeros(qyStr* text, int32_t count) {
    static const char kZeros[4096] = {};
    while (count > 0) {
        const int32_t piece = std::min<int32_t>(count, sizeof kZeros);
        strAppend(text, kZeros, static_cast<size_t>(piece));
        count -= piece;
    }
}

// A negative length prefix is taken as damage and gives "" without reading on.
qyStr* cmdReadString(int32_t handle) {
    qyStream* stream = streamFromHandle(handle);
    qyStr* text = strNew();
    // Nothing delivered leaves the length 0.
    const auto length = static_cast<int32_t>(stream->readValue<4>());
    if (length <= 0) return text;
    const int32_t delivered = appendFromStream(*stream, text, length);
    if (delivered > 0 && length <= kLargestPaddedString) appendZeros(text, length - delivered);
    return text;
}

// Carriage returns are dropped wherever they stand; the line feed ends the
// line and is consumed.
qyStr* cmdReadLine(int32_t handle) {
    qyStream* stream = streamFromHandle(handle);
    qyStr* line = strNew();
    for (int32_t byte; (byte = stream->readByte()) >= 0 && byte != '\n';) {
        const char character = static_cast<char>(byte);
        if (character != '\r') strAppend(line, &character, 1);
    }
    return line;
}

void cmdWriteString(int32_t handle, qyStr* text) {
    qyStream* stream = streamFromHandle(handle);
    const auto length = static_cast<int32_t>(strLength(text));
    stream->writeValue<4>(static_cast<uint32_t>(length));
    stream->write(strText(text), length);
    strRelease(text);
}

void cmdWriteLine(int32_t handle, qyStr* text) {
    qyStream* stream = streamFromHandle(handle);
    stream->write(strText(text), static_cast<int32_t>(strLength(text)));
    stream->writeValue<2>('\r' | '\n' << 8);
    strRelease(text);
}

// A destination at its end (a file being written) still takes data: only a
// failed one stops the copy. A short read means the source has nothing more
// for now.
void copyThrough(qyStream& source, qyStream& destination, char* buffer, int32_t size) {
    while (source.eof() == 0 && destination.eof() >= 0) {
        const int32_t got = source.read(buffer, size);
        destination.write(buffer, got);
        if (got < size) return;
    }
}

void cmdCopyStream(int32_t sourceHandle, int32_t destinationHandle, int32_t bufferSize) {
    qyStream* source = streamFromHandle(sourceHandle);
    qyStream* destination = streamFromHandle(destinationHandle);
    if (debugMode && (bufferSize < 1 || bufferSize > kLargestCopyBuffer)) raiseRuntimeError("Illegal buffer size");
    // Unchecked, an empty buffer would never make progress.
    if (bufferSize < 1) return;
    auto* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(bufferSize)));
    if (buffer == nullptr) return;
    copyThrough(*source, *destination, buffer, bufferSize);
    std::free(buffer);
}

// Programs move values one at a time through files in long loops, and the
// realigning entry costs about as much as a value move itself. In the common
// case (no debugger, the whole value inside the stream's open window) these
// entries store or load it without calling anything, so the 4-byte stack
// alignment of compiled code is harmless; everything else goes on through
// the command's own realigning entry. That entry is called through a
// volatile pointer: inlined here, it would lose its realignment.
template <auto Command>
constinit auto* volatile realigningEntry = routine<Command>.call;

template <auto Command, int32_t width, class Value>
void windowedWrite(int32_t handle, Value value) {
    if (!debugMode && objectOf<qyStream>(handle)->writeValueInWindow<width>(std::bit_cast<uint32_t>(value))) return;
    realigningEntry<Command>(handle, value);
}

template <auto Command, int32_t width, class Result>
Result windowedRead(int32_t handle) {
    uint32_t cell;
    if (!debugMode && objectOf<qyStream>(handle)->readValueInWindow<width>(cell)) return std::bit_cast<Result>(cell);
    return realigningEntry<Command>(handle);
}

template <auto Command, int32_t width, class Value>
constexpr declaration_detail::EntryPointer<void(int32_t, Value)> windowedWriter{
    &windowedWrite<Command, width, Value>};

template <auto Command, int32_t width, class Result>
constexpr declaration_detail::EntryPointer<Result(int32_t)> windowedReader{&windowedRead<Command, width, Result>};

const Declaration kStreamDeclarations[] = {
    {"%Eof%stream", routine<cmdEof>},
    {"%ReadAvail%stream", routine<cmdReadAvail>},
    {"%ReadByte%stream", windowedReader<cmdReadByte, 1, int32_t>},
    {"%ReadShort%stream", windowedReader<cmdReadShort, 2, int32_t>},
    {"%ReadInt%stream", windowedReader<cmdReadInt, 4, int32_t>},
    {"#ReadFloat%stream", windowedReader<cmdReadFloat, 4, float>},
    {"$ReadString%stream", routine<cmdReadString>},
    {"$ReadLine%stream", routine<cmdReadLine>},
    {"WriteByte%stream%byte", windowedWriter<cmdWriteByte, 1, int32_t>},
    {"WriteShort%stream%short", windowedWriter<cmdWriteShort, 2, int32_t>},
    {"WriteInt%stream%int", windowedWriter<cmdWriteInt, 4, int32_t>},
    {"WriteFloat%stream#float", windowedWriter<cmdWriteFloat, 4, float>},
    {"WriteString%stream$string", routine<cmdWriteString>},
    {"WriteLine%stream$string", routine<cmdWriteLine>},
    {"CopyStream%src_stream%dest_stream%buffer_size=16384", routine<cmdCopyStream>},
};

}  // namespace

// The stream registry lives for the whole process, so starting and stopping
// the module has nothing to do.
extern const ModuleDefinition streamModule{"stream", kStreamDeclarations, nullptr, nullptr};

}  // namespace korva
