// Whether the standard streams are a terminal (on Windows: a console), and
// what else the program may learn of it or do with it.
#pragma once

bool inputIsTerminal();   // standard input
bool outputIsTerminal();  // standard output
bool errorIsTerminal();   // standard error
// Whether standard output and standard error are one terminal, where a line
// on one continues a line on the other.
bool outputAndErrorShareTerminal();

// How many processes the console has, this one included: 1 where Windows
// opened it for this program alone (started from Explorer), and it closes
// the moment the program ends; a Unix shell that Wine's console stands in
// for counts. 0 without a console, and on POSIX systems, whose terminals
// outlive the programs run in them.
unsigned processesOnConsole();

// Waits until Enter is pressed on the terminal of standard input; what was
// typed before does not count.
void waitForEnter();
