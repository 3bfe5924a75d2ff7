#include "system/standard_streams.h"

// POSIX streams pass bytes as they are.
void writeStandardStreamsAsBytes() {}
