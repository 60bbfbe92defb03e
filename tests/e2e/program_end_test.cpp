// How programs end, and how failures reach the user, seen from outside.
#include <gtest/gtest.h>

#include <unistd.h>

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
        {"8", "Unknown runtime exception"},  // int3
        {"9", "Unknown runtime exception"},  // into
        {"10", "Unknown runtime exception"}, // bound
        {"11", "Unknown runtime exception"}, // a privileged instruction
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

TEST(ProgramEnd, CommandOutOfMemoryIsARuntimeError) {
    ProcessResult run = runImage("faults", {"12"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, runtimeError("Out of memory"));
}

TEST(ProgramEnd, StackAlignedToFourBytesOnly) {
    ProcessResult run = runImage("misaligned_stack");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "1234.5\n1.5e-004\n");
}

// Library code needs the stack aligned to 16 bytes, compiled code keeps 4: a
// probe in front of the allocator (which every path into a library reaches)
// reports any entry on a misaligned stack. The probe stands in for the
// allocator, which AddressSanitizer owns in the sanitizer build: there the
// two cannot share a process.
const std::string kStackProbe = "LD_PRELOAD=" + binPath("libkorva_stack_probe.so");
#ifdef __SANITIZE_ADDRESS__
#define SKIP_WITHOUT_STACK_PROBE() GTEST_SKIP() << "the stack probe cannot replace AddressSanitizer's allocator"
#else
#define SKIP_WITHOUT_STACK_PROBE()
#endif

TEST(ProgramEnd, LibraryReachingCommandsRealignTheStack) {
    SKIP_WITHOUT_STACK_PROBE();
    const std::string picture = std::string(KORVA_SOURCE_DIR) + "/examples/assets/sprites.bmp";
    ProcessResult run = runProcess(
        {binPath("korva-run"), imagePath("stack_alignment"), "commands", picture}, 30, {kStackProbe});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "past 0 picture text\npast 4 picture text\npast 8 picture text\npast 12 picture text\n");
    EXPECT_EQ(run.err, "Program has ended\n");
}

TEST(ProgramEnd, ErrorBoxOfAGameOnAMisalignedStack) {
    SKIP_WITHOUT_STACK_PROBE();
    const std::string game = packGame(imagePath("stack_alignment"), "aligning-game");
    for (const char* past : {"4", "8", "12"}) {
        ProcessResult run = runProcess({game, "error", past}, 30, {kStackProbe});
        EXPECT_EQ(run.status, 0) << past;
        EXPECT_EQ(run.err, std::string("Error!: Stopped ") + past + "\n");
    }
    unlink(game.c_str());
}

}  // namespace
}  // namespace korva::test
