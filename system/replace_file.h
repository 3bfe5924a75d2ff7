// Replaces a file safely: the new contents go to a temporary file beside the
// target, every write and the close are checked, and only a complete file is
// renamed over the target. A failed or interrupted write leaves the target as
// it was and no temporary file behind.
#pragma once

#include <cstdint>
#include <vector>

// Returns 0, or the errno value of the failure. The new file gets the
// permissions the umask allows, as a file made with creat(2) would.
int replaceFile(const char* name, const std::vector<std::uint8_t>& contents);

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file being written
// before they end the process (unless they are ignored, as under nohup).
// Call once, at start-up.
void removeTemporaryFilesOnSignals();
