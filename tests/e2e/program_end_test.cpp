// How programs end, and how failures reach the user, seen from outside.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace korva::test {
namespace {

TEST(ProgramEnd, NormalEndReportsProgramHasEnded) {
    ProcessResult run = runImage("faults", {"0"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "before\nafter\n");
    EXPECT_EQ(run.err, "Program has ended\n");
}

TEST(ProgramEnd, EndStopsQuietly) {
    ProcessResult run = runImage("faults", {"6"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "before\n");
    EXPECT_EQ(run.err, "");
}

TEST(ProgramEnd, ProcessorFaultsBecomeRuntimeErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "Integer divide by zero"},
        {"2", "Illegal memory address"},
        {"3", "Stack overflow!"},
        {"4", "Illegal instruction"},
    };
    for (auto [which, message] : cases) {
        SCOPED_TRACE(message);
        ProcessResult run = runImage("faults", {which});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "before\n");
        EXPECT_EQ(run.err, runtimeError(message));
    }
}

TEST(ProgramEnd, FloatDivisionByZeroGivesInfinities) {
    ProcessResult run = runImage("faults", {"7"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "before\nInfinity\n-Infinity\nafter\n");
}

TEST(ProgramEnd, RuntimeErrorKeepsTheFirst255Characters) {
    ProcessResult run = runImage("faults", {"5"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, runtimeError("X" + std::string(254, 'a')));
}

TEST(ProgramEnd, WithoutDebuggerErrorsShowAnErrorBoxAndExitNormally) {
    ProcessResult run = runImage("faults", {"1"}, false);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");  // DebugLog goes nowhere without a host
    EXPECT_EQ(run.err, "Error!: Integer divide by zero\n");
}

TEST(ProgramEnd, StackAlignedToFourBytesOnly) {
    ProcessResult run = runImage("misaligned_stack");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1234.5\n1.5e-004\n");
}

}  // namespace
}  // namespace korva::test
