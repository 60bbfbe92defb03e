#include <gtest/gtest.h>

#include "e2e_support.h"

namespace korva::test {
namespace {

int valueAfter(const std::string& line, const std::string& label) {
    EXPECT_EQ(line.rfind(label, 0), 0u) << line;
    return std::stoi(line.substr(label.size()));
}

TEST(SystemCommands, AsAProgramSeesThem) {
    ProcessResult run = runImage("system_commands", {"  two", "words  "});
    ASSERT_EQ(run.status, 0) << run.err;
    auto out = lines(run.out);
    ASSERT_EQ(out.size(), 14u) << run.out;
    EXPECT_EQ(out[0], "cmd=[two words]");
    EXPECT_EQ(out[1], "Intel");
    EXPECT_EQ(out[2], "os=[]");
    EXPECT_EQ(out[3], "none=[]");
    EXPECT_EQ(out[4], "/tmp/");
    EXPECT_EQ(out[5], "/tmp/");
    EXPECT_EQ(out[6], std::string(KORVA_BIN_DIR) + "/");
    EXPECT_EQ(out[7], "forty two");
    EXPECT_EQ(out[8], "unset=[]");
    // Wide bounds: the machine is shared and noisy.
    const int delay = valueAfter(out[9], "delay=");
    EXPECT_GE(delay, 195);
    EXPECT_LT(delay, 1000);
    const int periods = valueAfter(out[10], "periods=");
    EXPECT_GE(periods, 4);
    EXPECT_LE(periods, 10);
    EXPECT_GE(valueAfter(out[11], "next="), 1);
    EXPECT_LT(valueAfter(out[12], "waited="), 200);
    EXPECT_EQ(out[13], "bad timer=0");
}

}  // namespace
}  // namespace korva::test
