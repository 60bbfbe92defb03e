#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "e2e_support.h"

namespace korva::test {
namespace {

// A quoted file name with blanks, then a switch and trailing blanks: the
// file runs with the switch alone as its parameters.
TEST(ExecFile, QuotedFileWithBlanksGetsTheSwitchAlone) {
    const std::string folder = tempFile("exec dir");
    mkdir(folder.c_str(), 0755);
    const std::string script = folder + "/record args.sh", record = folder + "/args.txt";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > \"" << record << "\"\n";
    chmod(script.c_str(), 0755);
    ProcessResult run = runImage("exec_file", {"\"" + script + "\"", "-x  "});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "started\n");
    std::string recorded;
    for (int attempt = 0; attempt < 50 && recorded.empty(); ++attempt) {
        std::ifstream(record) >> recorded;
        if (recorded.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(recorded, "1|-x|");
    unlink(script.c_str());
    unlink(record.c_str());
    rmdir(folder.c_str());
}

TEST(ExecFile, AMissingProgramChangesNothing) {
    ProcessResult run = runImage("exec_file", {"/no/such/program", "--flag"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "started\n");
}

}  // namespace
}  // namespace korva::test
