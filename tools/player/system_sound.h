#pragma once
// Where velune.exe's sound comes from, each on a thread of its own feeding
// a SoundRing: WASAPI loopback of the default output (what the computer
// plays, following a change of default device), the default capture device
// (a microphone, or Wine's capture of the sound server), or a WAV file played
// in real time, looping. A device that fails or goes away is tried again
// every second.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

#include "audio/pcm.h"
#include "audio/sound_ring.h"

enum class SoundSource { kLoopback, kCaptureDevice, kFile };

struct SoundStatus {
    bool live = false;   // sound is being taken
    int generation = 0;  // counts every change
    char text[200] = {};  // the device's name, or what went wrong
};

class SystemSound {
public:
    explicit SystemSound(SoundRing* ring) : ring(ring) {}
    ~SystemSound() { Stop(); }
    SystemSound(const SystemSound&) = delete;
    SystemSound& operator=(const SystemSound&) = delete;

    // file: a WAV file for kFile. False when the thread cannot start or the
    // file cannot be read (with the reason in *error).
    bool Start(SoundSource source, const std::string& file, std::string* error);
    void Stop();
    SoundStatus Status() const;

    // The thread's part; public for its entry point.
    void Run();
    std::atomic<bool> defaultChanged{false};

private:
    void RunDevice();
    void RunFile();
    void SetStatus(bool live, const char* text);
    bool Waiting(DWORD ms);  // false once asked to stop

    SoundRing* ring;
    SoundSource source = SoundSource::kLoopback;
    audio::Pcm file;
    HANDLE thread = nullptr;
    HANDLE stopEvent = nullptr;
    mutable std::mutex statusLock;
    SoundStatus status;
};
