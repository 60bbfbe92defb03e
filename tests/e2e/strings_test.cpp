#include <gtest/gtest.h>

#include "e2e_support.h"

namespace korva::test {
namespace {

TEST(Strings, ConversionsAndRoutinesFromCompiledCode) {
    ProcessResult run = runImage("strings");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{
        "1.0", "0.5", "0.0", "-1.5", "0.1", "0.001", "1.e-004", "1.5e-004", "3.14159", "100000.0",
        "12345700.0", "1.23457e+008", "1.e+009", "-2.5e+010",
        "-12", "0", "-2147483648", "1",
        "1000.0", "0.5", "250.0", "0.0",
        "less", "greater", "equal", "greater",
        "[]", "kept twice", "kept"}));
}

TEST(Strings, NullReadsAsTheEmptyStringEverywhere) {
    ProcessResult run = runImage("null_strings");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.out), (std::vector<std::string>{
        "concat null b [b]", "concat a null [a]", "concat null null is a string 1", "concat null null []",
        "compare null empty 0", "compare null a -1", "compare a null 1", "compare null null 0",
        "0", "0.0", "load of null is a string 1",
        "0", "-1", "1", "2",
        "upper []", "mid []", "replace []", "replace from null [abc]", "replace to null [bc]",
        "string []", "lset [  ]", "0", "",
        "Active strings :0", "Active objects :0", "Unreleased objs:0"}));
}

TEST(Strings, DeclarationListing) {
    ProcessResult run = runProcess({binPath("korva-run"), "--declarations"});
    ASSERT_EQ(run.status, 0);
    auto declarations = lines(run.out);
    ASSERT_GE(declarations.size(), 32u);
    const std::vector<std::string> systemCommands = {
        "End", "Stop", "AppTitle$title$close_prompt=\"\"", "RuntimeError$message", "ExecFile$command",
        "Delay%millisecs", "%MilliSecs", "$CommandLine", "$SystemProperty$property", "$GetEnv$env_var",
        "SetEnv$env_var$value", "%CreateTimer%hertz", "%WaitTimer%timer", "FreeTimer%timer", "DebugLog$text",
        "_qyDebugStmt", "_qyDebugEnter", "_qyDebugLeave", "_qyIntType"};
    EXPECT_EQ(std::vector<std::string>(declarations.begin(), declarations.begin() + 19), systemCommands);
}

}  // namespace
}  // namespace korva::test
