#include "image/replace_file.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<std::uint8_t> someBytes(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t(i * 7 + size);
    return bytes;
}


}  // namespace

TEST(ReplaceFile, ReplacesAnEarlierFileWhole)
{
    ScratchDirectory directory;
    const auto target = directory / "outS.bmp";
    ::umask(022);
    ASSERT_EQ(replaceFile(target.c_str(), someBytes(3000)), 0);
    ASSERT_EQ(replaceFile(target.c_str(), someBytes(5)), 0);
    EXPECT_EQ(readFile(target), someBytes(5));
    EXPECT_EQ(filesIn(directory.path()).size(), 1u);  // no temporary file left
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0644));
    EXPECT_EQ(replaceFile((directory / "missing" / "outS.bmp").c_str(), someBytes(5)), ENOENT);
}

TEST(ReplaceFile, AFailedWriteLeavesTheEarlierFileAndNoPartialOne)
{
    ScratchDirectory directory;
    const auto target = directory / "outS.bmp";
    ASSERT_EQ(replaceFile(target.c_str(), someBytes(100)), 0);

    // A child process whose files may not grow past 2000 bytes: the write
    // fails part way.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{2000, 2000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(replaceFile(target.c_str(), someBytes(10000)));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EFBIG);
    EXPECT_EQ(readFile(target), someBytes(100));
    EXPECT_EQ(filesIn(directory.path()).size(), 1u);
}

TEST(ReplaceFile, ASignalDuringTheWriteRemovesTheTemporaryFile)
{
    ScratchDirectory directory;
    const auto target = directory / "outS.bmp";
    const std::vector<std::uint8_t> contents = someBytes(16'000'000);
    ASSERT_EQ(replaceFile(target.c_str(), contents), 0);

    for (int signal : {SIGTERM, SIGINT}) {
        // The child writes the same file again and again until the signal
        // comes, which is sent while a temporary file is there.
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            removeTemporaryFilesOnSignals();
            for (;;)
                replaceFile(target.c_str(), contents);
        }
        while (filesIn(directory.path()).size() < 2)
            ::usleep(100);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        EXPECT_EQ(filesIn(directory.path()).size(), 1u) << signal;
        EXPECT_EQ(readFile(target), contents);
    }
}
