#include "app/own_window.h"

#include "system/terminal.h"

Farewell farewellFor(const ConsoleUse& console, std::size_t files)
{
    if (console.processes != 1 || !console.input || !console.output || !console.error)
        return Farewell::none;
    return files > 0 ? Farewell::pressEnter : Farewell::usageAndPressEnter;
}

void sayFarewell(Farewell farewell, Reporter& reporter)
{
    if (farewell == Farewell::none)
        return;
    if (farewell == Farewell::usageAndPressEnter) {
        reporter.tell("aviavg averages each video into a greyscale bitmap: clip.avi gives clipS.bmp.");
        reporter.tell("Drop videos on aviavg.exe, or run \"aviavg *.avi\" in a console in their folder.");
    }
    reporter.tell("Press Enter to close this window.");
    waitForEnter();
}
