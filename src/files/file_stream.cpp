#include "files/file_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

using korva::PlatformFile;

qyFileStream* qyFileStream::open(const char* hostPath, Mode mode) {
    PlatformFile file = PlatformFile::open(hostPath, mode);
    if (!file.isOpen()) return nullptr;
    try {
        return new qyFileStream(std::move(file), mode);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

qyFileStream::qyFileStream(PlatformFile file, Mode mode)
    : file_(std::move(file)), readable_(mode != Mode::write), writable_(mode != Mode::read) {}

qyFileStream::~qyFileStream() { passOnWritten(); }

int32_t qyFileStream::read(void* buffer, int32_t count) {
    if (count <= 0 || !turnToReading()) return 0;
    auto* destination = static_cast<uint8_t*>(buffer);
    int32_t delivered = takeReadAhead(destination, count);
    while (delivered < count) {
        const int32_t wanted = count - delivered;
        int32_t got = 0;
        if (wanted >= kBufferSize)
            got = file_.read(destination + delivered, wanted);  // straight into the program's memory
        else if (readAhead())
            got = takeReadAhead(destination + delivered, wanted);
        if (got == 0) break;
        delivered += got;
    }
    return delivered;
}

int32_t qyFileStream::write(const void* buffer, int32_t count) {
    if (count <= 0 || !turnToWriting()) return 0;
    const auto* source = static_cast<const uint8_t*>(buffer);
    const bool large = count >= kBufferSize;
    if ((large || count > putLimit_ - putCursor_) && !passOnWritten()) return 0;
    if (large) {  // straight from the program's memory
        const int32_t written = file_.write(source, count);
        healthy();
        return written;
    }
    std::memcpy(putCursor_, source, static_cast<size_t>(count));
    putCursor_ += count;
    return count;
}

int32_t qyFileStream::avail() { return static_cast<int32_t>(getLimit_ - getCursor_); }

int32_t qyFileStream::eof() {
    if (!readable_) return passOnWritten() ? 1 : -1;
    if (!turnToReading()) return -1;  // a readable stream refuses only once it has failed
    if (getCursor_ < getLimit_ || readAhead()) return 0;
    return healthy() ? 1 : -1;
}

int32_t qyFileStream::position() { return moveTo(0, SEEK_CUR); }

int32_t qyFileStream::seek(int32_t position) { return moveTo(position, SEEK_SET); }

// Positions beyond 32 bits cannot be expressed to a program; they come back
// cut to their low 32 bits.
int32_t qyFileStream::moveTo(int64_t offset, int whence) {
    stopWriting();
    giveBackReadAhead();
    const int64_t reached = file_.seek(offset, whence);
    return reached < 0 ? -1 : static_cast<int32_t>(reached);
}

// What was written goes to the file before anything is read.
bool qyFileStream::turnToReading() {
    stopWriting();
    return readable_ && healthy();
}

bool qyFileStream::turnToWriting() {
    if (!writable_ || !healthy()) return false;
    if (putCursor_ == nullptr) {
        giveBackReadAhead();
        putCursor_ = buffer_;
        putLimit_ = buffer_ + kBufferSize;
    }
    return true;
}

void qyFileStream::stopWriting() {
    if (putCursor_ == nullptr) return;
    passOnWritten();
    putCursor_ = putLimit_ = nullptr;
}

// Hands the written bytes to the file and empties the buffer for more;
// false once the stream has failed.
bool qyFileStream::passOnWritten() {
    if (putCursor_ != nullptr) {
        const auto pending = static_cast<int32_t>(putCursor_ - buffer_);
        putCursor_ = buffer_;
        file_.write(buffer_, pending);
    }
    return healthy();
}

// The file stands past the bytes read ahead: it moves back to the byte the
// program reads next, and the buffer is free for other use.
void qyFileStream::giveBackReadAhead() {
    const int32_t unread = avail();
    if (unread > 0) file_.seek(-unread, SEEK_CUR);
    getCursor_ = getLimit_ = nullptr;
}

// Fills the empty buffer from the file; false when nothing came.
bool qyFileStream::readAhead() {
    const int32_t got = file_.read(buffer_, kBufferSize);
    getCursor_ = buffer_;
    getLimit_ = buffer_ + got;
    return got > 0;
}

int32_t qyFileStream::takeReadAhead(uint8_t* destination, int32_t count) {
    const int32_t taken = std::min(count, avail());
    if (taken == 0) return 0;  // the window may be closed (null)
    std::memcpy(destination, getCursor_, static_cast<size_t>(taken));
    getCursor_ += taken;
    return taken;
}

// A failed stream keeps its windows closed, so that every read and write
// comes here and delivers 0.
bool qyFileStream::healthy() {
    if (!file_.failed()) return true;
    putCursor_ = putLimit_ = nullptr;
    getCursor_ = getLimit_ = nullptr;
    return false;
}
