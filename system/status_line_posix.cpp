#include "system/status_line.h"

#include "system/standard_streams.h"

#include <string>

// The terminal keeps the line's place: the cursor position it saves where
// the line begins.
struct StatusLine::Place {};

namespace {

constexpr std::string_view savePosition = "\0337";
// Back to the saved position, and clear to the end of the screen, also what
// a long line wrapped onto.
constexpr std::string_view backAndClear = "\0338\033[J";

}  // namespace

StatusLine::StatusLine() = default;

StatusLine::~StatusLine() = default;

void StatusLine::draw(std::string_view text)
{
    std::string bytes;
    if (!place_) {
        bytes = savePosition;
        place_ = std::make_unique<Place>();
    }
    // One write per drawing: standard error is unbuffered.
    writeError(bytes.append(backAndClear).append(text));
}

void StatusLine::erase()
{
    if (!place_)
        return;
    writeError(backAndClear);
    place_.reset();
}
