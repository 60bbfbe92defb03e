// The stream commands as a program sees them, on files.
#include <gtest/gtest.h>

#include "file_test_folder.h"

namespace korva::test {
namespace {

using namespace std::string_literals;

TEST(Streams, ByteEncodingsAndTypedReads) {
    TestFolder folder("streams-encodings", 0);
    folder.write("in.bin", "\xff\xff\xff\xff\xff\xff"s + "abc\r\na\rb\n\r\ntail");
    ProcessResult run = folder.run("streams");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(folder.read("out.bin"),
              "\x70\x11"s                 // WriteShort 70000: the low 16 bits
              "\0\xff"s                   // WriteByte 256, WriteByte -1
              "\0\0\x80\x3f"s             // WriteFloat 1.0
              "\3\0\0\0abc"s "\0\0\0\0"s  // WriteString "abc", ""
              "x\r\n"s                    // WriteLine "x"
              "\xfe\xff\xff\xff"s);       // WriteInt -2
    const std::vector<std::string> expected = {
        "4464", "0", "255", "1.0", "string[abc]", "empty[]", "line[x]", "-2", "eof 1", "past end 0", "eof 1",
        // in.bin: nothing is read ahead before the first read; the Eof peek fills the buffer.
        "avail at open 0", "eof 0", "65535", "-1", "line[abc]", "line[ab]", "line[]", "avail 4", "line[tail]",
        "eof 1", "line[]", "0", "done"};
    EXPECT_EQ(lines(run.out), expected);
}

TEST(Streams, TruncatedDataGivesShortValuesWithoutBlocking) {
    TestFolder folder("streams-truncated", 1);
    folder.write("short_body.bin", "\x64\0\0\0xyz"s);              // states 100 bytes, holds 3
    folder.write("huge_prefix.bin", "\xff\xff\xff\x7f" "ab"s);      // states 2 GB, holds 2
    folder.write("huge_prefix_no_body.bin", "\xff\xff\xff\x7f"s);
    folder.write("half_prefix.bin", "\x05\0"s);
    folder.write("negative_prefix.bin", "\xf0\xff\xff\xff" "A"s);
    folder.write("one_byte.bin", "\x07"s);
    ProcessResult run = folder.run("streams");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(folder.read("strings.bin"),
              "\x64\0\0\0xyz"s + std::string(97, '\0') +  // padded with zeros to the stated length
                  "\2\0\0\0ab"s +                          // a damaged prefix keeps what arrived
                  "\0\0\0\0"s + "\0\0\0\0"s);              // nothing arrived: ""
    const std::vector<std::string> expected = {"eof 1", "eof 1", "eof 1",    "eof 1", "negative[]",
                                               "after 65", "7", "0", "0.0", "done"};
    EXPECT_EQ(lines(run.out), expected);
}

TEST(Streams, CopyStreamCopiesTheWholeSourceIntoAnyFile) {
    TestFolder folder("streams-copy", 2);
    std::string source(40000, '\0');
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(i * 7 + i / 256);
    folder.write("source.bin", source);
    folder.write("shorter.bin", "0123456789");  // an existing file, shorter than the copy
    ProcessResult run = folder.run("streams");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* copy : {"copy_default.bin", "shorter.bin", "copy_one.bin", "copy_largest.bin"}) {
        SCOPED_TRACE(copy);
        EXPECT_EQ(folder.read(copy), source);
    }
    EXPECT_EQ(run.out, "source eof 1\nsource eof 1\nsource eof 1\nsource eof 1\ndone\n");
}

TEST(Streams, DebuggerRejectsIllegalBufferSizes) {
    for (int scenario : {3, 4}) {
        TestFolder folder("streams-buffer", scenario);
        ProcessResult run = folder.run("streams");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "copying\n");
        EXPECT_EQ(run.err, runtimeError("Illegal buffer size"));
    }
}

TEST(Streams, WithoutDebuggerAnEmptyBufferCopiesNothingAndGoesOn) {
    TestFolder folder("streams-buffer-unchecked", 3);
    ProcessResult run = folder.run("streams", false);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(run.timedOut);
    EXPECT_TRUE(std::filesystem::exists(folder / "target.bin"));
    EXPECT_EQ(folder.read("target.bin"), "");
}

TEST(Streams, DebuggerRejectsMadeUpAndClosedHandles) {
    for (int scenario : {5, 6, 7}) {
        SCOPED_TRACE(scenario);
        TestFolder folder("streams-handles", scenario);
        ProcessResult run = folder.run("streams");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, runtimeError("Stream does not exist"));
    }
}

}  // namespace
}  // namespace korva::test
