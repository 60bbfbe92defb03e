// User types, arrays, data statements and arithmetic helpers as a compiled
// program uses them, with RuntimeStats as the program's view of the counts.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace korva::test {
namespace {

// The output of one part of the objects program, which must end normally.
std::vector<std::string> partOutput(const char* part) {
    ProcessResult run = runImage("objects", {part});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "Program has ended\n");
    return lines(run.out);
}

std::vector<std::string> statsLines(int strings, int objects, int unreleased) {
    return {"Active strings :" + std::to_string(strings), "Active objects :" + std::to_string(objects),
            "Unreleased objs:" + std::to_string(unreleased)};
}

// The lines after a label line, up to the next label.
std::vector<std::string> statsAfter(const std::vector<std::string>& out, const std::string& label) {
    for (size_t i = 0; i + 3 < out.size(); ++i) {
        if (out[i] == label) return {out.begin() + i + 1, out.begin() + i + 4};
    }
    ADD_FAILURE() << "no line " << label;
    return {};
}

TEST(Objects, RuntimeStatsFollowsObjectsAndStrings) {
    auto out = partOutput("1");
    EXPECT_EQ(statsAfter(out, "start"), statsLines(0, 0, 0));
    EXPECT_EQ(statsAfter(out, "three made, one deleted"), statsLines(2, 2, 2));
    EXPECT_EQ(statsAfter(out, "all deleted, one held"), statsLines(0, 0, 1));
    EXPECT_EQ(statsAfter(out, "released"), statsLines(0, 0, 0));
    EXPECT_EQ(statsAfter(out, "strings in an array"), statsLines(4, 0, 0));
    EXPECT_EQ(statsAfter(out, "undimensioned"), statsLines(0, 0, 0));
    EXPECT_EQ(out.back(), "after");
}

TEST(Objects, DeletedObjectKeepsItsStorageWhileHeld) {
    EXPECT_EQ(partOutput("2"), (std::vector<std::string>{
                                   "after delete: b",
                                   "held equals null: 1",
                                   "new while held reuses it: 0",
                                   "first reused is a: 1",
                                   "reused after fresh ones: 509",
                                   "after",
                               }));
}

TEST(Objects, InsBeforeAndInsAfterReorderTheList) {
    EXPECT_EQ(partOutput("3"), (std::vector<std::string>{
                                   "made: p1 p2 p3",
                                   "p3 before p1: p3 p1 p2",
                                   "p3 after p2: p1 p2 p3",
                                   "p2 after itself: p1 p2 p3",
                                   "p1 after p3: p2 p3 p1",
                                   "last: p1",
                                   "before last: p3",
                                   "after",
                               }));
}

TEST(Objects, HandlesAreStablePerTypeAndDieWithTheObject) {
    EXPECT_EQ(partOutput("4"), (std::vector<std::string>{
                                   "handle: 1",
                                   "again: 1",
                                   "rock: 2",
                                   "found: 1",
                                   "as rock: 1",
                                   "never issued: 1",
                                   "after delete: 1",
                                   "deleted object: 0",
                                   "null: 0",
                                   "after",
                               }));
}

TEST(Objects, DumpShowsFieldsRootAndDepthLimit) {
    auto out = partOutput("5");
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out[0], "[1,2.5,\"hi\"]");
    EXPECT_EQ(out[1], "[1,[2,[ROOT],???],???]");
    EXPECT_EQ(out[2], "[1,[2,[2,[2,[2,[2,[2,[2,....,???],???],???],???],???],???],???],???]");
    EXPECT_EQ(out[3], "[NULL]");
    // The vector field's string goes with its object.
    EXPECT_EQ(statsAfter(out, "with a tag"), statsLines(2, 3, 3));
    EXPECT_EQ(statsAfter(out, "links deleted"), statsLines(1, 1, 1));
}

TEST(Objects, DimArraysUseRunningProducts) {
    auto out = partOutput("6");
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(out[0], "dim returns 0");
    EXPECT_EQ(out[1], "size words 4 20");
    EXPECT_EQ(out[2], "nonzero elements 0");
    EXPECT_EQ(out[3], "undimensioned: 1");
    EXPECT_EQ(statsAfter(out, "ship deleted, held twice"), statsLines(0, 0, 1));
    EXPECT_EQ(statsAfter(out, "ships undimensioned"), statsLines(0, 0, 0));
}

TEST(Objects, DataReadsEachKindAsAskedThenRunsOut) {
    ProcessResult run = runImage("objects", {"7"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Runtime error: Out of data\n");
    auto out = lines(run.out);
    ASSERT_EQ(out.size(), 16u) << run.out;
    EXPECT_EQ(std::vector<std::string>(out.begin(), out.begin() + 12),
              (std::vector<std::string>{"7", "2", "12", "-2", "7.0", "2.9", "12.0", "-2.9", "7", "2.9", "12abc",
                                        "-2.9"}));
    // Every string read was released by the command it went to.
    EXPECT_EQ(statsAfter(out, "read"), statsLines(0, 0, 0));
}

TEST(Objects, ArithmeticHelpers) {
    ProcessResult run = runImage("objects", {"8"});
    EXPECT_EQ(lines(run.out),
              (std::vector<std::string>{"-2147483648", "-1", "1", "-1", "1.5", "0.0", "-1.5", "1.41421"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Runtime error: Integer divide by zero\n");
}

TEST(Objects, ProgramFaultsReportTheirMessages) {
    const std::pair<const char*, const char*> cases[] = {
        {"9", "Object does not exist"},
        {"10", "Array index out of bounds"},
        {"11", "Korva array index out of bounds"},
        {"12", "Bad data type"},
        {"13", "Out of data"},  // Read before any Restore
    };
    for (auto [which, message] : cases) {
        SCOPED_TRACE(message);
        ProcessResult run = runImage("objects", {which});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, std::string("Runtime error: ") + message + "\n");
    }
}

}  // namespace
}  // namespace korva::test
