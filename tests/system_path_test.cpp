// Names as the Windows build gives them to the file calls: a full path in
// the extended-length form, made whole first, which that form does not do.
#include "system/windows/system_path.h"

#include <gtest/gtest.h>

TEST(SystemPath, AFullPathTakesTheExtendedFormMadeWhole)
{
    const std::pair<std::string, std::wstring> cases[] = {
        {"C:\\videos\\clip.avi", L"\\\\?\\C:\\videos\\clip.avi"},
        {"d:/a//b/../c/./clip.avi. ", L"\\\\?\\d:\\a\\c\\clip.avi"},
        {"C:\\..\\z\u0105b\u0142\u0119\\\u52d5\u753b.avi", L"\\\\?\\C:\\z\u0105b\u0142\u0119\\\u52d5\u753b.avi"},
        {"C:\\" + std::string(300, 'v'), L"\\\\?\\C:\\" + std::wstring(300, L'v')},
        {"//server/share/a/../clip.avi", L"\\\\?\\UNC\\server\\share\\clip.avi"},
        // Already extended, a device, or relative: as they are.
        {"\\\\?\\C:\\a\\..\\clip.avi", L"\\\\?\\C:\\a\\..\\clip.avi"},
        {"\\\\.\\COM1", L"\\\\.\\COM1"},
        {"C:\\videos\\NUL", L"C:\\videos\\NUL"},
        {"..\\videos/clip.avi", L"..\\videos/clip.avi"},
        {"C:clip.avi", L"C:clip.avi"},
        {"\\videos\\clip.avi", L"\\videos\\clip.avi"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(systemPath(name), expected) << name;
}
