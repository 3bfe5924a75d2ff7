#include "system/status_line.h"

#include "system/windows/wide_text.h"

#include <windows.h>

// A console does not interpret escape sequences everywhere (not before
// Windows 10, nor Wine's, even where SetConsoleMode takes virtual terminal
// processing), so the line is drawn with the console API on the cells it
// keeps here.
struct StatusLine::Place {
    HANDLE console;
    SHORT width;  // of the console's rows, in cells
    COORD start;  // where the line's text begins
    COORD back;   // where the cursor stood before the line was drawn
};

namespace {

// The cells a text takes on the console, counted high: two for a character
// that may be wide (Chinese, Japanese, an emoji), one for others.
int cellsOf(std::wstring_view text)
{
    int cells = 0;
    for (const wchar_t unit : text)
        cells += IS_LOW_SURROGATE(unit) ? 0 : unit >= 0x1100 ? 2 : 1;
    return cells;
}

// The start of the text that takes at most `cells` cells; a character is
// never cut in half.
std::wstring_view fitted(std::wstring_view text, int cells)
{
    std::size_t end = 0;
    for (int used = 0; end < text.size() && (used += cellsOf(text.substr(end, 1))) <= cells;)
        ++end;
    return text.substr(0, end);
}

COORD cursorOf(HANDLE console)
{
    CONSOLE_SCREEN_BUFFER_INFO screen{};
    ::GetConsoleScreenBufferInfo(console, &screen);
    return screen.dwCursorPosition;
}

void write(HANDLE console, std::wstring_view text)
{
    DWORD written = 0;
    ::WriteConsoleW(console, text.data(), DWORD(text.size()), &written, nullptr);
}

// Blanks the row from `from` to its end.
void clearRest(HANDLE console, SHORT width, COORD from)
{
    DWORD written = 0;
    ::FillConsoleOutputCharacterW(console, L' ', DWORD(width - from.X), from, &written);
}

}  // namespace

StatusLine::StatusLine() = default;

StatusLine::~StatusLine() = default;

void StatusLine::draw(std::string_view utf8)
{
    if (!place_) {
        HANDLE console = ::GetStdHandle(STD_ERROR_HANDLE);
        CONSOLE_SCREEN_BUFFER_INFO screen{};
        if (!::GetConsoleScreenBufferInfo(console, &screen))
            return;
        place_.reset(new Place{console, screen.dwSize.X, screen.dwCursorPosition, screen.dwCursorPosition});
    }
    Place& place = *place_;
    const std::wstring text = wideFromUtf8(utf8);
    // The line never reaches a row's last cell, so that it never wraps: at
    // the bottom of the screen buffer a wrap scrolls the buffer, and the
    // line's cells would be lost. A line that does not fit after the text
    // before it moves to the next row; a line break scrolls one row at
    // most, and the cursor then tells where the rows went.
    if (place.start.X > 0 && cellsOf(text) > place.width - 1 - place.start.X) {
        clearRest(place.console, place.width, place.start);
        ::SetConsoleCursorPosition(place.console, place.start);
        write(place.console, L"\n");
        place.start = cursorOf(place.console);
        place.back.Y = SHORT(place.start.Y - 1);
    }
    ::SetConsoleCursorPosition(place.console, place.start);
    write(place.console, fitted(text, place.width - 1 - place.start.X));
    clearRest(place.console, place.width, cursorOf(place.console));  // what a longer line left
}

void StatusLine::erase()
{
    if (!place_)
        return;
    clearRest(place_->console, place_->width, place_->start);
    ::SetConsoleCursorPosition(place_->console, place_->back);
    place_.reset();
}
