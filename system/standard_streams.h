// How the program's messages reach standard output and standard error.
#pragma once

// Makes both streams pass bytes as they are: a "\n" stays one byte (Windows'
// C library would otherwise write "\r\n" to files and pipes), so that what
// the program writes is the same on every system.
void writeStandardStreamsAsBytes();
