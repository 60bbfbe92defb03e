// File streams, directories and the file-system commands as a program sees
// them.
#include <gtest/gtest.h>

#include <algorithm>

#include "file_test_folder.h"

namespace korva::test {
namespace {

std::string bytesUpTo(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += static_cast<char>(i);
    return bytes;
}

TEST(Files, OpeningPositionsPathsListingsAndCopies) {
    TestFolder folder("files", 0);
    folder.write("data.bin", bytesUpTo(100));
    folder.write("hundred.bin", std::string(100, 'h'));
    std::filesystem::create_directory(folder / "sub");
    folder.write("sub/Inner.txt", "hello\n");

    ProcessResult run = folder.run("files");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> out = lines(run.out);
    ASSERT_EQ(out.size(), 68u) << run.out;
    // The listing comes in the system's order.
    std::sort(out.begin() + 48, out.begin() + 51);
    const std::vector<std::string> expected = {
        "read missing 0", "open missing 0", "created 1", "created size 0", "truncated at once 0",
        // ReadFile
        "  avail 0", "byte 65", "  avail 99", "seek 10", "  avail 0", "eof 0", "  avail 90", "int 218893066",
        "  avail 86", "pos 14", "  avail 0", "pos after write 14", "seek end 100", "eof 1", "  avail 0",
        // OpenFile
        "seek 10", "byte 10", "  avail 89", "byte 11", "  avail 0", "byte after write 13", "  avail 86", "pos 14",
        "eof after write 0", "  avail 84", "seek end 100", "eof 1", "seek before start -1",
        // WriteFile
        "eof 1", "  avail 0", "read 0", "pos 4", "seek 1",
        "full eof -1", "full eof -1", "full bulk 0", "full eof -1", "write to a folder 0", "read a folder 0",
        "backslashes[hello]", "wrong case[hello]", "type 1", "size 6",
        "entry[..]", "entry[.]", "entry[only.txt]", "entry[]", "entry[]",  // sorted
        "missing dir 0", "dir type 2", "dir size 0", "missing type 0", "missing size 0", "wildcard size 100",
        "full dir stays 2", "empty dir goes 0", "root listed 1",
        "copy size 100", "onto itself 100", "deleted 0",
        folder.path() + "/", "relative 1", "done"};
    EXPECT_EQ(out, expected);

    std::string data = bytesUpTo(100);
    data[0] = 65;    // OpenFile + WriteByte replaced the first byte only
    data[12] = 200;  // written between two reads
    data[14] = 'A', data[15] = 'B';
    EXPECT_EQ(folder.read("data.bin"), data);
    EXPECT_EQ(folder.read("written.bin"), "aBcd");
    EXPECT_EQ(folder.read("hundred.bin"), "");
    EXPECT_EQ(folder.read("sub/New.txt"), "new\r\n");
    EXPECT_EQ(folder.read("unclosed.bin"), std::string("\xd2\x04\0\0", 4));  // flushed at module stop
}

TEST(Files, CloseFileOfAnUnknownHandle) {
    TestFolder checked("files-close", 1);
    ProcessResult run = checked.run("files");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, runtimeError("File does not exist"));
    EXPECT_FALSE(std::filesystem::exists(checked / "after.txt"));
    EXPECT_EQ(checked.read("before_error.txt"), "kept\r\n");

    TestFolder unchecked("files-close-unchecked", 1);
    run = unchecked.run("files", false);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(unchecked / "after.txt"));
}

TEST(Files, NextFileOfAClosedListingUnderTheDebugger) {
    TestFolder folder("files-nextfile", 2);
    ProcessResult run = folder.run("files");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, runtimeError("Directory does not exist"));
}

}  // namespace
}  // namespace korva::test
