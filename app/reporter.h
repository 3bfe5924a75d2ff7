// What the user is told about each file: "usredniono NAME" on standard output
// for a bitmap, announced right before it is written, and one line on
// standard error for a failure.
#pragma once

#include <string>

class Reporter {
public:
    // Announces the bitmap of the name, which is to be written next.
    void announce(const std::string& output);

    // One line on standard error about a file (or "standard output"), its
    // name quoted where it could garble the terminal.
    void failed(const std::string& file, const std::string& reason);

    // A line on standard error, after what standard output has been told.
    void tell(const std::string& line);

private:
    // Whether the last announcement, which ends without a line break, stands
    // on a terminal that standard error shares.
    bool announcementEndsLine_ = false;
};
