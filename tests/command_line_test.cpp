// The aviavg program as a user runs it.
#include "app/output_name.h"
#include "tests/support/clips.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The program under test: this build's, or, where AVIAVG_WINDOWS_PROGRAM names
// one, a command that runs the Windows build's aviavg.exe (under Wine, made
// by make test-windows) on the same clips.
const char* windowsProgram() { return std::getenv("AVIAVG_WINDOWS_PROGRAM"); }

std::string programUnderTest() { return windowsProgram() ? windowsProgram() : AVIAVG_EXECUTABLE; }

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// What the program may not do.
struct Limits {
    rlim_t fileSize = RLIM_INFINITY;  // bytes a file may grow to (the disk is full past it)
    bool unprivileged = false;        // run as nobody, so that permissions apply to root too
    unsigned seconds = 60;            // killed after this long (status -1)
    bool oneStream = false;           // standard error into standard output's file
};

// Runs aviavg in a directory with the given arguments.
Outcome aviavg(const std::filesystem::path& directory, const std::vector<std::string>& arguments, Limits limits = {})
{
    const auto outPath = directory / ".stdout";
    const auto errPath = directory / ".stderr";
    // The build tree may lie where other users cannot enter (root's home is
    // 0700): an unprivileged run gets a copy of the program it can reach.
    std::string program = programUnderTest();
    if (limits.unprivileged) {
        program = (directory / ".aviavg").string();
        std::filesystem::copy_file(AVIAVG_EXECUTABLE, program, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::permissions(program, std::filesystem::perms(0755));
    }
    pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(directory.c_str()) != 0)
            ::_exit(127);
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        if (limits.oneStream)
            ::dup2(STDOUT_FILENO, STDERR_FILENO);
        else
            ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        if (limits.fileSize != RLIM_INFINITY) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize{limits.fileSize, limits.fileSize};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
        }
        ::alarm(limits.seconds);
        if (limits.unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(126);
        std::vector<char*> argv = {program.data()};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
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
    if (limits.unprivileged)
        std::filesystem::remove(program);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(outPath), text(errPath)};
}

std::vector<Picture> writeClip(const std::filesystem::path& file, std::uint32_t seed, int width = 10)
{
    const auto pictures = noisePictures(width, 6, 4, seed);
    ::writeClip(file, pictures, {.encoder = "ffv1", .pixelFormat = "bgr0", .container = "avi"});
    return pictures;
}

}  // namespace

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
              "aviavg: b.avi: not a video file\n");
    EXPECT_EQ(bmpPixels(directory / "aS.bmp"), expectedAverage(first));
    EXPECT_EQ(bmpPixels(directory / "-cS.bmp"), expectedAverage(last));
    EXPECT_FALSE(std::filesystem::exists(directory / "bS.bmp"));
    EXPECT_FALSE(std::filesystem::exists(directory / "missingS.bmp"));

    const Outcome good = aviavg(directory.path(), {"a.avi"});
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.err, "");

    // Both streams into one file: in the order of the files.
    const Outcome merged = aviavg(directory.path(), {"a.avi", "missing.avi", "-c.avi"}, {.oneStream = true});
    EXPECT_EQ(merged.out, "usredniono aS.bmpaviavg: missing.avi: No such file or directory\nusredniono -cS.bmp");
}

// Letters of any script, in UTF-8 (on Windows, in the UTF-16 command line),
// and on Windows a wildcard that aviavg.exe expands itself.
TEST(CommandLine, ANameInAnyScriptWorks)
{
    ScratchDirectory directory;
    const std::string name = "zdj\u0119cie_\u00df_\u65e5\u672c.avi";
    const std::string bitmap = "zdj\u0119cie_\u00df_\u65e5\u672cS.bmp";
    const auto pictures = writeClip(directory / name, 13);
    const Outcome run = aviavg(directory.path(), {windowsProgram() ? "*.avi" : name});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "usredniono " + bitmap);
    EXPECT_EQ(bmpPixels(directory / bitmap), expectedAverage(pictures));
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

    // Other names of the same file: through "./", and a hard link.
    writeClip(directory / "S.bmp", 4);
    writeClip(directory / "clip.avi", 5);
    std::filesystem::create_hard_link(directory / "clip.avi", directory / "clipS.bmp");
    const auto clip = readFile(directory / "clip.avi");
    const Outcome aliases = aviavg(directory.path(), {"./S.bmp", "clip.avi"});
    EXPECT_EQ(aliases.status, 1);
    EXPECT_EQ(aliases.out, "");
    EXPECT_EQ(aliases.err, "aviavg: ./S.bmp: the output name S.bmp is the input's own; not overwriting it\n"
                           "aviavg: clip.avi: the output name clipS.bmp is the input's own; not overwriting it\n");
    EXPECT_EQ(readFile(directory / "clip.avi"), clip);

    // A link named like an output is what the bitmap replaces, never the
    // file it leads to, whichever comes first. (Wine shows a link as the
    // file it leads to.)
    if (windowsProgram())
        return;
    for (const std::vector<std::string>& order : {std::vector<std::string>{"y.avi", "x.avi"}, {"x.avi", "y.avi"}}) {
        const auto x = writeClip(directory / "x.avi", 6);
        const auto y = writeClip(directory / "y.avi", 7);
        std::filesystem::remove(directory / "xS.bmp");
        std::filesystem::create_symlink("yS.bmp", directory / "xS.bmp");
        const Outcome run = aviavg(directory.path(), order);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_FALSE(std::filesystem::is_symlink(directory / "xS.bmp"));
        EXPECT_EQ(bmpPixels(directory / "xS.bmp"), expectedAverage(x));
        EXPECT_EQ(bmpPixels(directory / "yS.bmp"), expectedAverage(y));
    }
}

// Files dropped on the program from a deep folder come with their full paths,
// whose first 40 bytes are all the same: one bitmap name for all. The first
// file's bitmap is kept; the same file named again, by any name, replaces it.
TEST(CommandLine, ABitmapMadeForOneInputIsNotReplacedForAnother)
{
    ScratchDirectory directory;
    const std::string folder = "Lab experiment 2024, camera two, archive";  // 40 bytes
    std::filesystem::create_directories(directory / folder);
    std::filesystem::create_directory(directory / "out");
    const auto first = writeClip(directory / folder / "run1.avi", 15);
    writeClip(directory / folder / "run2.avi", 16);
    const auto other = writeClip(directory / "out" / "a.avi", 17);
    writeClip(directory / "out" / "a.mp4", 18);
    const std::string bitmap = folder + "S.bmp";

    // out/aS.bmp and out//aS.bmp are one file, by two names.
    const Outcome run = aviavg(directory.path(), {folder + "/run1.avi", folder + "/run2.avi", folder + "//run1.avi",
                                                  "out/a.avi", "out//a.mp4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "usredniono " + bitmap + "usredniono " + bitmap + "usredniono out/aS.bmp");
    EXPECT_EQ(run.err, "aviavg: " + folder + "/run2.avi: its bitmap " + bitmap + " would replace the one just made for " +
                           folder + "/run1.avi\n"
                           "aviavg: out//a.mp4: its bitmap out//aS.bmp would replace the one just made for out/a.avi\n");
    EXPECT_EQ(bmpPixels(directory / bitmap), expectedAverage(first));
    EXPECT_EQ(bmpPixels(directory / "out" / "aS.bmp"), expectedAverage(other));
}

// A video deep in a folder tree, named by an absolute path of over 300
// characters (on Windows, under Wine's drive Z:, with either slash), is read,
// and its bitmap goes where the name's first 40 bytes put it.
TEST(CommandLine, AVideoOnALongAbsolutePathIsRead)
{
    ScratchDirectory directory;
    std::filesystem::path deep = directory.path();
    for (int i = 0; deep.string().size() < 300; ++i)
        deep /= "folder " + std::to_string(i) + " of a camera archive";
    std::filesystem::create_directories(deep);
    const auto pictures = writeClip(deep / "clip.avi", 19);
    const std::string path = (deep / "clip.avi").string();
    std::string backslashed = "Z:" + path;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    for (const std::string& name : windowsProgram() ? std::vector{backslashed, "Z:" + path} : std::vector{path}) {
        std::string bitmap = outputName(name);
        const Outcome run = aviavg(directory.path(), {name});
        EXPECT_EQ(run.status, 0) << name;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, "usredniono " + bitmap);
        std::replace(bitmap.begin(), bitmap.end(), '\\', '/');
        EXPECT_EQ(bmpPixels(bitmap.substr(windowsProgram() ? 2 : 0)), expectedAverage(pictures));
        std::filesystem::remove(bitmap.substr(windowsProgram() ? 2 : 0));
    }
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

TEST(CommandLine, AFullDiskFailsThatFileOnlyAndKeepsItsEarlierBitmap)
{
    if (windowsProgram())
        GTEST_SKIP() << "the full disk is a POSIX file size limit, which Wine reports as another error";
    ScratchDirectory directory;
    const auto small = writeClip(directory / "a.avi", 5);
    writeClip(directory / "b.avi", 6, 400);  // its bitmap is over 3,000 bytes
    const std::vector<std::uint8_t> earlier = {'o', 'l', 'd'};
    std::ofstream(directory / "bS.bmp").write("old", 3);

    const Outcome run = aviavg(directory.path(), {"b.avi", "a.avi"}, {.fileSize = 2000});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "usredniono bS.bmpusredniono aS.bmp");
    EXPECT_EQ(run.err, "aviavg: b.avi: cannot write bS.bmp: File too large\n");
    EXPECT_EQ(readFile(directory / "bS.bmp"), earlier);
    EXPECT_EQ(bmpPixels(directory / "aS.bmp"), expectedAverage(small));
    EXPECT_EQ(filesIn(directory.path()), (std::set<std::string>{"a.avi", "aS.bmp", "b.avi", "bS.bmp"}));
}

TEST(CommandLine, AnUnwritableDirectoryFailsThatFileOnly)
{
    if (windowsProgram())
        GTEST_SKIP() << "runs as another user, who cannot use the Wine prefix, and Windows has no mode bits";
    ScratchDirectory directory;
    std::filesystem::permissions(directory.path(), std::filesystem::perms(0755));
    std::filesystem::create_directory(directory / "locked");
    writeClip(directory / "locked" / "clip.avi", 7);
    const auto good = writeClip(directory / "open.avi", 8);
    std::filesystem::permissions(directory / "locked", std::filesystem::perms(0555));
    std::filesystem::permissions(directory / "open.avi", std::filesystem::perms(0644));
    std::filesystem::permissions(directory / "locked" / "clip.avi", std::filesystem::perms(0644));
    std::filesystem::create_directory(directory / "out");
    std::filesystem::permissions(directory / "out", std::filesystem::perms(0777));
    std::filesystem::rename(directory / "open.avi", directory / "out" / "open.avi");

    const Outcome run = aviavg(directory.path(), {"locked/clip.avi", "out/open.avi"}, {.unprivileged = true});
    std::filesystem::permissions(directory / "locked", std::filesystem::perms(0755));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "usredniono locked/clipS.bmpusredniono out/openS.bmp");
    EXPECT_EQ(run.err, "aviavg: locked/clip.avi: cannot write locked/clipS.bmp: Permission denied\n");
    EXPECT_EQ(filesIn(directory / "locked"), (std::set<std::string>{"clip.avi"}));
    EXPECT_EQ(bmpPixels(directory / "out" / "openS.bmp"), expectedAverage(good));
}

// What a terminal shows of a run, standard output and error both on it.
std::string onTerminal(const std::filesystem::path& directory, std::vector<std::string> arguments)
{
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0)
        return {};
    if (child == 0) {
        std::vector<char*> argv = {const_cast<char*>("aviavg")};
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (::chdir(directory.c_str()) == 0)
            ::execv(AVIAVG_EXECUTABLE, argv.data());
        ::_exit(127);
    }
    std::string seen;
    char buffer[4096];
    for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;)
        seen.append(buffer, std::size_t(got));
    ::close(terminal);
    ::waitpid(child, nullptr, 0);
    return seen;
}

TEST(CommandLine, ATerminalSeesAProgressLineErasedBeforeTheMessage)
{
    if (windowsProgram())
        GTEST_SKIP() << "a pseudo-terminal is no Windows console";
    int terminal = -1;
    int other = -1;
    if (::openpty(&terminal, &other, nullptr, nullptr, nullptr) != 0)
        GTEST_SKIP() << "no pseudo-terminal can be opened here (no /dev/pts): " << std::strerror(errno);
    ::close(terminal);
    ::close(other);
    ScratchDirectory directory;
    writeClip(directory / "clip.avi", 9);
    const std::string seen = onTerminal(directory.path(), {"clip.avi"});

    // Drawn from where the cursor was, and erased back to there.
    const std::string drawn = "\0337\0338\033[Jclip.avi: 0/4 frames (0%)";
    const std::string end = "\0338\033[Jusredniono clipS.bmp";
    EXPECT_EQ(seen.substr(0, drawn.size()), drawn);
    ASSERT_GE(seen.size(), end.size());
    EXPECT_EQ(seen.substr(seen.size() - end.size()), end);

    // An error line after a message starts a line of its own.
    const std::string both = onTerminal(directory.path(), {"clip.avi", "missing.avi"});
    EXPECT_NE(both.find("usredniono clipS.bmp\r\naviavg: missing.avi: No such file or directory\r\n"), std::string::npos)
        << both;

    // A file read ahead of its turn shows its line once its turn comes.
    ::writeClip(directory / "long.avi", noisePictures(320, 240, 150, 10),
                {.encoder = "ffv1", .pixelFormat = "bgr0", .container = "avi"});
    const std::string ahead = onTerminal(directory.path(), {"clip.avi", "long.avi"});
    EXPECT_NE(ahead.find("usredniono clipS.bmp\0337\0338\033[Jlong.avi: "), std::string::npos) << ahead;
}

// Arguments that FFmpeg would take as URLs are names of local files: absent,
// they are missing files (and nothing is contacted); present, they are read.
TEST(CommandLine, AnArgumentIsALocalFileWhateverItLooksLike)
{
    // A listener that no argument may reach.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));

    const std::vector<std::string> names = {
        "http://" + host + "/a.avi", "tcp://" + host, "udp://" + host, "rtsp://" + host + "/a.avi",
        "concat:a.avi|b.avi", "subfile,,start,0,end,0,,:a.avi", "data:video/x-msvideo;base64,AAAA",
        "pipe:0", "fd:0", "file:a.avi", "12:30.avi"};
    ScratchDirectory directory;
    writeClip(directory / "a.avi", 10);
    writeClip(directory / "b.avi", 11);

    const Outcome absent = aviavg(directory.path(), names, {.seconds = 10});
    EXPECT_EQ(absent.status, 1);
    EXPECT_EQ(absent.out, "");
    std::string missing;
    for (const std::string& name : names)
        missing += "aviavg: " + name + ": No such file or directory\n";
    EXPECT_EQ(absent.err, missing);
    EXPECT_LT(::accept(listener, nullptr, nullptr), 0) << "a connection came in";
    ::close(listener);
    if (windowsProgram())
        GTEST_SKIP() << "the rest makes files named with ':' and '|', which Windows names cannot hold";

    std::string announced;
    std::vector<std::vector<std::uint8_t>> expected;
    for (std::uint32_t i = 0; i < names.size(); ++i) {
        std::filesystem::create_directories((directory / names[i]).parent_path());
        expected.push_back(expectedAverage(writeClip(directory / names[i], 20 + i)));
        announced += "usredniono " + outputName(names[i]);
    }
    const Outcome present = aviavg(directory.path(), names, {.seconds = 20});
    EXPECT_EQ(present.status, 0);
    EXPECT_EQ(present.err, "");
    EXPECT_EQ(present.out, announced);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(bmpPixels(directory / outputName(names[i])), expected[i]) << names[i];
}

// A playlist, script or manifest saved under a video's name may name other
// files; none of them is opened.
TEST(CommandLine, AFileNamingOtherFilesIsNotAVideoAndTheyStayUnopened)
{
    ScratchDirectory directory;
    const auto target = directory / "target.avi";
    writeClip(target, 12);
    const std::string path = target.string();
    const std::vector<std::pair<std::string, std::string>> files = {
        {"concat.avi", "ffconcat version 1.0\nfile '" + path + "'\n"},
        {"hls.avi", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + path + "\n#EXT-X-ENDLIST\n"},
        {"dash.avi", "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" "
                     "mediaPresentationDuration=\"PT1S\" minBufferTime=\"PT1S\" "
                     "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\"><Period><AdaptationSet "
                     "mimeType=\"video/x-msvideo\"><Representation id=\"1\" bandwidth=\"1000\"><BaseURL>" +
                         path + "</BaseURL></Representation></AdaptationSet></Period></MPD>\n"}};
    std::vector<std::string> names;
    std::string refused;
    for (const auto& [name, contents] : files) {
        std::ofstream(directory / name) << contents;
        names.push_back(name);
        refused += "aviavg: " + name + ": not a video file\n";
    }

    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(::inotify_add_watch(watch, target.c_str(), IN_OPEN | IN_ACCESS), 0);
    const Outcome run = aviavg(directory.path(), names, {.seconds = 20});
    char event[4096];
    EXPECT_LT(::read(watch, event, sizeof event), 0) << "target.avi was opened";
    ::close(watch);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, refused);
}

// Inputs that are no video to read: one line each on standard error, in the
// order given, the name quoted for a shell where it holds a line break or a
// terminal control sequence; nothing on standard output, no file made. A
// FIFO would block and a device never end: only regular files are read.
TEST(CommandLine, EachInputThatIsNoVideoGivesOneLine)
{
    ScratchDirectory directory;
    std::filesystem::create_directory(directory / "folder.avi");
    ASSERT_EQ(::mkfifo((directory / "fifo.avi").c_str(), 0644), 0);
    const std::vector<std::string> controls = {"evil\n.avi", "\033]0;title\a\033[2J.avi"};
    if (!windowsProgram())
        for (const std::string& name : controls)
            std::ofstream(directory / name) << "text";
    // Windows' devices instead of a FIFO and /dev/zero; its names hold no controls.
    const std::vector<std::string> others =
        windowsProgram() ? std::vector<std::string>{"NUL", "CON"} : std::vector<std::string>{"fifo.avi", "/dev/zero"};
    const struct {
        std::vector<std::string> arguments;
        std::string err;
    } cases[] = {
        {{}, ""},
        {{"folder.avi", others[0], others[1]},
         "aviavg: folder.avi: Is a directory\n"
         "aviavg: " + others[0] + ": not a regular file\n"
         "aviavg: " + others[1] + ": not a regular file\n"},
        {windowsProgram() ? std::vector<std::string>{} : controls,
         windowsProgram() ? "" : "aviavg: 'evil'$'\\n''.avi': not a video file\n"
                                 "aviavg: ''$'\\033'']0;title'$'\\a\\033''[2J.avi': not a video file\n"},
    };
    const std::set<std::string> before = filesIn(directory.path());
    for (const auto& c : cases) {
        const Outcome run = aviavg(directory.path(), c.arguments, {.seconds = 10});
        EXPECT_EQ(run.status, c.err.empty() ? 0 : 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(filesIn(directory.path()), before);
    }
}

// Small files are read several at a time; what is printed, the files left
// and the exit status are those of reading them one after the other, also
// where a later input is an earlier file's bitmap, or leads to one.
TEST(CommandLine, ManyFilesAreReportedInTheOrderGiven)
{
    ScratchDirectory scratch;
    const auto together = scratch / "together";
    const auto oneByOne = scratch / "one-by-one";
    std::filesystem::create_directory(together);
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "clip" + std::to_string(i) + ".avi";
        // A longer file first, so that later ones finish before it.
        ::writeClip(together / name, noisePictures(i == 0 ? 300 : 10, i == 0 ? 200 : 6, i == 0 ? 40 : 3, 30 + i),
                    {.encoder = "ffv1", .pixelFormat = "bgr0", .container = "avi"});
        names.push_back(name);
        if (i % 4 == 1)
            names.push_back("missing" + std::to_string(i) + ".avi");
    }
    std::ofstream(together / "text.avi") << "text";
    names.insert(names.begin() + 3, "text.avi");
    std::filesystem::create_directory(together / "clip5S.bmp");  // its bitmap cannot be written
    names.insert(names.begin() + 6, "clip2S.bmp");               // a bitmap by then
    std::filesystem::create_symlink("clip7S.bmp", together / "link.avi");
    names.push_back("link.avi");                                  // leads to one
    std::filesystem::copy(together, oneByOne, std::filesystem::copy_options::recursive |
                                                  std::filesystem::copy_options::copy_symlinks);

    Outcome inTurn{0, "", ""};
    for (const std::string& name : names) {
        const Outcome run = aviavg(oneByOne, {name});
        inTurn.status |= run.status;
        inTurn.out += run.out;
        inTurn.err += run.err;
    }
    const Outcome atOnce = aviavg(together, names);
    EXPECT_EQ(atOnce.status, inTurn.status);
    EXPECT_EQ(atOnce.out, inTurn.out);
    EXPECT_EQ(atOnce.err, inTurn.err);
    EXPECT_EQ(filesIn(together), filesIn(oneByOne));
    for (const std::string& name : filesIn(oneByOne))
        if (name.ends_with(".bmp") && std::filesystem::is_regular_file(oneByOne / name)) {
            EXPECT_EQ(readFile(together / name), readFile(oneByOne / name)) << name;
        }
}

// Every input the fuzzer kept, in one call: each gives either an error line
// or a bitmap and its message, never both and never neither.
TEST(CommandLine, EveryInputTheFuzzerKeptGivesAnErrorLineOrABitmap)
{
    ScratchDirectory directory;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(AVIAVG_FUZZ_CORPUS)) {
        names.push_back("input" + std::to_string(names.size()) + ".avi");
        std::filesystem::copy_file(entry.path(), directory / names.back());
    }
    ASSERT_GT(names.size(), 100u);
    const Outcome run = aviavg(directory.path(), names, {.seconds = 120});
    std::size_t averaged = 0;
    for (const std::string& name : names) {
        const std::string bitmap = outputName(name);
        const bool failed = run.err.find("aviavg: " + name + ": ") != std::string::npos;
        const bool written = std::filesystem::exists(directory / bitmap);
        const bool announced = run.out.find("usredniono " + bitmap) != std::string::npos;
        EXPECT_NE(failed, written) << name;
        EXPECT_EQ(announced, written) << name;
        averaged += written;
    }
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), std::ptrdiff_t(names.size() - averaged));
    EXPECT_EQ(run.status, averaged == names.size() ? 0 : 1);
}
