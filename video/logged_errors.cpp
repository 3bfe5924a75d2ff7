#include "video/logged_errors.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>

namespace {

// A decoder without threads of its own logs on the thread that calls it.
thread_local std::uint64_t errorsOnThisThread = 0;

extern "C" void countErrors(void*, int level, const char*, va_list)
{
    if (level <= AV_LOG_ERROR)
        ++errorsOnThisThread;
}

}  // namespace

void watchFFmpegLog() { av_log_set_callback(countErrors); }

LoggedErrors::LoggedErrors() : before_(errorsOnThisThread) {}

bool LoggedErrors::any() const { return errorsOnThisThread != before_; }
