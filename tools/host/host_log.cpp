#include "host_log.h"

#include <cstdarg>

HostLog::~HostLog() {
    if (file) std::fclose(file);
}

bool HostLog::Open(const std::string& path) {
    if (file) std::fclose(file);
    file = std::fopen(path.c_str(), "w");
    return file != nullptr;
}

void HostLog::Line(int frame, const char* format, ...) {
    std::lock_guard<std::mutex> hold(lock);
    if (!file) return;
    std::fprintf(file, "frame %d ", frame);
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    // Flushed line by line: a test reads the log even when the plug-in ended the process.
    std::fflush(file);
}
