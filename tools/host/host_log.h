#pragma once
// The stand-in player's log: one line per event, each starting with the frame
// it happened in, so tests can read what the plug-in asked and when.
#include <cstdio>
#include <mutex>
#include <string>

class HostLog {
public:
    ~HostLog();
    bool Open(const std::string& path);
    // printf-style; the frame number and a newline are added.
    void Line(int frame, const char* format, ...) __attribute__((format(printf, 3, 4)));

private:
    FILE* file = nullptr;
    std::mutex lock;  // the plug-in's thread, the player's and a Config thread all log
};
