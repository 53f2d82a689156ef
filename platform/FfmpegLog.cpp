#include "platform/FfmpegLog.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
}

#include <cstdarg>
#include <mutex>

#include "platform/DebugOutput.h"

namespace plat {
namespace {

void ToDebugOutput(void* avClass, int level, const char* format, va_list args)
{
    if (level > AV_LOG_WARNING) {
        return;  // progress and detail chatter
    }
    char line[1024];
    int prefix = 1;
    av_log_format_line2(avClass, level, format, args, line, sizeof line, &prefix);
    DebugOutput(line);
}

} // namespace

void RouteFfmpegLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(ToDebugOutput); });
}

std::string AvError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace plat
