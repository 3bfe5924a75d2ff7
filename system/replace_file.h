// Replaces a file safely: the new contents go to a temporary file beside the
// target, every write and the close are checked, and only a complete file is
// renamed over the target. A failed write leaves the target as it was and no
// temporary file behind; so does one cut short by a signal, once the handlers
// of remove_file_on_signal.h are installed.
#pragma once

#include "system/byte_sink.h"

#include <functional>
#include <string>

// Writes the new contents: hands each piece to `write`, in order.
using ContentsWriter = std::function<void(const ByteSink& write)>;

// Returns 0, or the errno value of the failure. The pieces are written as
// they come, a few at a time, so the contents need not all be in memory. The
// new file gets the permissions a newly made file gets (on POSIX systems,
// those the umask allows, as with creat(2)). The name is UTF-8.
int replaceFile(const std::string& name, const ContentsWriter& contents);
