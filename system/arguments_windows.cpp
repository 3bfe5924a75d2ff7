#include "system/arguments.h"

#include "system/windows/wide_text.h"

namespace {

// The C runtime's own splitting of the UTF-16 command line; with `expand`
// set it expands wildcards against the file system, names without a match
// left as they are.
struct StartupInfo {
    int newMode;
};
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int expand, StartupInfo* info);

}  // namespace

std::vector<std::string> commandLineArguments(int argc, char* argv[])
{
    int count = 0;
    wchar_t** arguments = nullptr;
    wchar_t** environment = nullptr;
    StartupInfo info{0};
    // Short of memory for it, the ANSI arguments still name most files.
    if (__wgetmainargs(&count, &arguments, &environment, 1, &info) < 0)
        return {argv + 1, argv + argc};
    std::vector<std::string> utf8;
    for (int i = 1; i < count; ++i)
        utf8.push_back(utf8FromWide(arguments[i]));
    return utf8;
}
