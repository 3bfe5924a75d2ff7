// A line on standard error's terminal (on Windows: console) that is drawn
// where the cursor stands, after any text that ended without a line break,
// redrawn there in place, and erased so that the next text starts where the
// line began. Only for standard error on a terminal.
#pragma once

#include <memory>
#include <string_view>

class StatusLine {
public:
    StatusLine();
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    // Shows the text (UTF-8) in place of what the line showed before. On
    // Windows the line is cut to the console's width, and moves to the next
    // row where it does not fit after the text before it.
    void draw(std::string_view text);
    // Takes the line off the screen and leaves the cursor where the line
    // began. A line drawn after it begins where the cursor is then.
    void erase();

private:
    // Where the line is, as the system keeps it; none before it is drawn.
    struct Place;
    std::unique_ptr<Place> place_;
};
