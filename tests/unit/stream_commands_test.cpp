// The stream commands against an in-memory stream that records every call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/str_pool.h"
#include "core/handle.h"
#include "files/stream.h"
#include "memory_stream.h"
#include "module_commands.h"

namespace korva {
namespace {

std::string textOf(qyStr* str) {
    std::string text(strText(str), strLength(str));
    strRelease(str);
    return text;
}

using IntOfStream = int32_t(int32_t);
using StrOfStream = qyStr*(int32_t);
using WriteInt = void(int32_t, int32_t);
using WriteStr = void(int32_t, qyStr*);

TEST(StreamRegistry, HoldsExactlyTheLiveStreams) {
    auto* stream = new MemoryStream;
    EXPECT_TRUE(streamExists(stream));
    delete stream;
    EXPECT_FALSE(streamExists(stream));
    EXPECT_FALSE(streamExists(nullptr));
}

TEST(StreamCommands, TypedReadsFillTheLowBytesOfAZeroedCell) {
    MemoryStream stream(std::string("\xff\xff" "\xff\xff\xff\xff" "\x80" "\x01", 8));
    auto readShort = commandOf<IntOfStream>(streamModule, "%ReadShort%stream");
    auto readInt = commandOf<IntOfStream>(streamModule, "%ReadInt%stream");
    auto readByte = commandOf<IntOfStream>(streamModule, "%ReadByte%stream");
    EXPECT_EQ(readShort(stream.handle()), 65535);
    EXPECT_EQ(readInt(stream.handle()), -1);
    EXPECT_EQ(readByte(stream.handle()), 128);
    EXPECT_EQ(readShort(stream.handle()), 1);  // one byte left: it is the value
    EXPECT_EQ(readInt(stream.handle()), 0);
    EXPECT_EQ(stream.reads, (std::vector<int32_t>{2, 4, 1, 1, 0}));
}

TEST(StreamCommands, ReadStringWithDamagedPrefixes) {
    auto readString = commandOf<StrOfStream>(streamModule, "$ReadString%stream");
    const int32_t before = liveStringCount();
    {
        MemoryStream stream(std::string("\x03\0\0\0abcdef", 10));
        EXPECT_EQ(textOf(readString(stream.handle())), "abc");
        EXPECT_EQ(stream.reads, (std::vector<int32_t>{4, 3}));
    }
    {
        MemoryStream stream(std::string("\x02\0", 2));  // half a prefix, nothing after it
        EXPECT_EQ(textOf(readString(stream.handle())), "");
    }
    {
        MemoryStream stream(std::string("\xff\xff\xff\xff" "abc", 7));  // negative: nothing more is read
        EXPECT_EQ(textOf(readString(stream.handle())), "");
        EXPECT_EQ(stream.reads, (std::vector<int32_t>{4}));
    }
    {
        // A long string arrives in chunks, each asked for once.
        std::string body(40000, 'q');
        MemoryStream stream(std::string("\x40\x9c\0\0", 4) + body);
        EXPECT_EQ(textOf(readString(stream.handle())), body);
        EXPECT_EQ(stream.reads, (std::vector<int32_t>{4, 16384, 16384, 7232}));
    }
    EXPECT_EQ(liveStringCount(), before);
}

TEST(StreamCommands, WritesReleaseTheirStrings) {
    MemoryStream stream;
    const int32_t before = liveStringCount();
    commandOf<WriteStr>(streamModule, "WriteString%stream$string")(stream.handle(), strFromText("hi"));
    commandOf<WriteStr>(streamModule, "WriteString%stream$string")(stream.handle(), nullptr);
    commandOf<WriteStr>(streamModule, "WriteLine%stream$string")(stream.handle(), strFromText(""));
    commandOf<WriteInt>(streamModule, "WriteShort%stream%short")(stream.handle(), -2);
    EXPECT_EQ(liveStringCount(), before);
    EXPECT_EQ(stream.written, std::string("\x02\0\0\0hi" "\0\0\0\0" "\r\n" "\xfe\xff", 14));
}

using CopyStream = void(int32_t, int32_t, int32_t);

TEST(CopyStream, ReadsWholeBuffersUntilAShortRead) {
    std::string data(40000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    MemoryStream source(data), destination;
    destination.forcedEof = 1;  // a destination at its end (a file being written) still takes data
    commandOf<CopyStream>(streamModule, "CopyStream%src_stream%dest_stream%buffer_size=16384")(
        source.handle(), destination.handle(), 16384);
    EXPECT_EQ(source.reads, (std::vector<int32_t>{16384, 16384, 7232}));
    EXPECT_EQ(destination.written, data);
}

TEST(CopyStream, StopsAtAFailedDestinationOrAnExhaustedSource) {
    auto copyStream = commandOf<CopyStream>(streamModule, "CopyStream%src_stream%dest_stream%buffer_size=16384");
    MemoryStream source("abc"), failed;
    failed.forcedEof = -1;
    copyStream(source.handle(), failed.handle(), 2);
    EXPECT_TRUE(source.reads.empty());

    MemoryStream empty, destination;
    copyStream(empty.handle(), destination.handle(), 2);
    EXPECT_TRUE(empty.reads.empty());

    // An exact multiple of the buffer ends at the source's end, not with a
    // read that finds nothing.
    MemoryStream four("abcd"), target;
    copyStream(four.handle(), target.handle(), 2);
    EXPECT_EQ(four.reads, (std::vector<int32_t>{2, 2}));
    EXPECT_EQ(target.written, "abcd");
}

TEST(CopyStream, WithoutTheDebuggerAnEmptyBufferCopiesNothing) {
    MemoryStream source("abc"), destination;
    commandOf<CopyStream>(streamModule, "CopyStream%src_stream%dest_stream%buffer_size=16384")(
        source.handle(), destination.handle(), 0);
    EXPECT_TRUE(source.reads.empty());
    EXPECT_EQ(destination.written, "");
}

}  // namespace
}  // namespace korva
