// Started from Explorer (files dropped on it, or a double click), the
// program gets a console window of its own, which closes the moment it ends
// and takes along all it said. There it ends by asking for Enter; with no
// files, it first says how it is used.
#pragma once

#include "app/reporter.h"

#include <cstddef>

// What tells the console apart.
struct ConsoleUse {
    unsigned processes = 0;  // on the console, this one included; 0 without one
    bool input = false;      // whether standard input is on it
    bool output = false;     // standard output
    bool error = false;      // standard error
};

enum class Farewell { none, pressEnter, usageAndPressEnter };

// None where the console is shared with another process (cmd, PowerShell, a
// script's interpreter), or a standard stream is not on it (redirected).
Farewell farewellFor(const ConsoleUse& console, std::size_t files);

// Says it on standard error, and waits for Enter.
void sayFarewell(Farewell farewell, Reporter& reporter);
