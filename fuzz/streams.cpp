// libFuzzer harness for file streams over hostile files (scripts/fuzz
// streams builds and runs it). The input is a script and a file:
//   byte 0: bit 0 opens the file for update instead of reading only, bit 1
//           repeats the contents past the stream's buffer (64 KiB);
//   byte 1: the number of steps (up to 31), then 3 bytes per step: the step
//           and a 16-bit argument;
//   the rest: the file's contents.
// The steps are the stream commands a program calls (ReadByte, ReadShort,
// ReadInt, ReadFloat, ReadString, ReadLine through the command table, the
// bytes ReadBytes moves, Eof, ReadAvail, SeekFile, FilePos, writes). A model
// of the file follows every step: each byte read must be the file's byte
// at that position, and a read delivers all the bytes there are.
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/str_pool.h"
#include "files/file_stream.h"
#include "startup/error.h"
#include "module_commands.h"
#include "input_file.h"

namespace {

using korva::commandOf;
using korva::streamModule;

// The file as the steps should leave it, and where the stream stands in it.
struct FileModel {
    std::vector<uint8_t> bytes;
    size_t at = 0;
    bool writable = false;

    void expectRead(const uint8_t* got, size_t count, size_t wanted) {
        const size_t there = at < bytes.size() ? bytes.size() - at : 0;
        if (count != std::min(wanted, there)) std::abort();
        if (count != 0 && std::memcmp(got, bytes.data() + at, count) != 0) std::abort();
        at += count;
    }
    void wrote(const uint8_t* data, size_t count) {
        if (!writable || count == 0) return;
        if (bytes.size() < at + count) bytes.resize(at + count);
        std::memcpy(bytes.data() + at, data, count);
        at += count;
    }
};

std::vector<uint8_t> contentsOf(const uint8_t* data, size_t size, bool pastTheBuffer) {
    std::vector<uint8_t> contents(data, data + size);
    if (pastTheBuffer && size > 0)
        while (contents.size() <= qyFileStream::kBufferSize + 4096) contents.insert(contents.end(), data, data + size);
    return contents;
}

template <int32_t width>
void readValue(const char* declaration, int32_t handle, FileModel& model) {
    const size_t there = model.at < model.bytes.size() ? model.bytes.size() - model.at : 0;
    const size_t count = std::min<size_t>(width, there);
    uint32_t value;
    if (declaration[0] == '#') {
        const float number = commandOf<float(int32_t)>(streamModule, declaration)(handle);
        value = std::bit_cast<uint32_t>(number);
        // A float comes back on the x87 stack, which quiets a signalling NaN:
        // any NaN stands for one.
        uint32_t expected = 0;
        if (count > 0) std::memcpy(&expected, model.bytes.data() + model.at, count);
        if (number != number && std::bit_cast<float>(expected) != std::bit_cast<float>(expected)) value = expected;
    } else {
        value = static_cast<uint32_t>(commandOf<int32_t(int32_t)>(streamModule, declaration)(handle));
    }
    uint8_t bytes[4];
    std::memcpy(bytes, &value, 4);
    for (size_t i = count; i < 4; ++i)
        if (bytes[i] != 0) std::abort();  // the bytes that did not arrive stay 0
    model.expectRead(bytes, count, width);
}

std::string takeText(const char* declaration, int32_t handle) {
    qyStr* text = commandOf<qyStr*(int32_t)>(streamModule, declaration)(handle);
    std::string taken(korva::strText(text), korva::strLength(text));
    korva::strRelease(text);
    return taken;
}

// A line ends at a line feed, which is consumed; carriage returns drop out.
void readLine(int32_t handle, FileModel& model) {
    const std::string line = takeText("$ReadLine%stream", handle);
    std::string expected;
    for (; model.at < model.bytes.size() && model.bytes[model.at++] != '\n';)
        if (model.bytes[model.at - 1] != '\r') expected += static_cast<char>(model.bytes[model.at - 1]);
    if (line != expected) std::abort();
}

// A length prefix, then that many bytes; a string cut short by the end is
// padded with zeros to its length.
void readString(int32_t handle, FileModel& model) {
    const std::string text = takeText("$ReadString%stream", handle);
    uint32_t length = 0;
    const size_t there = model.at < model.bytes.size() ? model.bytes.size() - model.at : 0;
    if (there > 0) std::memcpy(&length, model.bytes.data() + model.at, std::min<size_t>(4, there));
    model.at += std::min<size_t>(4, there);
    const size_t left = there - std::min<size_t>(4, there);
    const size_t taken = static_cast<int32_t>(length) > 0 ? std::min<size_t>(length, left) : 0;
    if (text.size() < taken) std::abort();
    if (taken > 0 && std::memcmp(text.data(), model.bytes.data() + model.at, taken) != 0) std::abort();
    if (text.find_first_not_of('\0', taken) != std::string::npos) std::abort();
    model.at += taken;
}

void step(qyFileStream& stream, FileModel& model, uint8_t kind, uint32_t argument) {
    const int32_t handle = korva::handleOf(static_cast<qyStream*>(&stream));
    switch (kind % 13) {
        case 0: readValue<1>("%ReadByte%stream", handle, model); break;
        case 1: readValue<2>("%ReadShort%stream", handle, model); break;
        case 2: readValue<4>("%ReadInt%stream", handle, model); break;
        case 3: readValue<4>("#ReadFloat%stream", handle, model); break;
        case 4: readString(handle, model); break;
        case 5: readLine(handle, model); break;
        case 6: {  // ReadBytes: exactly as many bytes of memory as asked for
            const size_t count = argument * 2;
            std::vector<uint8_t> into(count);
            const int32_t got = stream.read(into.data(), static_cast<int32_t>(count));
            if (got < 0) std::abort();
            model.expectRead(into.data(), static_cast<size_t>(got), count);
            break;
        }
        case 7:
            if (stream.eof() != (model.at < model.bytes.size() ? 0 : 1)) std::abort();
            break;
        case 8:
            if (stream.avail() < 0 || stream.avail() > qyFileStream::kBufferSize) std::abort();
            break;
        case 9: {
            const int32_t to = stream.seek(static_cast<int32_t>(argument * 2));
            if (to != static_cast<int32_t>(argument * 2)) std::abort();
            model.at = static_cast<size_t>(to);
            break;
        }
        case 10:
            if (stream.position() != static_cast<int32_t>(model.at)) std::abort();
            break;
        case 11: {
            commandOf<void(int32_t, int32_t)>(streamModule, "WriteInt%stream%int")(handle, static_cast<int32_t>(argument));
            const uint32_t value = argument;
            model.wrote(reinterpret_cast<const uint8_t*>(&value), 4);
            break;
        }
        case 12: {  // WriteBytes
            std::vector<uint8_t> bytes(argument, static_cast<uint8_t>(argument));
            const int32_t took = stream.write(bytes.data(), static_cast<int32_t>(bytes.size()));
            if (took != (model.writable ? static_cast<int32_t>(argument) : 0)) std::abort();
            model.wrote(bytes.data(), bytes.size());
            break;
        }
    }
}

}  // namespace

// What the commands need of the runtime around them. Debug mode checks each
// handle; no step may end the program.
bool korva::debugMode = true;
void korva::raiseRuntimeError(const char*) { std::abort(); }
const char* korva::messageOfCurrentException() noexcept { return "unexpected exception"; }
// The command tables' signature check, which this build runs when the table
// is built rather than at compile time (see scripts/fuzz).
void korva::declarationDoesNotMatchItsRoutine() { std::abort(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    const size_t steps = std::min<size_t>(data[1] % 32, (size - 2) / 3);
    const uint8_t* script = data + 2;
    const size_t skipped = 2 + steps * 3;
    FileModel model{contentsOf(data + skipped, size - skipped, flags & 2), 0, (flags & 1) != 0};
    const std::string path = inputFile(model.bytes.data(), model.bytes.size(), "stream");
    qyFileStream* stream = qyFileStream::open(path.c_str(), model.writable ? qyFileStream::Mode::update : qyFileStream::Mode::read);
    if (stream == nullptr) std::abort();
    for (size_t n = 0; n < steps; ++n)
        step(*stream, model, script[3 * n], script[3 * n + 1] | uint32_t{script[3 * n + 2]} << 8);
    delete stream;
    unlink(path.c_str());
    return 0;
}
