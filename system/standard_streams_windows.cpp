#include "system/standard_streams.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>

// A console, too, takes a lone "\n" as the start of a new line.
void writeStandardStreamsAsBytes()
{
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}
