// Banks and external calls as a program sees them.
#include <gtest/gtest.h>

#include "file_test_folder.h"

namespace korva::test {
namespace {

TEST(Banks, SizesValuesCopiesAndStreams) {
    TestFolder folder("banks", 0);
    ProcessResult run = folder.run("banks");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {
        "size 10", "new 0 0 0 0 0 0 0 0 0 0", "grown 20", "grown 1 2 3 4 5 6 7 8 9 10 0 0 0 0 0 0 0 0 0 0",
        "regained 1 2 3 4 5 0 0 0 0 0",  // shrunk to 5 and grown again: the given-up bytes read 0
        "far 1 2 3 0", "end 0 0 0 0",    // the same across a move to a larger block
        "empty 0", "from empty 0 0 0", "negative 0",
        "int 120 86 52 18", "short 22136", "byte 3 18", "short -1 255 255", "peek short 65535", "byte 300 44",
        "float -2.5", "int at 6 12591104", "int -1 -1",
        "shifted up 1 1 2 3 4", "shifted down 1 2 3 4 4", "other 4 0 0 0",
        "written 4", "read 4", "at end 0", "back 0 0 98 99 100 101 0 0", "done"};
    EXPECT_EQ(lines(run.out), expected);
    EXPECT_EQ(folder.read("bank.bin"), "bcde");
}

TEST(Banks, DebuggerChecksHandlesAndRanges) {
    const std::pair<int, const char*> cases[] = {
        {1, "Offset out of range"},    // PeekInt at 7 of 10 bytes
        {2, "Offset out of range"},    // PokeInt at 7
        {3, "Offset out of range"},    // PeekByte at -1
        {4, "Offset out of range"},    // CopyBank into bytes 5..10
        {5, "Offset out of range"},    // a negative count
        {6, "qyBank does not exist"},  // made up
        {7, "qyBank does not exist"},  // freed
        {8, "Stream does not exist"},  // ReadBytes into a good range from a made-up stream
        {9, "Offset out of range"},    // the bank range is checked before the stream
        {10, "qyBank does not exist"}, // CallDLL's output bank
    };
    for (auto [scenario, message] : cases) {
        SCOPED_TRACE(scenario);
        TestFolder folder("banks-checks", scenario);
        ProcessResult run = folder.run("banks");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, runtimeError(message));
    }
}

TEST(CallDll, CallsBothConventionsAndReportsMissingNamesAsZero) {
    const std::string library = binPath("libkorva_calldll_test.so");
    ASSERT_TRUE(std::filesystem::exists(library)) << "the test library is built by tests/e2e/calldll";
    ProcessResult run = runImage("calldll", {library});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> once = {"cdecl 3", "sum 60", "stdcall 3004", "reversed 30 20 10 0"};
    std::vector<std::string> expected = once;
    expected.insert(expected.end(), once.begin(), once.end());
    // A child the library forks and that faults dies of its fault: the
    // runtime's fault handling stays with the program's own process.
    expected.insert(expected.end(), {"no banks 0", "no function 0", "faulting child 11", "no library 0"});
    EXPECT_EQ(lines(run.out), expected);
    EXPECT_EQ(run.err, "Program has ended\n");
}

}  // namespace
}  // namespace korva::test
