// The string and math commands called from a compiled program.
#include <gtest/gtest.h>

#include <regex>

#include "e2e_support.h"

namespace korva::test {
namespace {

TEST(StringProgram, AsAProgramSeesThem) {
    ProcessResult run = runImage("string_commands");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "Program has ended\n");
    auto out = lines(run.out);
    const std::vector<std::string> expected = {
        "left [he]",
        "left99 [hello]",
        "right [llo]",
        "mid7 []",
        "mid2,10 [bcde]",
        "mid3 [cde]",
        "instr4 6",
        "instr1 3",
        "instr none 0",
        "instr empty 4",
        "replace [aaaaaa]",
        "replace inserted [x<->y<->z]",
        "upper [MIXED CASE \xe9\xc9 1!]",
        "lower [mixed case \xe9\xc9 1!]",
        "trim [padded text]",
        "lset [ab  ]",
        "rset [  ab]",
        "rset cut [ef]",
        "len chr0 1",
        "chr321 [A]",
        "asc chr200 200",
        "asc empty -1",
        "hex-1 [FFFFFFFF]",
        "bin5 [00000000000000000000000000000101]",
        "string [ababab]",
        "string0 []",
    };
    ASSERT_EQ(out.size(), expected.size() + 2) << run.out;
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(out[i], expected[i]);
    EXPECT_TRUE(std::regex_match(out[expected.size()],
                                 std::regex("[0-3][0-9] (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [0-9]{4}")))
        << out[expected.size()];
    EXPECT_TRUE(std::regex_match(out[expected.size() + 1], std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]")))
        << out[expected.size() + 1];
}

TEST(StringProgram, BadCountsAreRuntimeErrors) {
    const std::pair<const char*, const char*> cases[] = {
        {"1", "parameter must be positive"},       {"2", "parameter must be positive"},
        {"3", "parameter must be positive"},       {"4", "parameter must be positive"},
        {"5", "parameter must be greater than 0"}, {"6", "parameter must be greater than 0"},
    };
    for (auto [which, message] : cases) {
        SCOPED_TRACE(which);
        ProcessResult run = runImage("string_errors", {which});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "before\n");
        EXPECT_EQ(run.err, std::string("Runtime error: ") + message + "\n");
    }
}

// The random values are worked out by hand from the generator's definition:
// start state 4660, state := 48271 * state mod 2147483647, unit value
// (low 16 bits + 0.5) / 65536.
TEST(MathProgram, AsAProgramSeesThem) {
    ProcessResult run = runImage("math_commands");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> expected = {
        "rnd 0.355659",          // 23308.5 / 65536
        "rand 8",                // 1 + 0.74787 * 10
        "rand 2",                // 1 + 0.31705 * 6
        "seeded rand 74",        // state 1 -> 48271: 1 + 0.73656 * 100
        "seeded rnd 0.6866",     // 2 * 0.34329986572265625
        "rnd10 2.03743",         // 10 - 10 * 0.7962570190429688
        "rand reversed 10",      // -10 + 0.95867 * 21
        "sin90 1.0",
        "sin30 0.5",
        "cos90 -4.37114e-008",
        "tan45 1.0",
        "tan90 -22877300.0",     // finite: the tangent is taken at full precision
        "asin0.5 30.0",
        "acos-1 180.0",
        "atan1 45.0",
        "atan2(1,0) 90.0",
        "atan2(0,-1) 180.0",
        "sqr2 1.41421",
        "sqr-1 NaN",
        "floor-1.5 -2.0",
        "ceil-1.5 -1.0",
        "exp1 2.71828",
        "log10 2.30259",
        "log0 -Infinity",
        "log10(1000) 3.0",
    };
    EXPECT_EQ(lines(run.out), expected);
}

}  // namespace
}  // namespace korva::test
