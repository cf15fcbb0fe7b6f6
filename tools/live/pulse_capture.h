#pragma once
// Sound from the PulseAudio server (PipeWire answers the same protocol):
// records a source into a SoundRing on the library's own thread, and keeps
// trying, once a second, to get it back when the server or the source goes.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>

#include "audio/sound_ring.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_mainloop_api;
struct timeval;

enum class CaptureState { kConnecting, kNoServer, kNoSource, kCapturing };

struct CaptureStatus {
    CaptureState state = CaptureState::kConnecting;
    char source[256] = {};  // what was asked for, or the name the server gave it
    char error[128] = {};   // the server's word for the last failure
};

// The default output's monitor: what the desktop is playing.
constexpr char kDefaultMonitor[] = "@DEFAULT_MONITOR@";

class PulseCapture {
public:
    explicit PulseCapture(SoundRing* ring) : ring(ring) {}
    ~PulseCapture() { Stop(); }
    PulseCapture(const PulseCapture&) = delete;
    PulseCapture& operator=(const PulseCapture&) = delete;

    // source: a source name, kDefaultMonitor, or null for the default source
    // (the microphone). False only when the library cannot start its thread.
    bool Start(const char* source);
    void Stop();
    CaptureStatus Status() const;

private:
    void Connect();
    void OpenStream();
    void DropStream();
    void DropContext();
    void RetrySoon();
    void SetState(CaptureState s, const char* error);
    static void OnContextState(pa_context* c, void* self);
    static void OnStreamState(pa_stream* s, void* self);
    static void OnRead(pa_stream* s, size_t bytes, void* self);
    static void OnRetry(pa_mainloop_api* api, pa_time_event* e, const struct timeval* tv, void* self);

    SoundRing* ring;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_stream* stream = nullptr;
    pa_time_event* retry = nullptr;
    char wanted[256] = {};
    bool useDefaultSource = false;
    mutable std::mutex statusLock;
    CaptureStatus status;
};

// Writes the server's sources, one a line: name, then description. False
// (with the reason on err) when no server answers.
bool ListSources(FILE* out, FILE* err);
