// The program asks for Enter before it ends only in a console window of its
// own, which would close with it.
#include "app/own_window.h"

#include <gtest/gtest.h>

TEST(OwnWindow, OnlyAConsoleOfItsOwnWithEveryStreamOnItWaits)
{
    const std::tuple<ConsoleUse, std::size_t, Farewell> cases[] = {
        {{1, true, true, true}, 2, Farewell::pressEnter},          // files dropped on it
        {{1, true, true, true}, 0, Farewell::usageAndPressEnter},  // double-clicked
        {{2, true, true, true}, 2, Farewell::none},                // cmd, PowerShell, a script, a Unix shell
        {{1, false, true, true}, 2, Farewell::none},               // a stream redirected
        {{1, true, false, true}, 0, Farewell::none},
        {{1, true, true, false}, 2, Farewell::none},
        {{0, false, false, false}, 0, Farewell::none},  // no console, or a POSIX terminal
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [console, files, expected] = cases[i];
        EXPECT_EQ(farewellFor(console, files), expected) << "case " << i;
    }
}
