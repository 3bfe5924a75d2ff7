// The aviavg program as a user runs it.
#include "clip_writer.h"
#include "pictures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs aviavg in a directory with the given arguments.
Outcome aviavg(const std::filesystem::path& directory, const std::vector<std::string>& arguments)
{
    const auto outPath = directory / ".stdout";
    const auto errPath = directory / ".stderr";
    pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(directory.c_str()) != 0)
            ::_exit(127);
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        std::vector<char*> argv = {const_cast<char*>(AVIAVG_EXECUTABLE)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(AVIAVG_EXECUTABLE, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    auto text = [](const std::filesystem::path& path) {
        std::ostringstream contents;
        contents << std::ifstream(path).rdbuf();
        std::filesystem::remove(path);
        return contents.str();
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(outPath), text(errPath)};
}

std::vector<Picture> writeClip(const std::filesystem::path& file, std::uint32_t seed)
{
    const auto pictures = noisePictures(10, 6, 4, seed);
    ClipWriter writer(file.string(), 10, 6, {.encoder = "ffv1", .pixelFormat = "bgr0"});
    for (const Picture& picture : pictures)
        writer.write(picture.bgr.data(), 30);
    writer.finish();
    return pictures;
}

}  // namespace

TEST(CommandLine, NoArgumentsDoNothing)
{
    ScratchDirectory directory;
    const Outcome run = aviavg(directory.path(), {});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(std::filesystem::is_empty(directory.path()));
}

TEST(CommandLine, EachFileIsAveragedAndFailuresAreReportedInBetween)
{
    ScratchDirectory directory;
    const auto first = writeClip(directory / "a.avi", 1);
    const auto last = writeClip(directory / "-c.avi", 2);
    std::ofstream(directory / "b.avi") << "text";

    const Outcome run = aviavg(directory.path(), {"a.avi", "missing.avi", "b.avi", "-c.avi"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "usredniono aS.bmpusredniono -cS.bmp");
    EXPECT_EQ(run.err,
              "aviavg: missing.avi: No such file or directory\n"
              "aviavg: b.avi: not a readable AVI file\n");
    EXPECT_EQ(bmpPixels(directory / "aS.bmp"), expectedAverage(first));
    EXPECT_EQ(bmpPixels(directory / "-cS.bmp"), expectedAverage(last));
    EXPECT_FALSE(std::filesystem::exists(directory / "bS.bmp"));
    EXPECT_FALSE(std::filesystem::exists(directory / "missingS.bmp"));

    const Outcome good = aviavg(directory.path(), {"a.avi"});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err, "");
}

TEST(CommandLine, AnInputIsNeverOverwritten)
{
    ScratchDirectory directory;
    // No '.' among the first 40 characters, then the suffix: the output name
    // would be the input's own.
    const std::string name = std::string(40, 'v') + "S.bmp";
    writeClip(directory / name, 3);
    const auto before = readFile(directory / name);

    const Outcome run = aviavg(directory.path(), {name});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "aviavg: " + name + ": the output name " + name + " is the input's own; not overwriting it\n");
    EXPECT_EQ(readFile(directory / name), before);
}

TEST(CommandLine, AFailedWriteCountsAsAFailure)
{
    ScratchDirectory directory;
    writeClip(directory / "clip.avi", 4);
    std::filesystem::create_directory(directory / "clipS.bmp");

    const Outcome run = aviavg(directory.path(), {"clip.avi"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "usredniono clipS.bmp");
    EXPECT_EQ(run.err, "aviavg: clip.avi: cannot write clipS.bmp: Is a directory\n");
    EXPECT_TRUE(std::filesystem::is_directory(directory / "clipS.bmp"));
    EXPECT_TRUE(std::filesystem::is_empty(directory / "clipS.bmp"));
}
