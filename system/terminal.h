// Whether the standard streams are a terminal (on Windows: a console), and
// how a line drawn on standard error is redrawn in place.
#pragma once

bool outputIsTerminal();  // standard output
bool errorIsTerminal();   // standard error
// Whether standard output and standard error are one terminal, where a line
// on one continues a line on the other.
bool outputAndErrorShareTerminal();
// Whether the terminal of standard error takes escape sequences that save
// and restore the cursor and clear to the end of the screen; where not
// (an older Windows console), a line can only be redrawn after a carriage
// return. On Windows the first call turns such sequences on where it can.
bool errorTerminalTakesEscapes();
