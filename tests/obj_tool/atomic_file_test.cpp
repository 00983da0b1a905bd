// The temporary-file watch must respect how the caller set up its signals.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tools/vintrax-update/atomic_file.h"

namespace vintrax::objtool {
namespace {

extern "C" void CallersOwnHandler(int) {}

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(AtomicFile, LeavesTheCallersSignalHandlingAsItFoundIt) {
    const std::string target = ::testing::TempDir() + "atomic_file_signals.obj";
    struct sigaction original {};
    ASSERT_EQ(sigaction(SIGHUP, nullptr, &original), 0);
    struct sigaction own {};
    own.sa_handler = CallersOwnHandler;
    ASSERT_EQ(sigaction(SIGTERM, &own, nullptr), 0);
    // Under nohup SIGHUP is ignored: a hang-up during the write must neither kill
    // the run nor lose the file.
    signal(SIGHUP, SIG_IGN);
    {
        AtomicFile file(target);
        raise(SIGHUP);
        file.Write("o kept\n");
        file.Commit();
    }
    EXPECT_EQ(Slurp(target), "o kept\n");

    struct sigaction now {};
    sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, &CallersOwnHandler);

    sigaction(SIGHUP, &original, nullptr);
    signal(SIGTERM, SIG_DFL);
    unlink(target.c_str());
}

}  // namespace
}  // namespace vintrax::objtool
