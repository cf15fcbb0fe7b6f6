#include "library_log.h"

#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

namespace {

void Show(void* context, int level, const char* format, va_list args) {
    if (level > av_log_get_level()) return;
    static int printPrefix = 1;
    char line[1024];
    av_log_format_line2(context, level, format, args, line, sizeof(line), &printPrefix);
    std::fprintf(stderr, "velune-render: ffmpeg: %s", line);
}

void Drop(void*, int, const char*, va_list) {}

}  // namespace

void RouteLibraryLog(bool verbose) {
    av_log_set_level(verbose ? AV_LOG_WARNING : AV_LOG_QUIET);
    av_log_set_callback(verbose ? Show : Drop);
}
