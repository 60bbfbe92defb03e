#include "files/file_stream.h"

#include <cstring>
#include <new>

namespace {

// The program thread is the only user of a file, so the C library's
// per-call locking is skipped throughout.

int32_t readFile(FILE* file, void* buffer, int32_t count) {
    if (count <= 0) return 0;
    const size_t got = fread_unlocked(buffer, 1, static_cast<size_t>(count), file);
    // The end of the data is not remembered: a file that another stream
    // extends can be read on afterwards.
    if (got < static_cast<size_t>(count)) clearerr_unlocked(file);
    return static_cast<int32_t>(got);
}

// Programs write many single values: a byte goes through putc, which stores
// it straight into the library's buffer while there is room.
int32_t writeFile(FILE* file, const void* buffer, int32_t count) {
    if (count == 1) return putc_unlocked(*static_cast<const unsigned char*>(buffer), file) == EOF ? 0 : 1;
    if (count <= 0) return 0;
    return static_cast<int32_t>(fwrite_unlocked(buffer, 1, static_cast<size_t>(count), file));
}

// Bytes the C library has read ahead into the file's buffer and not yet
// handed out. The standard interface has no such query; this is glibc's
// own bookkeeping.
int32_t readAheadOf(const FILE* file) { return static_cast<int32_t>(file->_IO_read_end - file->_IO_read_ptr); }

// Peeks one byte, filling the buffer when it is empty.
int32_t atEndOf(FILE* file) {
    const int byte = getc_unlocked(file);
    if (byte == EOF) {
        clearerr_unlocked(file);
        return 1;
    }
    ungetc(byte, file);
    return 0;
}

class ReadOnlyFileStream final : public qyFileStream {
public:
    explicit ReadOnlyFileStream(FILE* file) : qyFileStream(file) {}
    int32_t write(const void*, int32_t) override { return 0; }
};

// Nothing can ever be read from it, so it always stands at its end.
class WriteOnlyFileStream final : public qyFileStream {
public:
    explicit WriteOnlyFileStream(FILE* file) : qyFileStream(file) {}
    int32_t read(void*, int32_t) override { return 0; }
    int32_t avail() override { return 0; }
    int32_t eof() override { return 1; }
};

// The C library requires a repositioning between reading and writing on a
// file open for both; this stream inserts one whenever the direction turns.
class UpdateFileStream final : public qyFileStream {
public:
    explicit UpdateFileStream(FILE* file) : qyFileStream(file) {}

    int32_t read(void* buffer, int32_t count) override {
        turnTo(Direction::reading);
        return qyFileStream::read(buffer, count);
    }
    int32_t write(const void* buffer, int32_t count) override {
        turnTo(Direction::writing);
        return qyFileStream::write(buffer, count);
    }
    int32_t avail() override { return direction_ == Direction::writing ? 0 : qyFileStream::avail(); }
    int32_t eof() override {
        turnTo(Direction::reading);
        return qyFileStream::eof();
    }

protected:
    int32_t moveTo(int64_t offset, int whence) override {
        direction_ = Direction::none;
        return qyFileStream::moveTo(offset, whence);
    }

private:
    enum class Direction { none, reading, writing };

    void turnTo(Direction wanted) {
        if (direction_ != wanted && direction_ != Direction::none) fseeko64(file_, 0, SEEK_CUR);
        direction_ = wanted;
    }

    Direction direction_ = Direction::none;
};

const char* fopenModeOf(qyFileStream::Mode mode) {
    switch (mode) {
        case qyFileStream::Mode::read: return "rb";
        case qyFileStream::Mode::write: return "wb";
        case qyFileStream::Mode::update: break;
    }
    return "r+b";
}

qyFileStream* streamFor(FILE* file, qyFileStream::Mode mode) {
    switch (mode) {
        case qyFileStream::Mode::read: return new ReadOnlyFileStream(file);
        case qyFileStream::Mode::write: return new WriteOnlyFileStream(file);
        case qyFileStream::Mode::update: break;
    }
    return new UpdateFileStream(file);
}

}  // namespace

qyFileStream* qyFileStream::open(const char* hostPath, Mode mode) {
    FILE* file = fopen64(hostPath, fopenModeOf(mode));
    if (file == nullptr) return nullptr;
    try {
        return streamFor(file, mode);
    } catch (const std::bad_alloc&) {
        std::fclose(file);
        return nullptr;
    }
}

qyFileStream::~qyFileStream() { std::fclose(file_); }

int32_t qyFileStream::read(void* buffer, int32_t count) { return readFile(file_, buffer, count); }

int32_t qyFileStream::write(const void* buffer, int32_t count) { return writeFile(file_, buffer, count); }

int32_t qyFileStream::avail() { return readAheadOf(file_); }

int32_t qyFileStream::eof() { return atEndOf(file_); }

int32_t qyFileStream::position() { return moveTo(0, SEEK_CUR); }

int32_t qyFileStream::seek(int32_t position) { return moveTo(position, SEEK_SET); }

// Positions beyond 32 bits cannot be expressed to a program; they come back
// cut to their low 32 bits.
int32_t qyFileStream::moveTo(int64_t offset, int whence) {
    if (fseeko64(file_, offset, whence) != 0) return -1;
    return static_cast<int32_t>(ftello64(file_));
}
