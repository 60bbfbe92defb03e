// Binary file streams: the runtime's own buffered reader and writer over an
// open file of the operating system.
#pragma once

#include <cstdint>

#include "files/stream.h"
#include "platform/platform_file.h"

// One open file with one buffer, which holds either bytes read ahead and not
// yet delivered or bytes written and not yet passed on, never both: a file
// open for update turns from one to the other as the program does. Reads
// and writes of a buffer's size or more go straight between the program's
// memory and the file.
//
// avail() is exactly the number of bytes read ahead: 0 right after opening,
// after a seek or a position query, while writing, and for a file open for
// writing only. eof() peeks one byte (filling the buffer when it is empty):
// 1 when none can be read at the position, else 0. A failed read or write (a
// full disk) fails the stream for good: eof() is -1 from then on, read() and
// write() deliver 0, and the buffered bytes are dropped. A write to a file
// open for reading only takes nothing (0) and fails nothing.
class qyFileStream final : public qyStream {
public:
    using Mode = korva::PlatformFile::Mode;

    static constexpr int32_t kBufferSize = 64 * 1024;

    // The stream, or null when the file cannot be opened. The path is the
    // host's path, already resolved.
    static qyFileStream* open(const char* hostPath, Mode mode);

    ~qyFileStream() override;  // passes on what was written, then closes

    int32_t read(void* buffer, int32_t count) override;
    int32_t write(const void* buffer, int32_t count) override;
    int32_t avail() override;
    // A file open for writing only has nothing to read: 1, unless passing on
    // what was written so far (done here, so that the program learns of a
    // full disk) failed.
    int32_t eof() override;

    // The position after moving to the given one (or staying put); -1 when
    // the move fails. Either way what was read ahead is dropped and what was
    // written is passed on.
    int32_t position();
    int32_t seek(int32_t position);

private:
    qyFileStream(korva::PlatformFile file, Mode mode);

    int32_t moveTo(int64_t offset, int whence);
    bool turnToReading();
    bool turnToWriting();
    void stopWriting();
    bool passOnWritten();
    void giveBackReadAhead();
    bool readAhead();
    int32_t takeReadAhead(uint8_t* destination, int32_t count);
    bool healthy();

    korva::PlatformFile file_;
    const bool readable_;
    const bool writable_;
    uint8_t buffer_[kBufferSize];
};
