// Windows' error codes as the errno values that say the same, so that a
// failure reads the same on every system ("No such file or directory").
#pragma once

int errnoFromWindowsError(unsigned long error);
// The same for GetLastError().
int lastErrorAsErrno();
