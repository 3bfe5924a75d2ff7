// Whether the standard streams are a terminal (on Windows: a console).
#pragma once

bool outputIsTerminal();  // standard output
bool errorIsTerminal();   // standard error
// Whether standard output and standard error are one terminal, where a line
// on one continues a line on the other.
bool outputAndErrorShareTerminal();
